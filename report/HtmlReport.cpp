#include "report/HtmlReport.h"

#include "report/Catalogue.h"
#include "report/FigureTexts.h"
#include "report/SweepTexts.h"

#include "analysis/EquityCurve.h"
#include "analysis/TradeStats.h"
#include "analysis/WalkForward.h"
#include "model/Dates.h"
#include "model/Numbers.h"
#include "model/TradeCosts.h"
#include "report/ReportCaptions.h"
#include "report/SinglePairReport.h"
#include "report/TradeColumns.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <utility>

namespace quillet {
namespace {

// The report keeps the window's date texts whatever format is in force.
constexpr std::string_view kDateFormat = kRegionalDateFormat;

constexpr std::string_view kStyle =
    "body{font-family:sans-serif;margin:24px;color:#222}"
    "h1{font-size:22px}h2{font-size:17px;margin-top:28px;border-bottom:1px solid #ccc}"
    "table{border-collapse:collapse;font-size:13px}"
    "td,th{border:1px solid #ddd;padding:3px 8px}th{background:#f2f2f2;text-align:left}"
    "td.n{text-align:right}td.sub{padding-left:24px}tr.h th{background:#e6eef7}"
    "table.trades{font-size:12px}table.trades td{white-space:nowrap}svg{display:block;margin:8px 0}";

// A coordinate with one decimal and ".", whatever the locale.
std::string Coord(double v)
{
    if (!std::isfinite(v))
        v = 0;
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, std::round(v * 10) / 10, std::chars_format::fixed, 1);
    return std::string(buf, r.ptr);
}

std::string Element(std::string_view tag, std::string_view text)
{
    std::string s;
    s.append("<").append(tag).append(">").append(EscapeHtml(text)).append("</").append(tag).append(">");
    return s;
}

std::string Attribute(std::string_view name, std::string_view value)
{
    if (value.empty())
        return {};
    return std::string(" ").append(name).append("=\"").append(EscapeHtml(value)).append("\"");
}

std::string PointsText(std::int64_t tenths)
{
    return TenthsText(tenths, ',');
}

// The dates and indices of the first and last weeks with data of a range.
std::string PeriodText(WeekRange weeks, const Instrument& instrument)
{
    const int end = FirstEmptyIndex(instrument.Week, 1);
    int first = std::max(weeks.First, 0);
    int last = std::min(weeks.Last, end - 1);
    while (first <= last && !CandleExists(instrument.Week[first]))
        ++first;
    while (last >= first && !CandleExists(instrument.Week[last]))
        --last;
    if (first > last)
        return "нет недель";
    return FormatDate(instrument.Week[first].Date, kDateFormat) + " – " +
           FormatDate(instrument.Week[last].Date, kDateFormat) + " (недели " + std::to_string(first) + "–" +
           std::to_string(last) + ")";
}

// The window's line of the costs without its own "Издержки: ", which the
// row's caption says already.
std::string CostsText(const TradeCosts& costs)
{
    constexpr std::string_view kLead = "Издержки: ";
    std::string text = TradeCostsCaption(costs);
    if (text.starts_with(kLead))
        text.erase(0, kLead.size());
    return text;
}

std::vector<ReportFact> ParameterFacts(const BacktestParams& params, const Instrument& instrument)
{
    return {
        {"Инструмент", params.PairName, "pair"},
        {"Период", PeriodText({params.FirstWeek, params.LastWeek}, instrument), "period"},
        {"Минимальное тело недельной свечи", std::to_string(params.SignalMinPoints) + " п", "signal"},
        {"Стоп-лосс", std::to_string(params.StopLossPoints) + " п", "sl"},
        {"Тейк-профит", std::to_string(params.TakeProfitPoints) + " п", "tp"},
        {"Удержание позиции, не более", std::to_string(params.HoldLimit + 1) + " ч", "hold"},
        {"Издержки", CostsText(params.Costs), "costs"},
    };
}

std::vector<ReportFact> ResultFacts(const SinglePairReport& report)
{
    std::vector<ReportFact> facts;
    for (const CaptionLine& line : kCaptionLines) {
        ReportFact fact{line.Caption, {}, {}, line.Label == nullptr, line.Indented};
        if (line.Label) {
            fact.Key = line.Label;
            for (const LabelText& l : report.Labels)
                if (l.Label == line.Label)
                    fact.Value = l.Text;
        }
        facts.push_back(std::move(fact));
    }
    return facts;
}

std::vector<ReportFact> FigureFacts(const TradeStats& stats)
{
    std::vector<ReportFact> facts;
    for (const FigureText& figure : FigureTexts(stats))
        facts.push_back({FigureCaption(figure), figure.Value, figure.Key});
    return facts;
}

ReportTable YearTable(const TradeStats& stats)
{
    ReportTable t{"years",
                  {"Год", "Сделок", "Прибыльных", "Итог (пп)", "Просадка (пп)"},
                  {true, true, true, true, true},
                  {}};
    for (const YearFigures& y : stats.ByYear)
        t.Rows.push_back({std::to_string(y.Year), std::to_string(y.Trades), std::to_string(y.Wins),
                          PointsText(y.NetTenths), PointsText(y.MaxDrawdownTenths)});
    return t;
}

// Every column with the costs'; the entry's spread only at a recorded spread.
ReportTable TradeTable(const std::vector<ClosedTrade>& trades, bool withEntrySpread)
{
    const EquityCurve gross = MakeEquityCurve(trades);
    const EquityCurve net = MakeNetEquityCurve(trades);
    const auto columns = static_cast<std::size_t>(TradeColumnsShown(true, withEntrySpread));
    ReportTable t{"trades", {}, {}, {}};
    for (std::size_t c = 0; c < columns; ++c) {
        t.Header.emplace_back(kTradeColumns[c].ReportHeading);
        t.Numeric.push_back(kTradeColumns[c].Number);
    }
    t.Rows.reserve(trades.size());
    for (std::size_t i = 0; i < trades.size(); ++i) {
        std::vector<std::string>& row = t.Rows.emplace_back();
        for (std::size_t c = 0; c < columns; ++c)
            row.push_back(TradeCellText(trades[i], kTradeColumns[c].Id,
                                        {gross.Cumulative[i], net.Cumulative[i]}, ReaderForm(kDateFormat)));
    }
    return t;
}

// The price axis of a picture: a price's height in pixels.
struct Scale {
    double Low;
    double High;
    double Top;
    double Height;
    double operator()(double v) const
    {
        return High > Low ? Top + (High - v) / (High - Low) * Height : Top + Height / 2;
    }
};

// Candles from `x0` on, `step` apart; returns their markup.
std::string CandleMarks(const std::vector<PictureCandle>& candles, double x0, double step, const Scale& y)
{
    std::string s;
    const double body = std::max(step * 0.6, 1.0);
    for (std::size_t i = 0; i < candles.size(); ++i) {
        const PictureCandle& c = candles[i];
        const double x = x0 + step * static_cast<double>(i) + step / 2;
        const bool up = c.Close >= c.Open;
        const std::string colour = up ? "#2e8b57" : "#c0392b";
        s += "<line x1=\"" + Coord(x) + "\" y1=\"" + Coord(y(c.High)) + "\" x2=\"" + Coord(x) + "\" y2=\"" +
             Coord(y(c.Low)) + "\" stroke=\"" + colour + "\"/>";
        const double top = y(std::max(c.Open, c.Close));
        const double bottom = y(std::min(c.Open, c.Close));
        s += "<rect x=\"" + Coord(x - body / 2) + "\" y=\"" + Coord(top) + "\" width=\"" + Coord(body) +
             "\" height=\"" + Coord(std::max(bottom - top, 0.5)) + "\" fill=\"" + (up ? "#ffffff" : colour) +
             "\" stroke=\"" + colour + "\"/>";
    }
    return s;
}

std::string Text(double x, double y, std::string_view text, std::string_view anchor = "start")
{
    return "<text x=\"" + Coord(x) + "\" y=\"" + Coord(y) + "\" font-size=\"11\" text-anchor=\"" +
           std::string(anchor) + "\">" + EscapeHtml(text) + "</text>";
}

std::string HorizontalLine(double x1, double x2, double y, std::string_view colour, std::string_view dash)
{
    return "<line x1=\"" + Coord(x1) + "\" y1=\"" + Coord(y) + "\" x2=\"" + Coord(x2) + "\" y2=\"" +
           Coord(y) + "\" stroke=\"" + std::string(colour) + "\"" + Attribute("stroke-dasharray", dash) +
           "/>";
}

} // namespace

