#include "report/PortfolioReport.h"

#include "rule/Arithmetic32.h"

#include <string>

namespace quillet {

std::vector<LabelText> MakePortfolioReport(const PortfolioParams& params, const PortfolioResult& r)
{
    std::vector<LabelText> labels;
    labels.reserve(10 + kPortfolioPairCount);
    labels.push_back({"Label148", std::to_string(r.Entries)});
    labels.push_back({"Label142", std::to_string(r.TakeProfits)});
    labels.push_back({"Label144", std::to_string(r.StopLosses)});
    labels.push_back({"Label146", TakeProfitShare(r.TakeProfits, r.Entries)});
    labels.push_back({"Label154", RoundedAverage(r.HoursSum, r.TakeProfits)});
    labels.push_back({"Label150", RoundedAverage(r.DrawdownSum, r.TakeProfits)});
    labels.push_back({"Label152", std::to_string(r.DrawdownMax)});

    // Points won over points lost, the products as 32-bit integers as the
    // single-pair report forms them.
    const std::int32_t pointsWon = Mul32(params.TakeProfitPoints, r.TakeProfits);
    const std::int32_t pointsLost = Mul32(params.StopLossPoints, r.StopLosses);
    labels.push_back({"Label158", ProfitabilityText(pointsWon, pointsLost)});
    labels.push_back({"Label167", SeriesText(r.TpSeriesMax)});
    labels.push_back({"Label169", SeriesText(r.SlSeriesMax)});

    for (int row = 0; row < kPortfolioPairCount; ++row) {
        const PairTally& pair = r.Pairs[row];
        const std::string text =
            std::to_string(pair.Entries) + " (" + TakeProfitShare(pair.TakeProfits, pair.Entries) + ")";
        labels.push_back({"Label" + std::to_string(133 + row), text});
    }
    return labels;
}

} // namespace quillet
