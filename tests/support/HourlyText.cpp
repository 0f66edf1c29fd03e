#include "support/HourlyText.h"

#include "model/Dates.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <stdexcept>

namespace quillet::test {
namespace {

std::string Pad(int value, int width)
{
    std::string s = std::to_string(value);
    return std::string(static_cast<std::size_t>(width) - std::min<std::size_t>(s.size(), width), '0') + s;
}

std::string Line(HourlyFormat format, const HourQuote& q)
{
    const std::string ymd = Pad(q.Year, 4) + '.' + Pad(q.Month, 2) + '.' + Pad(q.Day, 2);
    const std::string hh = Pad(q.Hour, 2), mm = Pad(q.Minute, 2);
    const std::string prices = q.Open + ',' + q.High + ',' + q.Low + ',' + q.Close;
    switch (format) {
    case HourlyFormat::QuoteLine:
        return ymd + ',' + hh + ':' + mm + ',' + prices + ',' + q.Volume;
    case HourlyFormat::DateTimeComma:
        return ymd + ' ' + hh + ':' + mm + ',' + prices + ',' + q.Volume;
    case HourlyFormat::TabBracketed:
        return ymd + '\t' + hh + ':' + mm + ":00\t" + q.Open + '\t' + q.High + '\t' + q.Low + '\t' + q.Close +
               '\t' + q.Volume + "\t0\t" + q.Spread;
    case HourlyFormat::SemicolonCompact:
        return Pad(q.Year, 4) + Pad(q.Month, 2) + Pad(q.Day, 2) + ' ' + hh + mm + "00;" + q.Open + ';' +
               q.High + ';' + q.Low + ';' + q.Close + ";0";
    case HourlyFormat::DayFirstSeconds:
        return Pad(q.Day, 2) + '.' + Pad(q.Month, 2) + '.' + Pad(q.Year, 4) + ' ' + hh + ':' + mm +
               ":00.000," + prices + ',' + q.Volume;
    }
    throw std::logic_error("no such format");
}

const char* Heading(HourlyFormat format)
{
    switch (format) {
    case HourlyFormat::DateTimeComma:
        return "Date,Open,High,Low,Close,Volume";
    case HourlyFormat::TabBracketed:
        return "<DATE>\t<TIME>\t<OPEN>\t<HIGH>\t<LOW>\t<CLOSE>\t<TICKVOL>\t<VOL>\t<SPREAD>";
    case HourlyFormat::DayFirstSeconds:
        return "Gmt time,Open,High,Low,Close,Volume";
    default:
        return nullptr;
    }
}

/// A price text between the two (their values compared), for a price a
/// minute may take on its way.
const std::string& Higher(const std::string& a, const std::string& b)
{
    return std::stod(a) >= std::stod(b) ? a : b;
}

const std::string& Lower(const std::string& a, const std::string& b)
{
    return std::stod(a) <= std::stod(b) ? a : b;
}

/// The candles of one hour at the given minutes.
void AppendMinutes(const HourQuote& h, const std::vector<int>& minutes, std::mt19937_64& rng,
                   std::vector<HourQuote>& out)
{
    const std::size_t n = minutes.size();
    const std::size_t highAt = rng() % n, lowAt = rng() % n;
    std::string open = h.Open;
    for (std::size_t k = 0; k < n; ++k) {
        const std::string close = k + 1 == n ? h.Close : (rng() % 2 ? h.Open : h.Close);
        const std::string high = k == highAt ? h.High : Higher(open, close);
        const std::string low = k == lowAt ? h.Low : Lower(open, close);
        out.push_back({h.Year, h.Month, h.Day, h.Hour, open, high, low, close, std::to_string(rng() % 90 + 1),
                       h.Spread, minutes[k]});
        open = close;
    }
}

} // namespace

std::vector<HourQuote> SplitIntoMinutes(const std::vector<HourQuote>& hours, int step, std::uint64_t seed,
                                        std::size_t wholeLines)
{
    std::mt19937_64 rng(seed);
    std::vector<HourQuote> out;
    for (const HourQuote& h : hours) {
        std::vector<int> minutes;
        const bool whole = out.size() < wholeLines;
        for (int m = 0; m < 60; m += step)
            if (whole || rng() % 3 != 0)
                minutes.push_back(m);
        if (minutes.empty())
            minutes.push_back(static_cast<int>(rng() % (60 / step)) * step);
        AppendMinutes(h, minutes, rng, out);
    }
    return out;
}

std::vector<HourQuote> Shifted(std::vector<HourQuote> quotes, int hours)
{
    for (HourQuote& q : quotes) {
        const int hour = q.Hour + hours;
        const int days = hour >= 0 ? hour / 24 : -((23 - hour) / 24);
        CivilDate c{};
        DecodeDate(DateSerial(q.Year, q.Month, q.Day) + days, c);
        q.Year = c.Year;
        q.Month = c.Month;
        q.Day = c.Day;
        q.Hour = hour - days * 24;
    }
    return quotes;
}

std::vector<HourQuote> RandomHours(int count, std::uint64_t seed)
{
    std::mt19937_64 rng(seed);
    std::vector<HourQuote> hours;
    const auto text = [](long long ticks) {
        return std::to_string(ticks / 100'000) + '.' + std::to_string(100'000 + ticks % 100'000).substr(1);
    };
    long long price = 130'000;
    int at = 0; // hours since the first
    for (int i = 0; i < count; ++i, ++at) {
        if (rng() % 10 == 0)
            at += static_cast<int>(rng() % 30);
        CivilDate c{};
        DecodeDate(DateSerial(2000, 1, 2) + at / 24, c);
        const long long close = std::max<long long>(price + static_cast<long long>(rng() % 201) - 100, 1000);
        const long long high = std::max(price, close) + static_cast<long long>(rng() % 40);
        const long long low =
            std::max<long long>(std::min(price, close) - static_cast<long long>(rng() % 40), 500);
        hours.push_back({c.Year, c.Month, c.Day, at % 24, text(price), text(high), text(low), text(close)});
        price = close;
    }
    return hours;
}

std::string HourlyText(HourlyFormat format, const std::vector<HourQuote>& quotes, const TextStyle& style)
{
    std::string text;
    text.reserve(quotes.size() * 64 + 128);
    if (style.ByteOrderMark)
        text += "\xEF\xBB\xBF";
    if (style.BlankLines)
        text += style.LineEnd;
    if (const char* heading = Heading(format)) {
        text += heading;
        text += style.LineEnd;
    }
    for (std::size_t i = 0; i < quotes.size(); ++i) {
        if (style.BlankLines && i == quotes.size() / 2)
            text += std::string("  \t") + style.LineEnd;
        text += Line(format, quotes[i]);
        text += style.LineEnd;
    }
    if (style.BlankLines)
        text += std::string(style.LineEnd) + style.LineEnd;
    return text;
}

std::vector<HourQuote> ParseQuoteLines(std::string_view text)
{
    std::vector<HourQuote> quotes;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            continue;
        std::vector<std::string> f;
        std::size_t start = 0;
        for (;;) {
            const std::size_t comma = line.find(',', start);
            f.emplace_back(line.substr(start, comma == std::string_view::npos ? comma : comma - start));
            if (comma == std::string_view::npos)
                break;
            start = comma + 1;
        }
        if (f.size() < 7 || f[0].size() != 10 || f[1].size() != 5)
            throw std::runtime_error("not a quote line: " + std::string(line));
        quotes.push_back({std::stoi(f[0].substr(0, 4)), std::stoi(f[0].substr(5, 2)),
                          std::stoi(f[0].substr(8, 2)), std::stoi(f[1].substr(0, 2)), f[2], f[3], f[4], f[5],
                          f[6]});
    }
    return quotes;
}

} // namespace quillet::test