std::string EscapeHtml(std::string_view text)
{
    std::string s;
    s.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            s += "&amp;";
            break;
        case '<':
            s += "&lt;";
            break;
        case '>':
            s += "&gt;";
            break;
        case '"':
            s += "&quot;";
            break;
        case '\'':
            s += "&#39;";
            break;
        default:
            s += c;
        }
    }
    return s;
}

HtmlReport::HtmlReport(std::string title) : title_(std::move(title)) {}

void HtmlReport::AddParagraph(std::string_view text)
{
    body_ += Element("p", text) + "\n";
}

void HtmlReport::AddFacts(std::string_view heading, std::string_view id, const std::vector<ReportFact>& facts)
{
    body_ += Element("h2", heading) + "\n<table" + Attribute("id", id) + ">\n";
    for (const ReportFact& f : facts) {
        if (f.Heading) {
            body_ += "<tr class=\"h\"><th colspan=\"2\">" + EscapeHtml(f.Caption) + "</th></tr>\n";
            continue;
        }
        body_ += std::string("<tr><td") + (f.Indented ? " class=\"sub\"" : "") + ">" + EscapeHtml(f.Caption) +
                 "</td><td class=\"n\"" + Attribute("data-key", f.Key) + ">" + EscapeHtml(f.Value) +
                 "</td></tr>\n";
    }
    body_ += "</table>\n";
}

