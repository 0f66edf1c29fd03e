#include "model/Dates.h"

#include "model/Errors.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <optional>

namespace quillet {
namespace {

std::string& ActiveFormatStorage()
{
    static std::string format(kRegionalDateFormat);
    return format;
}

// Days from 1970-01-01 for a proleptic Gregorian date, and back
// (the well-known era-based conversion).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

CivilDate CivilFromDays(std::int64_t z)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

constexpr std::int64_t kSerialEpochFromUnix = -25569; // 1899-12-30
constexpr double kFirstSerial = -693593;              // 0001-01-01
constexpr double kLastSerial = 2958465;               // 9999-12-31

bool IsLeap(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m)
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

int CurrentYear()
{
    using namespace std::chrono;
    const year_month_day today{floor<days>(system_clock::now())};
    return static_cast<int>(today.year());
}

enum class FieldOrder { YearFirst, DayFirst, MonthFirst };

FieldOrder OrderOf(std::string_view format)
{
    for (const char c : format) {
        switch (c) {
        case 'y':
        case 'Y':
            return FieldOrder::YearFirst;
        case 'd':
        case 'D':
            return FieldOrder::DayFirst;
        case 'm':
        case 'M':
            return FieldOrder::MonthFirst;
        default:
            break;
        }
    }
    return FieldOrder::DayFirst;
}

// A cursor over the date text: blanks are skipped before numbers and separators.
struct Scanner {
    std::string_view text;
    std::size_t pos = 0;

    void SkipBlanks()
    {
        while (pos < text.size() && text[pos] == ' ')
            ++pos;
    }

    struct Number {
        int value;
        int digits;
    };

    std::optional<Number> ScanNumber()
    {
        SkipBlanks();
        // A value held at the run's limit is far beyond any valid field and
        // is refused with the date.
        const DigitRun run = ScanDigits(text, pos);
        if (run.Digits == 0)
            return std::nullopt;
        return Number{run.Value, run.Digits};
    }

    bool ScanSeparator()
    {
        SkipBlanks();
        if (pos < text.size() && text[pos] == '.') {
            ++pos;
            return true;
        }
        return false;
    }

    bool AtEnd()
    {
        SkipBlanks();
        return pos == text.size();
    }
};

int WindowedYear(const Scanner::Number& y)
{
    if (y.digits > 2)
        return y.value;
    const int start = CurrentYear() - 50;
    int year = start - start % 100 + y.value;
    if (year < start)
        year += 100;
    return year;
}

std::optional<double> TryParseDate(std::string_view text, std::string_view format)
{
    Scanner s{text};
    const auto n1 = s.ScanNumber();
    if (!n1 || !s.ScanSeparator())
        return std::nullopt;
    const auto n2 = s.ScanNumber();
    if (!n2)
        return std::nullopt;
    const FieldOrder order = OrderOf(format);
    int y, m, d;
    if (s.ScanSeparator()) {
        const auto n3 = s.ScanNumber();
        if (!n3)
            return std::nullopt;
        s.ScanSeparator(); // one trailing separator is allowed
        switch (order) {
        case FieldOrder::YearFirst:
            y = WindowedYear(*n1);
            m = n2->value;
            d = n3->value;
            break;
        case FieldOrder::DayFirst:
            d = n1->value;
            m = n2->value;
            y = WindowedYear(*n3);
            break;
        default:
            m = n1->value;
            d = n2->value;
            y = WindowedYear(*n3);
            break;
        }
    } else {
        y = CurrentYear();
        if (order == FieldOrder::DayFirst) {
            d = n1->value;
            m = n2->value;
        } else {
            m = n1->value;
            d = n2->value;
        }
    }
    if (!s.AtEnd())
        return std::nullopt;
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m))
        return std::nullopt;
    return DateSerial(y, m, d);
}

void AppendPadded(std::string& out, int value, int width)
{
    std::string digits = std::to_string(value);
    if (static_cast<int>(digits.size()) < width)
        out.append(width - digits.size(), '0');
    out += digits;
}

// Length of the run of the same letter (either case) starting at format[i].
std::size_t RunLength(std::string_view format, std::size_t i)
{
    const char lower = static_cast<char>(format[i] | 0x20);
    std::size_t n = 0;
    while (i + n < format.size() && static_cast<char>(format[i + n] | 0x20) == lower)
        ++n;
    return n;
}

} // namespace

const std::string& ActiveDateFormat()
{
    return ActiveFormatStorage();
}

void SetActiveDateFormat(std::string_view format)
{
    ActiveFormatStorage() = format;
}

DigitRun ScanDigits(std::string_view text, std::size_t& pos)
{
    constexpr int kLimit = 999'999'999;
    DigitRun run{0, 0};
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        const int digit = text[pos] - '0';
        run.Value = run.Value > (kLimit - digit) / 10 ? kLimit : run.Value * 10 + digit;
        ++run.Digits;
        ++pos;
    }
    return run;
}

double DateSerial(int year, int month, int day)
{
    return static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
                               kSerialEpochFromUnix);
}

bool DecodeDate(double serial, CivilDate& out)
{
    if (!(serial >= kFirstSerial && serial < kLastSerial + 1))
        return false;
    out = CivilFromDays(static_cast<std::int64_t>(std::trunc(serial)) + kSerialEpochFromUnix);
    return true;
}

double ParseDate(std::string_view text)
{
    return ParseDate(text, ActiveDateFormat());
}

double ParseDate(std::string_view text, std::string_view format)
{
    if (const auto serial = TryParseDate(text, format))
        return *serial;
    ThrowInvalidDate(std::string(text));
}

std::string FormatDate(double serial)
{
    return FormatDate(serial, ActiveDateFormat());
}

std::string FormatDate(double serial, std::string_view format)
{
    CivilDate date{};
    const bool valid = DecodeDate(serial, date);
    std::string out;
    for (std::size_t i = 0; i < format.size();) {
        const char c = static_cast<char>(format[i] | 0x20);
        if (c != 'y' && c != 'm' && c != 'd') {
            out += format[i++];
            continue;
        }
        const std::size_t run = RunLength(format, i);
        i += run;
        int value = c == 'y' ? date.Year : c == 'm' ? date.Month : date.Day;
        int width = run >= 2 ? 2 : 1;
        if (c == 'y') {
            width = run >= 3 ? 4 : 2;
            if (run < 3)
                value %= 100;
        }
        if (valid)
            AppendPadded(out, value, width);
        else
            out.append(static_cast<std::size_t>(width), '?');
    }
    return out;
}

} // namespace quillet
