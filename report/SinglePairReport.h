#pragma once
// The report of a single-pair run: the texts of its value labels, the
// closing line of its work log and the progress bar's setup.

#include "engine/BacktestParams.h"
#include "engine/BacktestResult.h"
#include "report/ReportTexts.h"

#include <string>
#include <vector>

namespace quillet {

/// The fourteen value labels in the order they are written, and the closing
/// line of the work log.
struct SinglePairReport {
    std::vector<LabelText> Labels;
    std::string ClosingLine;
};

/// A figure that has no value (a share of no entries, an average over no
/// take-profit, a ratio over no point lost) reads "-".
SinglePairReport MakeSinglePairReport(const BacktestParams& params, const BacktestResult& result);

/// Min, Max and Position of the progress bar before a run.
struct ProgressSetup {
    int Min;
    int Max;
    int Position;
};

ProgressSetup ProgressBarSetup(const BacktestParams& params);

} // namespace quillet