void HtmlReport::AddTable(std::string_view heading, const ReportTable& table)
{
    body_ += Element("h2", heading) + "\n<table" + Attribute("id", table.Id) + Attribute("class", table.Id) +
             ">\n<tr>";
    for (const std::string& h : table.Header)
        body_ += Element("th", h);
    body_ += "</tr>\n";
    for (const auto& row : table.Rows) {
        body_ += "<tr>";
        for (std::size_t c = 0; c < row.size(); ++c) {
            const bool numeric = c < table.Numeric.size() && table.Numeric[c];
            body_ += std::string(numeric ? "<td class=\"n\">" : "<td>") + EscapeHtml(row[c]) + "</td>";
        }
        body_ += "</tr>\n";
    }
    body_ += "</table>\n";
}

void HtmlReport::AddCurve(std::string_view heading, const ReportCurve& curve)
{
    constexpr double kWidth = 900, kHeight = 320, kLeft = 70, kRight = 20, kTop = 20, kBottom = 40;
    body_ += Element("h2", heading) + "\n";
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\"" + Attribute("id", curve.Id) + " width=\"" +
                      Coord(kWidth) + "\" height=\"" + Coord(kHeight) + "\" viewBox=\"0 0 " + Coord(kWidth) +
                      " " + Coord(kHeight) + "\">";
    svg += "<rect x=\"0\" y=\"0\" width=\"" + Coord(kWidth) + "\" height=\"" + Coord(kHeight) +
           "\" fill=\"#ffffff\" stroke=\"#cccccc\"/>";
    if (curve.Values.size() >= 2) {
        const auto [lo, hi] = std::minmax_element(curve.Values.begin(), curve.Values.end());
        const Scale y{std::min(*lo, 0.0), std::max({*hi, 0.0, std::min(*lo, 0.0) + 1}), kTop,
                      kHeight - kTop - kBottom};
        const double plot = kWidth - kLeft - kRight;
        const double step = plot / static_cast<double>(curve.Values.size() - 1);
        std::string line;
        std::string peaks;
        std::string back;
        double peak = curve.Values.front();
        for (std::size_t i = 0; i < curve.Values.size(); ++i) {
            peak = std::max(peak, curve.Values[i]);
            const std::string x = Coord(kLeft + step * static_cast<double>(i));
            line += (i ? " " : "") + x + "," + Coord(y(curve.Values[i]));
            peaks += (i ? " " : "") + x + "," + Coord(y(peak));
        }
        // The drawdowns: the area between the running maximum and the curve.
        for (std::size_t i = curve.Values.size(); i-- > 0;)
            back += " " + Coord(kLeft + step * static_cast<double>(i)) + "," + Coord(y(curve.Values[i]));
        svg += "<polygon points=\"" + peaks + back +
               "\" fill=\"#e63c3c\" fill-opacity=\"0.3\" stroke=\"none\"/>";
        svg += HorizontalLine(kLeft, kWidth - kRight, y(0), "#888888", "4 3");
        svg += "<polyline points=\"" + line + "\" fill=\"none\" stroke=\"#005aaa\" stroke-width=\"2\"/>";
        // The highest and lowest values, and the zero line where it lies apart from them.
        for (const double v : {y.High, y.Low, 0.0})
            if (v == 0 ? y.High != 0 && y.Low != 0 : true)
                svg += Text(kLeft - 6, y(v) + 4, FormatPrice(v), "end");
        svg += Text(kLeft, kHeight - 14, curve.FirstLabel);
        svg += Text(kWidth - kRight, kHeight - 14, curve.LastLabel, "end");
    }
    body_ += svg + "</svg>\n";
}

