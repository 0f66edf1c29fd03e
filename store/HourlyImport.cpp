#include "store/HourlyImport.h"

#include "model/Cp1251.h"
#include "model/Dates.h"
#include "model/Numbers.h"
#include "model/RecordedSpread.h"
#include "model/TradeCosts.h"
#include "store/Files.h"
#include "store/QuoteImport.h"
#include "store/QuotePrice.h"
#include "store/SpreadFile.h"
#include "store/TextLines.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <utility>
#include <vector>

namespace quillet {
namespace {

constexpr std::size_t kQuotedTextLimit = 120; // characters of a file's text an error quotes
constexpr int kLinesPerProgressStep = 4096;

// How the text of one format is laid out.
struct Layout {
    HourlyFormat Format;
    char Separator;
    bool DateAndTimeInOneField;              // "2010.10.07 13:00" rather than two fields
    int FirstPrice;                          // index of the Open field; High, Low, Close follow
    std::array<std::string_view, 6> Heading; // lower-case first names of the heading; empty: none
    std::string_view Description;
};

constexpr std::array<Layout, kHourlyFormatCount> kLayouts = {{
    {HourlyFormat::QuoteLine,
     ',',
     false,
     2,
     {},
     "1: без заголовка, через запятую: 2010.10.07,13:00,1.39672,1.39781,1.39624,1.39708,2304"},
    {HourlyFormat::DateTimeComma,
     ',',
     true,
     1,
     {"date", "open", "high", "low", "close"},
     "2: заголовок Date,Open,High,Low,Close,Volume, затем 2010.10.07 13:00,1.39672,1.39781,1.39624,1.39708,"
     "2304"},
    {HourlyFormat::TabBracketed,
     '\t',
     false,
     2,
     {"<date>", "<time>", "<open>", "<high>", "<low>", "<close>"},
     "3: через табуляцию, заголовок <DATE> <TIME> <OPEN> <HIGH> <LOW> <CLOSE> <TICKVOL> <VOL> <SPREAD>, "
     "затем 2010.10.07 13:00:00 1.39672 1.39781 1.39624 1.39708 ..."},
    {HourlyFormat::SemicolonCompact,
     ';',
     true,
     1,
     {},
     "4: без заголовка, через точку с запятой: 20101007 130000;1.39672;1.39781;1.39624;1.39708;0"},
    {HourlyFormat::DayFirstSeconds,
     ',',
     true,
     1,
     {"gmt time", "open", "high", "low", "close"},
     "5: заголовок Gmt time,Open,High,Low,Close,Volume, затем 07.10.2010 13:00:00.000,1.39672,1.39781,"
     "1.39624,1.39708,2304"},
}};

const Layout& LayoutOf(HourlyFormat format)
{
    return kLayouts[static_cast<int>(format) - 1];
}

constexpr const char* kPriceNames[] = {"Open", "High", "Low", "Close"};

// ---------------------------------------------------------------------------
// Text

bool IsBlank(std::string_view line)
{
    return std::all_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t'; });
}

std::string_view TrimBlanks(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

/// A file's text as an error quotes it: decoded (UTF-8 after a byte-order
/// mark, code page 1251 otherwise), control characters shown as "?", and
/// cut short so that a binary file cannot flood the message.
std::string Quoted(std::string_view bytes, bool utf8)
{
    std::string text = utf8 ? std::string(bytes) : Cp1251ToUtf8(bytes);
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
            c = '?';
    if (Utf8Length(text) > kQuotedTextLimit)
        return std::string(Utf8Prefix(text, kQuotedTextLimit)) + "...";
    return text;
}

std::string IsoDate(double serial)
{
    return FormatDate(serial, "yyyy-mm-dd");
}

std::string TwoDigits(int value)
{
    return {static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
}

std::string Stamp(double date, int hour)
{
    return IsoDate(date) + ' ' + TwoDigits(hour) + ":00";
}

constexpr std::int64_t kMinutesPerHour = 60;
constexpr std::int64_t kMinutesPerDay = 24 * kMinutesPerHour;

/// A quotient rounded down, also for a negative dividend.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b)
{
    const std::int64_t q = a / b;
    return q * b > a ? q - 1 : q;
}

/// A time in minutes since day 0, as the errors show it: "2010-10-07 13:05".
std::string MinuteStamp(std::int64_t minutes)
{
    const std::int64_t day = FloorDiv(minutes, kMinutesPerDay);
    const auto inDay = static_cast<int>(minutes - day * kMinutesPerDay);
    return IsoDate(static_cast<double>(day)) + ' ' + TwoDigits(inDay / 60) + ':' + TwoDigits(inDay % 60);
}

/// The number of fields of a line.
int FieldCount(std::string_view line, char separator)
{
    return static_cast<int>(std::count(line.begin(), line.end(), separator)) + 1;
}

/// The first `count` fields of a line (fewer when the line has fewer);
/// whatever follows the last of them is ignored.
int SplitFields(std::string_view line, char separator, std::string_view* fields, int count)
{
    int n = 0;
    std::size_t start = 0;
    while (n < count) {
        const std::size_t sep = line.find(separator, start);
        fields[n++] =
            line.substr(start, sep == std::string_view::npos ? std::string_view::npos : sep - start);
        if (sep == std::string_view::npos)
            break;
        start = sep + 1;
    }
    return n;
}

// ---------------------------------------------------------------------------
// Dates and times: first their shape (digit runs and separators), which is
// what detection looks at, then their values.

struct Moment {
    int Year = 0, Month = 0, Day = 0;
    int Hour = 0, Minute = 0, Second = 0, Fraction = 0;
};

/// A run of `minDigits` to `maxDigits` digits at `pos`, which moves past it.
bool ReadDigits(std::string_view s, std::size_t& pos, int minDigits, int maxDigits, int& value)
{
    const DigitRun run = ScanDigits(s, pos);
    value = run.Value;
    return run.Digits >= minDigits && run.Digits <= maxDigits;
}

bool ReadChar(std::string_view s, std::size_t& pos, char c)
{
    if (pos < s.size() && s[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

// yyyy.mm.dd (month and day of one or two digits)
bool ReadYearFirstDate(std::string_view s, Moment& m)
{
    std::size_t p = 0;
    return ReadDigits(s, p, 4, 4, m.Year) && ReadChar(s, p, '.') && ReadDigits(s, p, 1, 2, m.Month) &&
           ReadChar(s, p, '.') && ReadDigits(s, p, 1, 2, m.Day) && p == s.size();
}

// dd.mm.yyyy
bool ReadDayFirstDate(std::string_view s, Moment& m)
{
    std::size_t p = 0;
    return ReadDigits(s, p, 1, 2, m.Day) && ReadChar(s, p, '.') && ReadDigits(s, p, 1, 2, m.Month) &&
           ReadChar(s, p, '.') && ReadDigits(s, p, 4, 4, m.Year) && p == s.size();
}

// yyyymmdd
bool ReadCompactDate(std::string_view s, Moment& m)
{
    std::size_t p = 0;
    int v = 0;
    if (!ReadDigits(s, p, 8, 8, v) || p != s.size())
        return false;
    m.Year = v / 10000;
    m.Month = v / 100 % 100;
    m.Day = v % 100;
    return true;
}

// h:mm, hh:mm, hh:mm:ss or hh:mm:ss.fff
bool ReadClock(std::string_view s, Moment& m)
{
    std::size_t p = 0;
    if (!ReadDigits(s, p, 1, 2, m.Hour) || !ReadChar(s, p, ':') || !ReadDigits(s, p, 2, 2, m.Minute))
        return false;
    if (ReadChar(s, p, ':')) {
        if (!ReadDigits(s, p, 2, 2, m.Second))
            return false;
        if (ReadChar(s, p, '.') && !ReadDigits(s, p, 1, 9, m.Fraction))
            return false;
    }
    return p == s.size();
}

// hhmm or hhmmss
bool ReadCompactClock(std::string_view s, Moment& m)
{
    std::size_t p = 0;
    int v = 0;
    if (!ReadDigits(s, p, 4, 6, v) || p != s.size() || (s.size() != 4 && s.size() != 6))
        return false;
    if (s.size() == 4)
        v *= 100;
    m.Hour = v / 10000;
    m.Minute = v / 100 % 100;
    m.Second = v % 100;
    return true;
}

/// The date and time texts of a quote line; for a format that keeps both in
/// one field they are its two halves around the blanks between them.
struct StampTexts {
    std::string_view Date, Time;
    std::string_view DateField, TimeField; // the fields an error quotes
};

StampTexts StampTextsOf(const Layout& layout, const std::string_view* fields)
{
    StampTexts t;
    if (!layout.DateAndTimeInOneField) {
        t.DateField = fields[0];
        t.TimeField = fields[1];
        t.Date = TrimBlanks(fields[0]);
        t.Time = TrimBlanks(fields[1]);
        return t;
    }
    t.DateField = t.TimeField = fields[0];
    const std::string_view both = TrimBlanks(fields[0]);
    const std::size_t blank = both.find(' ');
    t.Date = both.substr(0, blank);
    t.Time = blank == std::string_view::npos ? std::string_view() : TrimBlanks(both.substr(blank));
    return t;
}

bool ReadDateShape(HourlyFormat format, std::string_view text, Moment& m)
{
    switch (format) {
    case HourlyFormat::SemicolonCompact:
        return ReadCompactDate(text, m);
    case HourlyFormat::DayFirstSeconds:
        return ReadDayFirstDate(text, m);
    default:
        return ReadYearFirstDate(text, m);
    }
}

bool ReadTimeShape(HourlyFormat format, std::string_view text, Moment& m)
{
    return format == HourlyFormat::SemicolonCompact ? ReadCompactClock(text, m) : ReadClock(text, m);
}

/// True when the line has the date and time shape of the format's quote lines.
bool LooksLikeQuote(const Layout& layout, std::string_view line)
{
    std::string_view fields[2];
    const int needed = layout.DateAndTimeInOneField ? 1 : 2;
    if (SplitFields(line, layout.Separator, fields, needed) < needed)
        return false;
    const StampTexts t = StampTextsOf(layout, fields);
    Moment m;
    return ReadDateShape(layout.Format, t.Date, m) && ReadTimeShape(layout.Format, t.Time, m);
}

bool IsHeading(const Layout& layout, std::string_view line)
{
    if (layout.Heading[0].empty())
        return false;
    std::string_view names[6];
    const int count = SplitFields(line, layout.Separator, names, 6);
    for (int i = 0; i < 6 && !layout.Heading[i].empty(); ++i) {
        if (i >= count)
            return false;
        const std::string_view name = TrimBlanks(names[i]);
        const std::string_view want = layout.Heading[i];
        if (name.size() != want.size() ||
            !std::equal(name.begin(), name.end(), want.begin(),
                        [](char a, char b) { return (a >= 'A' && a <= 'Z' ? a + 32 : a) == b; }))
            return false;
    }
    return true;
}

std::string LinePrefix(int line)
{
    return "Строка " + std::to_string(line) + ": ";
}

// ---------------------------------------------------------------------------
// Reading the candles

/// The values a candle carries. An hour folded from several candles takes
/// all of them from its first candle, then the highest High, the lowest Low
/// and the Close of its last; a value added here rides along as the first
/// candle's.
constexpr int kNoSpread = -1;
constexpr int kBadSpread = -2;

struct CandleValues {
    double Open, High, Low, Close;
    int Spread = kNoSpread; // the <SPREAD> column, in the quote's smallest steps; kBadSpread: no number
    int Decimals = 0;       // the most decimals of the prices as written
};

/// The column of the spread in a heading of the tab-separated export, or -1.
int SpreadColumn(const Layout& layout, std::string_view heading)
{
    if (layout.Format != HourlyFormat::TabBracketed)
        return -1;
    constexpr std::string_view kSpread = "<spread>";
    int column = 0;
    for (std::size_t start = 0;; ++column) {
        const std::size_t end = heading.find(layout.Separator, start);
        const std::string_view name =
            TrimBlanks(heading.substr(start, end == std::string_view::npos ? end : end - start));
        if (std::equal(name.begin(), name.end(), kSpread.begin(), kSpread.end(),
                       [](char a, char b) { return (a >= 'A' && a <= 'Z' ? a + 32 : a) == b; }))
            return column;
        if (end == std::string_view::npos)
            return -1;
        start = end + 1;
    }
}

/// The digits after the decimal point of a price as written.
int DecimalsOf(std::string_view field)
{
    field = TrimBlanks(field);
    const std::size_t point = field.find('.');
    return point == std::string_view::npos ? 0 : static_cast<int>(field.size() - point - 1);
}

/// One candle of the file, its time in minutes since day 0 as written.
struct QuoteBar {
    std::int64_t Minute;
    int Line;
    CandleValues Values;
};

/// One clock hour of the record, after the shift.
struct HourBar {
    double Date;
    int Hour;
    int Line; // of its first candle
    CandleValues Values;
};

/// True for a real calendar date within years 1 to 9999.
bool IsCalendarDate(const Moment& m, double& serial)
{
    serial = DateSerial(m.Year, m.Month, m.Day);
    CivilDate back{};
    return m.Year >= 1 && m.Month >= 1 && m.Month <= 12 && m.Day >= 1 && m.Day <= 31 &&
           DecodeDate(serial, back) && back.Year == m.Year && back.Month == m.Month && back.Day == m.Day;
}

class CandleReader {
  public:
    CandleReader(const Layout& layout, bool utf8, int stepMinutes)
        : layout_(layout), utf8_(utf8), hourly_(stepMinutes == kHourStepMinutes)
    {
    }

    /// Every line must have as many fields as the heading, or as the first
    /// line where there is none: prices written with a decimal comma in a
    /// comma-separated file would otherwise shift the columns unseen.
    void SetFieldCount(int count, bool fromHeading)
    {
        fieldCount_ = count;
        countFromHeading_ = fromHeading;
    }

    /// The heading names the spread's column (-1: none).
    void SetSpreadColumn(int column) { spreadColumn_ = column; }

    QuoteBar Read(std::string_view line, int number)
    {
        const int needed = layout_.FirstPrice + 4;
        std::string_view fields[6];
        if (SplitFields(line, layout_.Separator, fields, needed) < needed)
            throw Error(LinePrefix(number) + "не хватает полей (нужно не меньше " + std::to_string(needed) +
                        "): '" + Quoted(line, utf8_) + "'");
        QuoteBar bar{};
        bar.Line = number;
        ReadStamp(StampTextsOf(layout_, fields), number, bar);
        CandleValues& v = bar.Values;
        double* const prices[] = {&v.Open, &v.High, &v.Low, &v.Close};
        for (int i = 0; i < 4; ++i)
            *prices[i] = ReadPrice(fields[layout_.FirstPrice + i], number, kPriceNames[i]);
        if (spreadColumn_ >= 0)
            for (int i = 0; i < 4; ++i)
                v.Decimals = std::max(v.Decimals, DecimalsOf(fields[layout_.FirstPrice + i]));
        const int count = FieldCount(line, layout_.Separator);
        if (fieldCount_ != 0 && count != fieldCount_)
            throw Error(LinePrefix(number) + "полей " + std::to_string(count) + ", а " +
                        (countFromHeading_ ? "в заголовке " : "в первой строке ") +
                        std::to_string(fieldCount_) + " (цены с десятичной запятой?): '" +
                        Quoted(line, utf8_) + "'");
        CheckCandle(prices, fields + layout_.FirstPrice, number);
        if (spreadColumn_ >= 0)
            v.Spread = ReadSpread(line);
        return bar;
    }

  private:
    // The spread column's whole number of price steps, or kBadSpread.
    int ReadSpread(std::string_view line) const
    {
        std::size_t start = 0;
        for (int k = 0; k < spreadColumn_ && start != std::string_view::npos; ++k) {
            start = line.find(layout_.Separator, start);
            start = start == std::string_view::npos ? start : start + 1;
        }
        const std::string_view field = start == std::string_view::npos
                                           ? std::string_view()
                                           : line.substr(start, line.find(layout_.Separator, start) - start);
        const std::string_view digits = TrimBlanks(field);
        std::size_t pos = 0;
        const DigitRun run = ScanDigits(digits, pos);
        return run.Digits == 0 || run.Digits > 6 || pos != digits.size() ? kBadSpread : run.Value;
    }

    // A candle's prices are positive, its High is the highest of the four
    // and its Low the lowest.
    void CheckCandle(double* const (&prices)[4], const std::string_view* texts, int number) const
    {
        for (int i = 0; i < 4; ++i)
            if (!(*prices[i] > 0))
                throw Error(LinePrefix(number) + "цена " + kPriceNames[i] + " '" + Quoted(texts[i], utf8_) +
                            "' не больше нуля");
        constexpr int kOpen = 0, kHigh = 1, kLow = 2, kClose = 3;
        for (const int i : {kOpen, kLow, kClose})
            if (*prices[kHigh] < *prices[i])
                throw Error(LinePrefix(number) + "цена High '" + Quoted(texts[kHigh], utf8_) +
                            "' ниже цены " + kPriceNames[i] + " '" + Quoted(texts[i], utf8_) + "'");
        for (const int i : {kOpen, kClose})
            if (*prices[kLow] > *prices[i])
                throw Error(LinePrefix(number) + "цена Low '" + Quoted(texts[kLow], utf8_) + "' выше цены " +
                            kPriceNames[i] + " '" + Quoted(texts[i], utf8_) + "'");
    }

    void ReadStamp(const StampTexts& t, int number, QuoteBar& bar)
    {
        Moment m;
        if (!ReadDateShape(layout_.Format, t.Date, m))
            ThrowBadDate(t.DateField, number);
        if (!ReadTimeShape(layout_.Format, t.Time, m))
            ThrowBadTime(t.TimeField, number);
        // A file holds many lines of one date in a row; the date is checked once.
        if (m.Year != last_.Year || m.Month != last_.Month || m.Day != last_.Day) {
            double serial = 0;
            if (!IsCalendarDate(m, serial))
                ThrowBadDate(t.DateField, number);
            last_ = {m.Year, m.Month, m.Day};
            lastMinute_ = static_cast<std::int64_t>(serial) * kMinutesPerDay;
        }
        if (m.Hour > 23 || m.Minute > 59 || m.Second > 59)
            ThrowBadTime(t.TimeField, number);
        // Finer data would give several candles the same time.
        if (hourly_ && (m.Minute != 0 || m.Second != 0 || m.Fraction != 0))
            throw Error(LinePrefix(number) + "время '" + Quoted(t.TimeField, utf8_) +
                        "' не начало часа: нужны часовые свечи");
        if (m.Second != 0 || m.Fraction != 0)
            throw Error(LinePrefix(number) + "время '" + Quoted(t.TimeField, utf8_) +
                        "' не начало минуты: нужны минутные свечи");
        bar.Minute = lastMinute_ + m.Hour * kMinutesPerHour + m.Minute;
    }

    [[noreturn]] void ThrowBadDate(std::string_view field, int number) const
    {
        throw Error(LinePrefix(number) + "неверная дата '" + Quoted(field, utf8_) + "'");
    }

    [[noreturn]] void ThrowBadTime(std::string_view field, int number) const
    {
        throw Error(LinePrefix(number) + "неверное время '" + Quoted(field, utf8_) + "'");
    }

    double ReadPrice(std::string_view field, int number, const char* column) const
    {
        // The very value the three-file import makes of a price.
        try {
            return ReadQuotePrice(field);
        } catch (const Error&) {
            throw Error(LinePrefix(number) + "неверная цена " + column + " '" + Quoted(field, utf8_) + "'");
        }
    }

    const Layout& layout_;
    bool utf8_;
    bool hourly_;
    int spreadColumn_ = -1;
    int fieldCount_ = 0; // 0 until the first line sets it
    bool countFromHeading_ = false;
    CivilDate last_{-1, -1, -1}; // the last date that passed; none at first
    std::int64_t lastMinute_ = 0;
};

// ---------------------------------------------------------------------------
// The start of a text: its format and its step

/// What the first lines of a text hold: the format, from the first non-blank
/// line, and the first quote lines, which tell the step.
struct TextHead {
    const Layout* Format = nullptr;
    bool Utf8 = false;
    int FieldCount = 0; // of the heading, or of the first line
    bool FromHeading = false;
    int SpreadColumn = -1;                          // named by the heading
    std::vector<std::pair<std::string, int>> Lines; // quote lines and their numbers
};

const Layout& FormatOfLine(std::string_view line, bool utf8)
{
    for (const Layout& layout : kLayouts)
        if (IsHeading(layout, line) || LooksLikeQuote(layout, line))
            return layout;
    throw Error("Неизвестный формат часового файла, первая строка: '" + Quoted(line, utf8) +
                "'. Известные форматы:\n" + HourlyFormatList());
}

/// Reads the format and up to `quoteLines` quote lines; a text without a
/// line or of no known format is refused.
TextHead ReadHead(TextLines& lines, int quoteLines)
{
    TextHead head;
    head.Utf8 = lines.SkipByteOrderMark();
    std::string_view line;
    bool found = false;
    while (!found && lines.Next(line))
        found = !IsBlank(line);
    if (!found)
        throw Error("В файле нет ни одной строки котировок. Известные форматы часовых файлов:\n" +
                    HourlyFormatList());
    head.Format = &FormatOfLine(line, head.Utf8);
    head.FieldCount = FieldCount(line, head.Format->Separator);
    head.FromHeading = IsHeading(*head.Format, line);
    if (!head.FromHeading)
        head.Lines.emplace_back(line, lines.Number());
    else
        head.SpreadColumn = SpreadColumn(*head.Format, line);
    while (static_cast<int>(head.Lines.size()) < quoteLines && lines.Next(line))
        if (!IsBlank(line))
            head.Lines.emplace_back(line, lines.Number());
    return head;
}

/// The time of a quote line in minutes, when its date and time read.
bool MinuteOfLine(const Layout& layout, std::string_view line, std::int64_t& minute)
{
    std::string_view fields[2];
    const int needed = layout.DateAndTimeInOneField ? 1 : 2;
    if (SplitFields(line, layout.Separator, fields, needed) < needed)
        return false;
    const StampTexts t = StampTextsOf(layout, fields);
    Moment m;
    double serial = 0;
    if (!ReadDateShape(layout.Format, t.Date, m) || !ReadTimeShape(layout.Format, t.Time, m) ||
        !IsCalendarDate(m, serial))
        return false;
    minute = static_cast<std::int64_t>(serial) * kMinutesPerDay + m.Hour * kMinutesPerHour + m.Minute;
    return true;
}

/// The step of the head's lines, up to the first that does not read (the
/// import refuses that one with its own error).
int StepOf(const TextHead& head)
{
    std::int64_t previous = 0, divisor = 0;
    int shortGaps = 0;
    bool first = true;
    for (const auto& [text, number] : head.Lines) {
        std::int64_t minute = 0;
        if (!MinuteOfLine(*head.Format, text, minute))
            break;
        if (!first && minute > previous) {
            divisor = std::gcd(divisor, minute - previous);
            shortGaps += minute - previous < kMinutesPerHour;
        }
        first = false;
        previous = minute;
    }
    // One odd time is an hourly file's fault, which its line is refused for.
    if (shortGaps < 2)
        return kHourStepMinutes;
    for (const int step : kMinuteSteps)
        if (divisor == step)
            return step;
    throw Error("Свечи в первых строках идут через " + StepText(static_cast<int>(divisor)) +
                ": читаются свечи через 1, 5, 10, 15 или 30 минут и часовые");
}

// ---------------------------------------------------------------------------
// Candles into hours, hours into the period

/// The hours of the period as they come: the last kLastCandleIndex + 1 of
/// them, which is all the record needs, and the refusal of too many hours.
class PeriodHours {
  public:
    explicit PeriodHours(const HourlyPeriod& period)
        : period_(period), ring_(static_cast<std::size_t>(kLastCandleIndex) + 1)
    {
    }

    void Add(const HourBar& h)
    {
        if ((period_.From && h.Date < *period_.From) || (period_.To && h.Date > *period_.To))
            return;
        ring_[count_ % ring_.size()] = h;
        ++count_;
    }

    /// Hours of the period, kept or not.
    std::size_t Count() const { return count_; }
    /// The i-th hour of the period, one of the last ring's worth.
    const HourBar& At(std::size_t i) const { return ring_[i % ring_.size()]; }
    bool Chosen() const { return period_.From || period_.To; }

  private:
    HourlyPeriod period_;
    std::vector<HourBar> ring_;
    std::size_t count_ = 0;
};

/// Candles into the clock hours they fall in after the shift.
class HourFolder {
  public:
    HourFolder(int shiftHours, PeriodHours& hours) : shift_(shiftHours * kMinutesPerHour), hours_(hours) {}

    void Add(const QuoteBar& c)
    {
        const std::int64_t minute = c.Minute + shift_;
        if (open_ && minute < hourStart_ + kMinutesPerHour) {
            CandleValues& v = hour_.Values;
            v.High = std::max(v.High, c.Values.High);
            v.Low = std::min(v.Low, c.Values.Low);
            v.Close = c.Values.Close;
            v.Decimals = std::max(v.Decimals, c.Values.Decimals);
            return;
        }
        Finish();
        Start(minute - (minute % kMinutesPerHour + kMinutesPerHour) % kMinutesPerHour, c);
    }

    /// Hands on the hour still open.
    void Finish()
    {
        if (open_)
            hours_.Add(hour_);
        open_ = false;
    }

  private:
    void Start(std::int64_t hourStart, const QuoteBar& c)
    {
        const std::int64_t day = FloorDiv(hourStart, kMinutesPerDay);
        if (shift_ != 0 && (day < kFirstDay || day > kLastDay))
            throw Error(LinePrefix(c.Line) + "со сдвигом времени дата выходит за 9999 год или раньше 1 года");
        hourStart_ = hourStart;
        hour_.Date = static_cast<double>(day);
        hour_.Hour = static_cast<int>((hourStart - day * kMinutesPerDay) / kMinutesPerHour);
        hour_.Line = c.Line;
        hour_.Values = c.Values;
        open_ = true;
    }

    static inline const std::int64_t kFirstDay = static_cast<std::int64_t>(DateSerial(1, 1, 1));
    static inline const std::int64_t kLastDay = static_cast<std::int64_t>(DateSerial(9999, 12, 31));

    std::int64_t shift_;
    PeriodHours& hours_;
    HourBar hour_{};
    std::int64_t hourStart_ = 0;
    bool open_ = false;
};

/// Reads every quote line, the head's first: each candle checked, later
/// than the one before, and folded.
long long ReadCandles(TextLines& lines, const TextHead& head, int step, HourFolder& folder,
                      const HourlyProgress& progress)
{
    CandleReader reader(*head.Format, head.Utf8, step);
    reader.SetFieldCount(head.FieldCount, head.FromHeading);
    reader.SetSpreadColumn(head.SpreadColumn);
    long long candles = 0;
    std::int64_t lastMinute = 0;
    int lastLine = 0;
    const auto take = [&](std::string_view line, int number) {
        const QuoteBar bar = reader.Read(line, number);
        if (candles > 0 && bar.Minute <= lastMinute)
            throw Error(LinePrefix(number) + MinuteStamp(bar.Minute) + " не позже " +
                        MinuteStamp(lastMinute) + " в строке " + std::to_string(lastLine) +
                        ": дата и время должны возрастать");
        folder.Add(bar);
        lastMinute = bar.Minute;
        lastLine = number;
        ++candles;
    };
    for (const auto& [text, number] : head.Lines)
        take(text, number);
    std::string_view line;
    while (lines.Next(line)) {
        if (IsBlank(line))
            continue;
        take(line, lines.Number());
        if (progress && lines.Number() % kLinesPerProgressStep == 0)
            progress(lines.Position(), lines.Size());
    }
    folder.Finish();
    if (progress)
        progress(lines.Size(), lines.Size());
    return candles;
}

// ---------------------------------------------------------------------------
// The record

/// The Sunday on or before a date: 30 December 1899, day 0, was a Saturday.
double SundayOnOrBefore(double date)
{
    const auto day = static_cast<std::int64_t>(date);
    const std::int64_t sinceSunday = ((day - 1) % 7 + 7) % 7;
    return static_cast<double>(day - sinceSunday);
}

void Merge(Candle& c, const HourBar& h)
{
    if (h.Values.High > c.High)
        c.High = h.Values.High;
    if (h.Values.Low < c.Low)
        c.Low = h.Values.Low;
    c.Close = h.Values.Close;
}

void Start(Candle& c, double date, const ShortString7& time, const HourBar& h)
{
    c.Date = date;
    c.Time = time;
    c.Open = h.Values.Open;
    c.High = h.Values.High;
    c.Low = h.Values.Low;
    c.Close = h.Values.Close;
}

std::string TooManyHoursText(std::size_t hours, bool periodChosen, double lastStartDate, int lastStartHour,
                             double fittingFrom)
{
    const std::string limit = std::to_string(kLastCandleIndex);
    std::string text = std::string(periodChosen ? "В выбранном периоде " : "В файле ") +
                       std::to_string(hours) + " часовых свечей, а в базе помещается не более " + limit +
                       ". Последние " + limit + " свечей начинаются " + Stamp(lastStartDate, lastStartHour);
    if (fittingFrom != lastStartDate)
        text += "; с " + IsoDate(fittingFrom) + " помещаются все";
    return text + ".";
}

/// The spread of every hour kept, in tenths of a point, from the file's
/// price steps (a whole number of them; the file's prices show their size):
/// a five- or three-digit quote's step is a tenth of a point, a four- or
/// two-digit quote's a point. None when the file has no spread column; none,
/// and `note` says why, when the column cannot be read as such, for the
/// quotes are built as they always were.
std::vector<std::uint16_t> SpreadTenthsOf(const PeriodHours& hours, std::string& note)
{
    std::vector<std::uint16_t> tenths;
    const std::size_t count = hours.Count();
    if (count == 0 || hours.At(0).Values.Spread == kNoSpread)
        return tenths;
    int decimals = 0;
    for (std::size_t i = 0; i < count; ++i)
        decimals = std::max(decimals, hours.At(i).Values.Decimals);
    const char* kLead = "столбец <SPREAD> не сохранён: ";
    if (decimals < 2 || decimals > 5) {
        note = kLead + std::string("у цен ") + std::to_string(decimals) +
               " знаков после точки, а шаг цены понятен при 2–5";
        return tenths;
    }
    const int stepTenths = decimals % 2 == 1 ? 1 : 10;
    tenths.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const HourBar& h = hours.At(i);
        const long long value = static_cast<long long>(h.Values.Spread) * stepTenths;
        if (h.Values.Spread < 0 || value > kRecordedSpreadMaxTenths) {
            note = kLead + LinePrefix(h.Line) +
                   (h.Values.Spread < 0 ? std::string("спред не целое число шагов цены")
                                        : "спред " + std::to_string(h.Values.Spread) + " шагов цены больше " +
                                              TenthsText(kRecordedSpreadMaxTenths) + " п");
            return {};
        }
        tenths.push_back(static_cast<std::uint16_t>(value));
    }
    return tenths;
}

/// Fills the record with the hours of the period and the days and weeks
/// built from them; refuses an empty period and one of too many hours
/// before the record is touched.
void FillRecord(Instrument& record, std::string_view name, const PeriodHours& hours, HourlySummary& summary)
{
    const std::size_t count = hours.Count();
    if (count == 0)
        throw Error(hours.Chosen() ? "В выбранном периоде нет часовых свечей" : "В файле нет часовых свечей");
    if (count > static_cast<std::size_t>(kLastCandleIndex)) {
        const HourBar& first = hours.At(count - kLastCandleIndex);
        const bool startsItsDay = hours.At(count - kLastCandleIndex - 1).Date != first.Date;
        throw TooManyHoursError(count, hours.Chosen(), first.Date, first.Hour,
                                startsItsDay ? first.Date : first.Date + 1);
    }

    // Times as the three-file import stores a cell "HH:00": its first two characters.
    std::array<ShortString7, 24> hourText{};
    for (int h = 0; h < 24; ++h)
        SetShortString(hourText[h], TwoDigits(h));
    const ShortString7& midnight = hourText[0];
    summary.SpreadTenths = SpreadTenthsOf(hours, summary.SpreadNote);

    StartRecord(record, name);
    int hour = 0, day = 0, week = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const HourBar& h = hours.At(i);
        Start(record.Hour[++hour], h.Date, hourText[h.Hour], h);
        if (day == 0 || record.Day[day].Date != h.Date)
            Start(record.Day[++day], h.Date, midnight, h);
        else
            Merge(record.Day[day], h);
        // An hour on a Sunday belongs to the week that Sunday opens.
        const double sunday = SundayOnOrBefore(h.Date);
        if (week == 0 || record.Week[week].Date != sunday)
            Start(record.Week[++week], sunday, midnight, h);
        else
            Merge(record.Week[week], h);
    }
    summary.Hours = hour;
    summary.Days = day;
    summary.Weeks = week;
}

void CheckShift(int shiftHours)
{
    if (shiftHours < -kMaxShiftHours || shiftHours > kMaxShiftHours)
        throw Error("Сдвиг времени " + std::to_string(shiftHours) + " ч: допустимо от -" +
                    std::to_string(kMaxShiftHours) + " до +" + std::to_string(kMaxShiftHours) + " ч");
}

HourlySummary BuildFromLines(Instrument& record, std::string_view name, TextLines& lines,
                             const QuoteImportSettings& settings, const HourlyProgress& progress)
{
    CheckShift(settings.ShiftHours);
    const TextHead head = ReadHead(lines, kStepLines);
    HourlySummary summary;
    summary.Format = head.Format->Format;
    summary.StepMinutes = StepOf(head);
    PeriodHours hours(settings.Period);
    HourFolder folder(settings.ShiftHours, hours);
    summary.Candles = ReadCandles(lines, head, summary.StepMinutes, folder, progress);
    FillRecord(record, name, hours, summary);
    return summary;
}

/// A refused line of a file names the file; the refusal of too many hours
/// stays as it is for its caller to offer a period that fits.
template <class Work> auto AboutFile(const std::string& path, Work work)
{
    try {
        return work();
    } catch (const TooManyHoursError&) {
        throw;
    } catch (const FileError&) {
        throw;
    } catch (const Error& e) {
        throw FileError(path, e.what());
    }
}

} // namespace

TooManyHoursError::TooManyHoursError(std::size_t hours, bool periodChosen, double lastStartDate,
                                     int lastStartHour, double fittingFrom)
    : Error(TooManyHoursText(hours, periodChosen, lastStartDate, lastStartHour, fittingFrom)), Hours(hours),
      LastStartDate(lastStartDate), LastStartHour(lastStartHour), FittingFrom(fittingFrom)
{
}

std::string HourlyFormatDescription(HourlyFormat format)
{
    return std::string(LayoutOf(format).Description);
}

std::string HourlyFormatList()
{
    std::string list;
    for (const Layout& layout : kLayouts) {
        list += "  ";
        list += layout.Description;
        list += '\n';
    }
    return list;
}

std::string StepText(int stepMinutes)
{
    if (stepMinutes == kHourStepMinutes)
        return "1 час";
    const int tens = stepMinutes % 100, ones = stepMinutes % 10;
    const char* word = "минут";
    if (ones == 1 && tens != 11)
        word = "минута";
    else if (ones >= 2 && ones <= 4 && (tens < 12 || tens > 14))
        word = "минуты";
    return std::to_string(stepMinutes) + ' ' + word;
}

HourlyFormat DetectHourlyFormat(std::string_view text)
{
    TextLines lines(text);
    return ReadHead(lines, 0).Format->Format;
}

QuoteShape DetectQuoteShape(std::string_view text)
{
    TextLines lines(text);
    const TextHead head = ReadHead(lines, kStepLines);
    return {head.Format->Format, StepOf(head)};
}

QuoteShape ReadQuoteFileShape(const std::string& path)
{
    TextLines lines(path, kStepLines * 256);
    const TextHead head = ReadHead(lines, kStepLines);
    return {head.Format->Format, StepOf(head)};
}

HourlySummary BuildInstrumentFromHourly(Instrument& record, std::string_view name, std::string_view text,
                                        const HourlyPeriod& period, const HourlyProgress& progress)
{
    return BuildInstrumentFromQuotes(record, name, text, {period, 0}, progress);
}

HourlySummary BuildInstrumentFromQuotes(Instrument& record, std::string_view name, std::string_view text,
                                        const QuoteImportSettings& settings, const HourlyProgress& progress)
{
    TextLines lines(text);
    return BuildFromLines(record, name, lines, settings, progress);
}

HourlySummary BuildInstrumentFromQuoteFile(Instrument& record, std::string_view name,
                                           const std::string& quoteFile, const QuoteImportSettings& settings,
                                           const HourlyProgress& progress)
{
    return AboutFile(quoteFile, [&] {
        TextLines lines(quoteFile);
        return BuildFromLines(record, name, lines, settings, progress);
    });
}

HourlySummary MakeBaseFromQuoteFile(const std::string& basePath, std::string_view name,
                                    const std::string& quoteFile, const QuoteImportSettings& settings,
                                    const HourlyProgress& progress, InstrumentTable& table)
{
    // An import switches the dates shown to "yyyy mm dd". The window sets it
    // before it hands this to a worker, so there it is only read.
    if (ActiveDateFormat() != kImportDateFormat)
        SetActiveDateFormat(kImportDateFormat);
    Instrument& scratch = table.ScratchSlot();
    const HourlySummary summary = BuildInstrumentFromQuoteFile(scratch, name, quoteFile, settings, progress);
    table.SetSpread(kScratchSlot, RecordedSpread(summary.SpreadTenths));
    WriteBaseAndSpread(basePath, scratch, summary.SpreadTenths);
    return summary;
}

HourlySummary MakeBaseFromHourlyFile(const std::string& basePath, std::string_view name,
                                     const std::string& hourlyFile, const HourlyPeriod& period,
                                     const HourlyProgress& progress, InstrumentTable& table)
{
    return MakeBaseFromQuoteFile(basePath, name, hourlyFile, {period, 0}, progress, table);
}

} // namespace quillet
