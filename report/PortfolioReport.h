#pragma once
// The texts of the all-pairs page's value labels.

#include "engine/Portfolio.h"
#include "report/ReportTexts.h"

#include <vector>

namespace quillet {

/// The value labels of the page in the order they are written: the totals
/// (Label148 ... Label169) and then the pair rows Label133 to Label139.
/// A figure that has no value (a share of no trades, an average over no
/// take-profit, a ratio over no loss) reads "-".
std::vector<LabelText> MakePortfolioReport(const PortfolioParams& params, const PortfolioResult& result);

} // namespace quillet