void HtmlReport::AddTradePicture(std::string_view heading, const TradePicture& p)
{
    constexpr double kWidth = 900, kHeight = 300, kLeft = 80, kRight = 250, kTop = 16, kBottom = 24;
    constexpr double kWeeksLeft = kWidth - kRight + 30, kWeeksWidth = kRight - 40;
    body_ += Element("h2", heading) + "\n";
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Coord(kWidth) + "\" height=\"" +
                      Coord(kHeight) + "\" viewBox=\"0 0 " + Coord(kWidth) + " " + Coord(kHeight) + "\">";
    svg += "<rect x=\"0\" y=\"0\" width=\"" + Coord(kWidth) + "\" height=\"" + Coord(kHeight) +
           "\" fill=\"#ffffff\" stroke=\"#cccccc\"/>";
    if (!p.Hours.empty()) {
        double lo = std::min({p.TakeProfitLevel, p.StopLossLevel, p.EntryPrice, p.ExitPrice});
        double hi = std::max({p.TakeProfitLevel, p.StopLossLevel, p.EntryPrice, p.ExitPrice});
        for (const PictureCandle& c : p.Hours) {
            lo = std::min(lo, c.Low);
            hi = std::max(hi, c.High);
        }
        const Scale y{lo, hi, kTop, kHeight - kTop - kBottom};
        const double plot = kWidth - kLeft - kRight;
        const double step = plot / static_cast<double>(p.Hours.size());
        // The hours held, shaded behind the candles.
        svg += "<rect x=\"" + Coord(kLeft + step * p.EntryAt) + "\" y=\"" + Coord(kTop) + "\" width=\"" +
               Coord(step * (p.ExitAt - p.EntryAt + 1)) + "\" height=\"" + Coord(y.Height) +
               "\" fill=\"#fff3c4\"/>";
        svg += CandleMarks(p.Hours, kLeft, step, y);
        svg += HorizontalLine(kLeft, kLeft + plot, y(p.TakeProfitLevel), "#2e8b57", "6 3");
        svg += HorizontalLine(kLeft, kLeft + plot, y(p.StopLossLevel), "#c0392b", "6 3");
        svg += Text(kLeft - 4, y(p.TakeProfitLevel) + 4, "TP " + FormatPrice(p.TakeProfitLevel), "end");
        svg += Text(kLeft - 4, y(p.StopLossLevel) + 4, "SL " + FormatPrice(p.StopLossLevel), "end");
        const double entryX = kLeft + step * (p.EntryAt + 0.5);
        const double exitX = kLeft + step * (p.ExitAt + 0.5);
        svg += "<circle cx=\"" + Coord(entryX) + "\" cy=\"" + Coord(y(p.EntryPrice)) +
               "\" r=\"4\" fill=\"#005aaa\"/>";
        svg += "<circle cx=\"" + Coord(exitX) + "\" cy=\"" + Coord(y(p.ExitPrice)) +
               "\" r=\"4\" fill=\"#000000\"/>";
        svg += Text(entryX + 6, y(p.EntryPrice) - 6, "Вход");
        svg += Text(exitX + 6, y(p.ExitPrice) - 6, "Выход " + FormatPrice(p.ExitPrice));
    }
    if (!p.Weeks.empty()) {
        double lo = p.Weeks.front().Low, hi = p.Weeks.front().High;
        for (const PictureCandle& c : p.Weeks) {
            lo = std::min(lo, c.Low);
            hi = std::max(hi, c.High);
        }
        const Scale y{lo, hi, kTop + 20, kHeight - kTop - kBottom - 40};
        const double step = kWeeksWidth / static_cast<double>(p.Weeks.size());
        const double signalX = kWeeksLeft + step * p.SignalAt;
        svg += "<rect x=\"" + Coord(signalX) + "\" y=\"" + Coord(kTop + 14) + "\" width=\"" + Coord(step) +
               "\" height=\"" + Coord(y.Height + 12) + "\" fill=\"#e6eef7\"/>";
        svg += CandleMarks(p.Weeks, kWeeksLeft, step, y);
        svg += Text(kWeeksLeft, kTop + 8, "Недели");
        svg += Text(signalX + step / 2, kHeight - kBottom - 4,
                    "Сигнал: " + std::to_string(p.SignalBodyPoints) + " п", "middle");
    }
    body_ += svg + "</svg>\n";
}

