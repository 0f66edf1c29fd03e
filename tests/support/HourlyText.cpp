#include "support/HourlyText.h"

#include <cstdio>
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
    const std::string hh = Pad(q.Hour, 2);
    const std::string prices = q.Open + ',' + q.High + ',' + q.Low + ',' + q.Close;
    switch (format) {
    case HourlyFormat::QuoteLine:
        return ymd + ',' + hh + ":00," + prices + ',' + q.Volume;
    case HourlyFormat::DateTimeComma:
        return ymd + ' ' + hh + ":00," + prices + ',' + q.Volume;
    case HourlyFormat::TabBracketed:
        return ymd + '\t' + hh + ":00:00\t" + q.Open + '\t' + q.High + '\t' + q.Low + '\t' + q.Close + '\t' +
               q.Volume + "\t0\t" + q.Spread;
    case HourlyFormat::SemicolonCompact:
        return Pad(q.Year, 4) + Pad(q.Month, 2) + Pad(q.Day, 2) + ' ' + hh + "0000;" + q.Open + ';' + q.High +
               ';' + q.Low + ';' + q.Close + ";0";
    case HourlyFormat::DayFirstSeconds:
        return Pad(q.Day, 2) + '.' + Pad(q.Month, 2) + '.' + Pad(q.Year, 4) + ' ' + hh + ":00:00.000," +
               prices + ',' + q.Volume;
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

} // namespace

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
