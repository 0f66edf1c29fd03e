#pragma once
// The overfitting figures as the command line and the window show them:
// the numbers with a "," separator, the captions and the note on N.

#include "analysis/DeflatedSharpe.h"
#include "analysis/Overfit.h"

#include <string>
#include <vector>

namespace quillet {

/// A number with `digits` significant digits and ",", or "-" for NaN.
std::string SignificantText(long double value, int digits = 4);

/// The measure's name: "пункты" or "коэффициент Шарпа".
std::string MeasureCaption(OverfitMeasure measure);

/// "сигнал 85, SL 100, TP 50" and ", удержание 12" with a hold axis.
std::string CombinationText(const GridPoint& point, bool withHold);

/// A histogram bar's values: "(-1,5; -1]".
std::string BinText(const HistogramBin& bin);

/// One caption and its value per figure of a way of choosing.
struct OverfitLine {
    std::string Caption;
    std::string Value;
};
std::vector<OverfitLine> SummaryLines(const OverfitSummary& summary, OverfitMeasure measure);
std::vector<OverfitLine> DeflatedLines(const DeflatedSharpe& d);

/// Why N errs on the side of caution.
extern const char* const kTrialsNote;

} // namespace quillet