void HtmlReport::AddBars(std::string_view heading, std::string_view id, const std::vector<int>& counts,
                         const std::vector<std::string>& labels, std::string_view caption)
{
    constexpr double kWidth = 900, kHeight = 260, kLeft = 70, kRight = 20, kTop = 20, kBottom = 56;
    body_ += Element("h2", heading) + "\n";
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\"" + Attribute("id", id) + " width=\"" +
                      Coord(kWidth) + "\" height=\"" + Coord(kHeight) + "\" viewBox=\"0 0 " + Coord(kWidth) +
                      " " + Coord(kHeight) + "\">";
    svg += "<rect x=\"0\" y=\"0\" width=\"" + Coord(kWidth) + "\" height=\"" + Coord(kHeight) +
           "\" fill=\"#ffffff\" stroke=\"#cccccc\"/>";
    if (!counts.empty()) {
        const int highest = std::max(*std::max_element(counts.begin(), counts.end()), 1);
        const Scale y{0, static_cast<double>(highest), kTop, kHeight - kTop - kBottom};
        const double step = (kWidth - kLeft - kRight) / static_cast<double>(counts.size());
        for (std::size_t b = 0; b < counts.size(); ++b) {
            const double x = kLeft + step * static_cast<double>(b);
            const double top = y(counts[b]);
            svg += "<rect x=\"" + Coord(x + 1) + "\" y=\"" + Coord(top) + "\" width=\"" +
                   Coord(std::max(step - 2, 1.0)) + "\" height=\"" + Coord(y(0) - top) +
                   "\" fill=\"#d72828\" fill-opacity=\"0.6\"" +
                   Attribute("data-count", std::to_string(counts[b])) + "/>";
            if (b < labels.size())
                svg += Text(x + step / 2, y(0) + 16, labels[b], "middle");
        }
        svg += Text(kLeft - 6, y(highest) + 4, std::to_string(highest), "end");
        svg += Text(kLeft - 6, y(0) + 4, "0", "end");
        svg += Text(kWidth / 2, kHeight - 12, caption, "middle");
    }
    body_ += svg + "</svg>\n";
}

void HtmlReport::AddMarkup(std::string_view markup)
{
    body_ += markup;
}

std::string HtmlReport::Html() const
{
    std::string s = "<!DOCTYPE html>\n<html lang=\"ru\">\n<head>\n<meta charset=\"utf-8\"/>\n";
    s += Element("title", title_) + "\n<style>" + std::string(kStyle) + "</style>\n</head>\n<body>\n";
    s += Element("h1", title_) + "\n" + body_ + "</body>\n</html>\n";
    return s;
}

