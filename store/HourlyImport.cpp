#include "store/HourlyImport.h"

#include "model/Cp1251.h"
#include "model/Dates.h"
#include "model/Numbers.h"
#include "model/RecordedSpread.h"
#include "model/TradeCosts.h"
#include "store/Files.h"
#include "store/QuoteImport.h"
#include "store/SpreadFile.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace quillet {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
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

/// The lines of a quote text as every text file is cut; a CR left at the
/// very end of the text, which a file cut short may carry, is dropped too.
class LineReader {
  public:
    explicit LineReader(std::string_view text) : text_(text), lines_(text) {}

    bool Next(std::string_view& line)
    {
        if (!lines_.Next(line))
            return false;
        const bool lastWithoutEnd = lines_.Position() == text_.size() && text_.back() != '\n';
        if (lastWithoutEnd && !line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        return true;
    }

    int Number() const { return lines_.Number(); }
    std::size_t Position() const { return lines_.Position(); }

  private:
    std::string_view text_;
    TextLineReader lines_;
};

/// The text after an optional byte-order mark; `utf8` tells whether there was one.
std::string_view WithoutBom(std::string_view text, bool& utf8)
{
    utf8 = text.substr(0, kUtf8Bom.size()) == kUtf8Bom;
    return utf8 ? text.substr(kUtf8Bom.size()) : text;
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
// Reading the hours

constexpr int kNoSpread = -1;
constexpr int kBadSpread = -2;

struct HourBar {
    double Date;
    int Hour;
    int Line;
    double Open, High, Low, Close;
    int Spread = kNoSpread; // the <SPREAD> column, in the quote's smallest steps; kBadSpread: no number
    int Decimals = 0;       // the most decimals of the four prices as written
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

class HourReader {
  public:
    HourReader(const Layout& layout, bool utf8) : layout_(layout), utf8_(utf8) {}

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

    HourBar Read(std::string_view line, int number)
    {
        const int needed = layout_.FirstPrice + 4;
        std::string_view fields[6];
        if (SplitFields(line, layout_.Separator, fields, needed) < needed)
            throw Error(LinePrefix(number) + "не хватает полей (нужно не меньше " + std::to_string(needed) +
                        "): '" + Quoted(line, utf8_) + "'");
        HourBar bar{};
        bar.Line = number;
        ReadStamp(StampTextsOf(layout_, fields), number, bar);
        double* const prices[] = {&bar.Open, &bar.High, &bar.Low, &bar.Close};
        for (int i = 0; i < 4; ++i) {
            *prices[i] = ReadPrice(fields[layout_.FirstPrice + i], number, kPriceNames[i]);
            bar.Decimals = std::max(bar.Decimals, DecimalsOf(fields[layout_.FirstPrice + i]));
        }
        const int count = FieldCount(line, layout_.Separator);
        if (fieldCount_ != 0 && count != fieldCount_)
            throw Error(LinePrefix(number) + "полей " + std::to_string(count) + ", а " +
                        (countFromHeading_ ? "в заголовке " : "в первой строке ") +
                        std::to_string(fieldCount_) + " (цены с десятичной запятой?): '" +
                        Quoted(line, utf8_) + "'");
        CheckCandle(prices, fields + layout_.FirstPrice, number);
        if (spreadColumn_ >= 0)
            bar.Spread = ReadSpread(line);
        return bar;
    }

  private:
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

    void ReadStamp(const StampTexts& t, int number, HourBar& bar)
    {
        Moment m;
        if (!ReadDateShape(layout_.Format, t.Date, m))
            ThrowBadDate(t.DateField, number);
        if (!ReadTimeShape(layout_.Format, t.Time, m))
            ThrowBadTime(t.TimeField, number);
        // An hourly file holds up to 24 lines of one date in a row; the
        // date is checked once.
        if (m.Year != last_.Year || m.Month != last_.Month || m.Day != last_.Day) {
            const double serial = DateSerial(m.Year, m.Month, m.Day);
            CivilDate back{};
            if (m.Year < 1 || m.Month < 1 || m.Month > 12 || m.Day < 1 || m.Day > 31 ||
                !DecodeDate(serial, back) || back.Year != m.Year || back.Month != m.Month ||
                back.Day != m.Day)
                ThrowBadDate(t.DateField, number);
            last_ = {m.Year, m.Month, m.Day};
            lastSerial_ = serial;
        }
        if (m.Hour > 23 || m.Minute > 59 || m.Second > 59)
            ThrowBadTime(t.TimeField, number);
        // Finer data would give several candles the same hour.
        if (m.Minute != 0 || m.Second != 0 || m.Fraction != 0)
            throw Error(LinePrefix(number) + "время '" + Quoted(t.TimeField, utf8_) +
                        "' не начало часа: нужны часовые свечи");
        bar.Date = lastSerial_;
        bar.Hour = m.Hour;
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
        // The very cell the three-file import makes of a price, read by the
        // very same conversion.
        try {
            return ParsePrice(PriceCell(field));
        } catch (const Error&) {
            throw Error(LinePrefix(number) + "неверная цена " + column + " '" + Quoted(field, utf8_) + "'");
        }
    }

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

    const Layout& layout_;
    bool utf8_;
    int spreadColumn_ = -1;
    int fieldCount_ = 0; // 0 until the first line sets it
    bool countFromHeading_ = false;
    CivilDate last_{-1, -1, -1}; // the last date that passed; none at first
    double lastSerial_ = 0;
};

bool Later(const HourBar& a, const HourBar& b)
{
    return a.Date > b.Date || (a.Date == b.Date && a.Hour > b.Hour);
}

/// Every hour of the text, checked line by line.
std::vector<HourBar> ReadHours(std::string_view text, HourlyFormat& format, const HourlyProgress& progress)
{
    format = DetectHourlyFormat(text);
    bool utf8 = false;
    const std::string_view body = WithoutBom(text, utf8);
    const Layout& layout = LayoutOf(format);
    HourReader reader(layout, utf8);

    std::vector<HourBar> hours;
    hours.reserve(body.size() / 40 + 16);
    LineReader lines(body);
    std::string_view line;
    bool first = true;
    while (lines.Next(line)) {
        if (IsBlank(line))
            continue;
        if (first) {
            first = false;
            const bool heading = IsHeading(layout, line);
            reader.SetFieldCount(FieldCount(line, layout.Separator), heading);
            if (heading) {
                reader.SetSpreadColumn(SpreadColumn(layout, line));
                continue;
            }
        }
        const HourBar bar = reader.Read(line, lines.Number());
        if (!hours.empty() && !Later(bar, hours.back()))
            throw Error(LinePrefix(lines.Number()) + Stamp(bar.Date, bar.Hour) + " не позже " +
                        Stamp(hours.back().Date, hours.back().Hour) + " в строке " +
                        std::to_string(hours.back().Line) + ": дата и время должны возрастать");
        hours.push_back(bar);
        if (progress && lines.Number() % kLinesPerProgressStep == 0)
            progress(lines.Position(), body.size());
    }
    if (progress)
        progress(body.size(), body.size());
    return hours;
}

/// The Sunday on or before a date: 30 December 1899, day 0, was a Saturday.
double SundayOnOrBefore(double date)
{
    const auto day = static_cast<std::int64_t>(date);
    const std::int64_t sinceSunday = ((day - 1) % 7 + 7) % 7;
    return static_cast<double>(day - sinceSunday);
}

void Merge(Candle& c, const HourBar& h)
{
    if (h.High > c.High)
        c.High = h.High;
    if (h.Low < c.Low)
        c.Low = h.Low;
    c.Close = h.Close;
}

void Start(Candle& c, double date, const ShortString7& time, const HourBar& h)
{
    c.Date = date;
    c.Time = time;
    c.Open = h.Open;
    c.High = h.High;
    c.Low = h.Low;
    c.Close = h.Close;
}

/// The spread of every hour kept, in tenths of a point, from the file's
/// price steps (a whole number of them; the file's prices show their size):
/// a five- or three-digit quote's step is a tenth of a point, a four- or
/// two-digit quote's a point. None when the file has no spread column; none,
/// and `note` says why, when the column cannot be read as such, for the
/// quotes are built as they always were.
template <class Hours> std::vector<std::uint16_t> SpreadTenthsOf(Hours begin, Hours end, std::string& note)
{
    std::vector<std::uint16_t> tenths;
    if (begin == end || begin->Spread == kNoSpread)
        return tenths;
    int decimals = 0;
    for (auto it = begin; it != end; ++it)
        decimals = std::max(decimals, it->Decimals);
    const char* kLead = "столбец <SPREAD> не сохранён: ";
    if (decimals < 2 || decimals > 5) {
        note = kLead + std::string("у цен ") + std::to_string(decimals) +
               " знаков после точки, а шаг цены понятен при 2–5";
        return tenths;
    }
    const int stepTenths = decimals % 2 == 1 ? 1 : 10;
    tenths.reserve(static_cast<std::size_t>(end - begin));
    for (auto it = begin; it != end; ++it) {
        const long long value = static_cast<long long>(it->Spread) * stepTenths;
        if (it->Spread < 0 || value > kRecordedSpreadMaxTenths) {
            note = kLead + LinePrefix(it->Line) +
                   (it->Spread < 0 ? std::string("спред не целое число шагов цены")
                                   : "спред " + std::to_string(it->Spread) + " шагов цены больше " +
                                         TenthsText(kRecordedSpreadMaxTenths) + " п");
            return {};
        }
        tenths.push_back(static_cast<std::uint16_t>(value));
    }
    return tenths;
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

HourlyFormat DetectHourlyFormat(std::string_view text)
{
    bool utf8 = false;
    LineReader lines(WithoutBom(text, utf8));
    std::string_view line;
    while (lines.Next(line) && IsBlank(line)) {
    }
    if (line.empty() || IsBlank(line))
        throw Error("В файле нет ни одной строки котировок. Известные форматы часовых файлов:\n" +
                    HourlyFormatList());
    for (const Layout& layout : kLayouts)
        if (IsHeading(layout, line) || LooksLikeQuote(layout, line))
            return layout.Format;
    throw Error("Неизвестный формат часового файла, первая строка: '" + Quoted(line, utf8) +
                "'. Известные форматы:\n" + HourlyFormatList());
}

HourlySummary BuildInstrumentFromHourly(Instrument& record, std::string_view name, std::string_view text,
                                        const HourlyPeriod& period, const HourlyProgress& progress)
{
    HourlySummary summary;
    const std::vector<HourBar> all = ReadHours(text, summary.Format, progress);

    // Dates rise strictly, so the period is one run of the hours.
    auto begin = all.begin();
    auto end = all.end();
    if (period.From)
        begin = std::partition_point(all.begin(), all.end(),
                                     [&](const HourBar& h) { return h.Date < *period.From; });
    if (period.To)
        end = std::partition_point(begin, all.end(), [&](const HourBar& h) { return h.Date <= *period.To; });
    const bool periodChosen = period.From || period.To;
    const auto count = static_cast<std::size_t>(end - begin);
    if (count == 0)
        throw Error(periodChosen ? "В выбранном периоде нет часовых свечей" : "В файле нет часовых свечей");
    if (count > static_cast<std::size_t>(kLastCandleIndex)) {
        const auto first = end - kLastCandleIndex;
        const bool startsItsDay = (first - 1)->Date != first->Date;
        throw TooManyHoursError(count, periodChosen, first->Date, first->Hour,
                                startsItsDay ? first->Date : first->Date + 1);
    }

    // Times as the three-file import stores a cell "HH:00": its first two characters.
    std::array<ShortString7, 24> hourText{};
    for (int h = 0; h < 24; ++h)
        SetShortString(hourText[h], TwoDigits(h));
    const ShortString7& midnight = hourText[0];
    summary.SpreadTenths = SpreadTenthsOf(begin, end, summary.SpreadNote);

    StartRecord(record, name);
    int hour = 0, day = 0, week = 0;
    for (auto it = begin; it != end; ++it) {
        Start(record.Hour[++hour], it->Date, hourText[it->Hour], *it);
        if (day == 0 || record.Day[day].Date != it->Date)
            Start(record.Day[++day], it->Date, midnight, *it);
        else
            Merge(record.Day[day], *it);
        // An hour on a Sunday belongs to the week that Sunday opens.
        const double sunday = SundayOnOrBefore(it->Date);
        if (week == 0 || record.Week[week].Date != sunday)
            Start(record.Week[++week], sunday, midnight, *it);
        else
            Merge(record.Week[week], *it);
    }
    summary.Hours = hour;
    summary.Days = day;
    summary.Weeks = week;
    return summary;
}

HourlySummary MakeBaseFromHourlyFile(const std::string& basePath, std::string_view name,
                                     const std::string& hourlyFile, const HourlyPeriod& period,
                                     const HourlyProgress& progress, InstrumentTable& table)
{
    // An import switches the dates shown to "yyyy mm dd". The window sets it
    // before it hands this to a worker, so there it is only read.
    if (ActiveDateFormat() != kImportDateFormat)
        SetActiveDateFormat(kImportDateFormat);
    const std::string text = ReadFileBytes(hourlyFile);
    Instrument& scratch = table.ScratchSlot();
    HourlySummary summary;
    try {
        summary = BuildInstrumentFromHourly(scratch, name, text, period, progress);
    } catch (const TooManyHoursError&) {
        throw; // its caller offers a period that fits, about this file
    } catch (const Error& e) {
        throw FileError(hourlyFile, e.what());
    }
    table.SetSpread(kScratchSlot, RecordedSpread(summary.SpreadTenths));
    WriteBaseAndSpread(basePath, scratch, summary.SpreadTenths);
    return summary;
}

} // namespace quillet
