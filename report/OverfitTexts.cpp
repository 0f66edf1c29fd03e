#include "report/OverfitTexts.h"

#include <charconv>
#include <cmath>

namespace quillet {

const char* const kTrialsNote =
    "N — все допущенные комбинации сетки. Соседние комбинации торгуют почти одинаково, так что "
    "независимых испытаний меньше: N завышает их число, SR0 выходит выше, а DSR ниже настоящего — "
    "ошибка в осторожную сторону.";

std::string SignificantText(long double value, int digits)
{
    if (std::isnan(value))
        return "-";
    char buf[64];
    const auto end =
        std::to_chars(buf, buf + sizeof buf, static_cast<double>(value), std::chars_format::general, digits)
            .ptr;
    std::string text(buf, end);
    for (char& c : text)
        if (c == '.')
            c = ',';
    return text == "-0" ? "0" : text;
}

std::string MeasureCaption(OverfitMeasure measure)
{
    return measure == OverfitMeasure::Net ? "пункты" : "коэффициент Шарпа";
}

std::string CombinationText(const GridPoint& point, bool withHold)
{
    std::string text = "сигнал " + std::to_string(point.Signal) + ", SL " + std::to_string(point.StopLoss) +
                       ", TP " + std::to_string(point.TakeProfit);
    if (withHold)
        text += ", удержание " + std::to_string(point.Hold);
    return text;
}

std::string BinText(const HistogramBin& bin)
{
    return "(" + SignificantText(bin.From) + "; " + SignificantText(bin.To) + "]";
}

std::vector<OverfitLine> SummaryLines(const OverfitSummary& s, OverfitMeasure measure)
{
    const std::string unit = measure == OverfitMeasure::Net ? " пп" : "";
    std::string line = "-";
    if (s.Slope)
        line = "вне выборки = " + SignificantText(*s.Slope) + " × в выборке " +
               (*s.Intercept < 0 ? "− " + SignificantText(-*s.Intercept)
                                 : "+ " + SignificantText(*s.Intercept)) +
               unit;
    return {{"PBO (доля разбиений с λ ≤ 0)", SignificantText(s.Pbo, 3)},
            {"Вероятность убытка вне выборки", SignificantText(s.LossProbability, 3)},
            {"Деградация", line},
            {"Разбиений", std::to_string(s.Splits)}};
}

std::vector<OverfitLine> DeflatedLines(const DeflatedSharpe& d)
{
    return {{"SR (за неделю)", SignificantText(d.Sharpe)},
            {"SR0 (лучший из N случайно)", SignificantText(d.ExpectedMax)},
            {"DSR", SignificantText(d.Probability, 3)},
            {"N", std::to_string(d.Spread.Trials)},
            {"V (дисперсия SR по сетке)", SignificantText(d.Spread.Variance)},
            {"γ3 (асимметрия)", SignificantText(d.Skewness)},
            {"γ4 (куртозис, не избыток)", SignificantText(d.Kurtosis)},
            {"T (недель)", std::to_string(d.Weeks)}};
}

} // namespace quillet