namespace {

// The sections every report of trades has: their figures and years, the
// account of net points with its drawdowns, and the trades themselves.
void AddTradeSections(HtmlReport& report, const std::vector<ClosedTrade>& trades,
                      std::string_view curveHeading, const std::vector<ReportFact>& extraFigures = {})
{
    const TradeStats stats = ComputeTradeStats(trades);
    std::vector<ReportFact> figures = FigureFacts(stats);
    figures.insert(figures.end(), extraFigures.begin(), extraFigures.end());
    report.AddFacts("Показатели сделок (по пунктам после издержек)", "figures", figures);
    report.AddTable("По годам входа", YearTable(stats));

    const EquityCurve net = MakeNetEquityCurve(trades);
    ReportCurve curve{"equity", {0.0}, {}, {}};
    for (const std::int64_t tenths : net.Cumulative)
        curve.Values.push_back(static_cast<double>(tenths) / 10);
    if (!trades.empty()) {
        curve.FirstLabel = FormatDate(trades.front().EntryDate, kDateFormat);
        curve.LastLabel = FormatDate(trades.back().ExitDate, kDateFormat);
    }
    report.AddCurve(curveHeading, curve);
}

// The Monte Carlo of the trades, as the page shows it: its settings and
// percentiles, and the histogram of the runs' deepest drawdowns.
void AddMonteCarloSections(HtmlReport& report, const MonteCarloOutcome& mc)
{
    const auto percentiles = [](const Percentiles& p) {
        return PointsText(p.P5) + " / " + PointsText(p.P50) + " / " + PointsText(p.P95);
    };
    std::vector<ReportFact> facts = {
        {"Прогонов", std::to_string(mc.Runs), "mc-runs"},
        {"Сделок в прогоне", std::to_string(mc.TradesPerRun), "mc-trades"},
        {"Зерно", std::to_string(mc.Seed), "mc-seed"},
    };
    if (mc.Runs > 0) {
        facts.push_back({"Итог, п (5% / 50% / 95%)", percentiles(mc.FinalNet), "mc-final-net"});
        facts.push_back(
            {"Макс. просадка, п (5% / 50% / 95%)", percentiles(mc.MaxDrawdown), "mc-max-drawdown"});
        facts.push_back(
            {"Прогонов с итогом ≤ 0", RatioFigureText(mc.LossShare * 100, 1) + "%", "mc-loss-share"});
    }
    report.AddFacts("Монте-Карло", "monte-carlo", facts);
    if (mc.Drawdowns.empty())
        return;
    const std::vector<int> counts = HistogramCounts(mc.Drawdowns, kHistogramBins);
    // Each bar is labelled with the smallest drawdown it can hold, in whole points.
    const std::int64_t low = mc.Drawdowns.front();
    const std::int64_t span = mc.Drawdowns.back() - low + 1;
    std::vector<std::string> labels;
    for (std::size_t b = 0; b < counts.size(); ++b)
        labels.push_back(std::to_string(
            std::llrint(static_cast<double>(low + span * static_cast<std::int64_t>(b) /
                                                      static_cast<std::int64_t>(counts.size())) /
                        10.0)));
    report.AddBars("Монте-Карло: макс. просадка прогонов", "monte-carlo-drawdowns", counts, labels,
                   "Макс. просадка прогонов, п");
}

// A range of weeks as its indices and the dates of its first and last weeks with data.
std::string WeeksText(const Instrument& instrument, WeekRange weeks)
{
    const auto dates = WeekRangeDates(instrument.Week, weeks);
    std::string text = std::to_string(weeks.First) + "–" + std::to_string(weeks.Last);
    if (dates[0] != 0 && dates[1] != 0)
        text += " (" + FormatDate(dates[0], kDateFormat) + " – " + FormatDate(dates[1], kDateFormat) + ")";
    return text;
}

} // namespace

HtmlReport MakeBacktestReport(const BacktestParams& params, const BacktestResult& result,
                              const std::vector<ClosedTrade>& trades, const Instrument& instrument,
                              const MonteCarloOutcome* monteCarlo)
{
    HtmlReport report("Отчёт о тестировании: " + params.PairName);
    report.AddFacts("Параметры", "parameters", ParameterFacts(params, instrument));
    report.AddFacts("Результаты", "results", ResultFacts(MakeSinglePairReport(params, result)));

    AddTradeSections(report, trades, "Кривая доходности, п после издержек (просадки закрашены)");
    if (!trades.empty())
        report.AddTradePicture("Последняя сделка на свечах", MakeTradePicture(trades.back(), instrument));
    if (monteCarlo)
        AddMonteCarloSections(report, *monteCarlo);
    report.AddTable("Сделки", TradeTable(trades, params.Costs.SpreadRecorded));
    return report;
}

HtmlReport MakeWalkForwardReport(const WalkForwardParams& params, const WalkForwardOutcome& out,
                                 const Instrument& instrument, const MonteCarloOutcome* monteCarlo)
{
    const SweepParams& sp = params.Sweep;
    const SweepGrid& g = sp.Grid;
    const auto axis = [](const AxisRange& a) {
        return std::to_string(a.First) + "–" + std::to_string(a.Last);
    };
    HtmlReport report("Форвард-анализ: " + sp.PairName);
    std::vector<ReportFact> setup = {
        {"Инструмент", sp.PairName, "pair"},
        {"Недели", PeriodText(out.Weeks, instrument), "weeks"},
        {"Выборка / проверка, недель",
         std::to_string(params.InSample) + " / " + std::to_string(params.OutOfSample), "lengths"},
        {"Окно", params.Anchored ? "нарастающее" : "скользящее", "anchored"},
        {"Сигнал, стоп-лосс, тейк-профит",
         axis(g.Signal) + ", " + axis(g.StopLoss) + ", " + axis(g.TakeProfit), "grid"},
        {"Удержание", g.Hold ? axis(*g.Hold) : "без ограничения", "hold"},
        {"Выбор по",
         std::string(MetricCaption(sp.Metric)) + ", не меньше " + std::to_string(sp.MinEntries) + " входов",
         "metric"},
        {"Издержки", CostsText(sp.Costs), "costs"},
    };
    if (params.Plateau)
        setup.push_back({"Плато, ± шагов",
                         std::to_string(params.Plateau->Signal) + "/" +
                             std::to_string(params.Plateau->StopLoss) + "/" +
                             std::to_string(params.Plateau->TakeProfit) +
                             (g.Hold ? "/" + std::to_string(params.Plateau->Hold) : ""),
                         "plateau"});
    report.AddFacts("Параметры", "parameters", setup);

    ReportTable windows{"windows",
                        {"Окно", "Выборка", "Проверка", "Сигнал", "SL", "TP", "Удерж.", "Метрика",
                         "Пункты (проверка)", "Входы", "Профит-фактор"},
                        {true, false, false, true, true, true, true, true, true, true, true},
                        {}};
    for (std::size_t k = 0; k < out.Windows.size(); ++k) {
        const WalkForwardWindow& w = out.Windows[k];
        std::vector<std::string> row = {std::to_string(k + 1), WeeksText(instrument, w.Span.InSample),
                                        WeeksText(instrument, w.Span.OutOfSample)};
        if (!w.Chosen) {
            row.insert(row.end(), {"-", "-", "-", "-", "-", "0,0", "0", "-"});
        } else {
            const auto first = out.Trades.begin() + static_cast<std::ptrdiff_t>(w.FirstTrade);
            const NetFolder f =
                ComputeTradeStats({first, first + static_cast<std::ptrdiff_t>(w.TradeCount)}).All;
            row.insert(row.end(),
                       {std::to_string(w.Signal), std::to_string(w.StopLoss), std::to_string(w.TakeProfit),
                        w.Hold ? std::to_string(*w.Hold) : "-", MetricText(sp.Metric, w.InSampleMetric),
                        PointsText(w.OutOfSampleNetTenths), std::to_string(w.OutOfSampleResult.Entries),
                        RatioFigureText(ProfitFactor(f))});
        }
        windows.Rows.push_back(std::move(row));
    }
    report.AddTable("Окна", windows);
    std::string efficiency = RatioFigureText(out.Efficiency);
    if (out.EfficiencyMissing != EfficiencyGap::None)
        efficiency += " (" + std::string(EfficiencyGapText(out.EfficiencyMissing)) + ")";
    AddTradeSections(report, out.Trades,
                     "Вне выборки: кривая доходности, п после издержек (просадки закрашены)",
                     {{"Эффективность", efficiency, "efficiency"}});
    if (monteCarlo)
        AddMonteCarloSections(report, *monteCarlo);
    report.AddTable("Сделки вне выборки", TradeTable(out.Trades, sp.Costs.SpreadRecorded));
    return report;
}

} // namespace quillet
