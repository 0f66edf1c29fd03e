#pragma once
// A run's report as one self-contained HTML file to share: no scripts, no
// links out, every picture inline SVG. The document is built section by
// section, so a run of another kind adds its own tables and curves to the
// single-pair sections. Markup is kept well-formed (every element closed,
// every attribute quoted), so an XML reader reads it as well as a browser.

#include "analysis/MonteCarlo.h"
#include "engine/BacktestParams.h"
#include "engine/ClosedTrade.h"
#include "engine/SinglePair.h"
#include "model/Instrument.h"
#include "report/TradePicture.h"

#include <string>
#include <string_view>
#include <vector>

namespace quillet {

/// The text with &, <, >, " and ' written as character references.
std::string EscapeHtml(std::string_view text);

/// One line of a table of captions and values. A heading has no value.
struct ReportFact {
    std::string Caption;
    std::string Value;
    std::string Key; // the value cell's data-key, for readers of the file; may be empty
    bool Heading = false;
    bool Indented = false;
};

/// A table of texts; numeric columns are right-aligned.
struct ReportTable {
    std::string Id;
    std::vector<std::string> Header;
    std::vector<bool> Numeric; // per column
    std::vector<std::vector<std::string>> Rows;
};

/// An account drawn step by step: its value at the start and after each
/// step, the falls below its running maximum shaded.
struct ReportCurve {
    std::string Id;
    std::vector<double> Values; // points; the first is the start
    std::string FirstLabel;     // under the start
    std::string LastLabel;      // under the end
};

class HtmlReport {
  public:
    explicit HtmlReport(std::string title);

    /// A line of text under the title.
    void AddParagraph(std::string_view text);
    void AddFacts(std::string_view heading, std::string_view id, const std::vector<ReportFact>& facts);
    void AddTable(std::string_view heading, const ReportTable& table);
    void AddCurve(std::string_view heading, const ReportCurve& curve);
    void AddTradePicture(std::string_view heading, const TradePicture& picture);
    /// Bars of counts side by side, each labelled under it, with a caption
    /// under the labels.
    void AddBars(std::string_view heading, std::string_view id, const std::vector<int>& counts,
                 const std::vector<std::string>& labels, std::string_view caption);
    /// Markup made elsewhere, already escaped and well-formed.
    void AddMarkup(std::string_view markup);

    /// The whole document, UTF-8.
    std::string Html() const;

  private:
    std::string title_;
    std::string body_;
};

/// The report of a single-pair run over `instrument`: the instrument and the
/// period, the parameters and costs, the fourteen values with their
/// captions, the figures of the trades and their years, the account of net
/// points with its drawdowns, and every trade; with `monteCarlo`, its
/// percentiles and the histogram of its drawdowns before the trades.
HtmlReport MakeBacktestReport(const BacktestParams& params, const BacktestResult& result,
                              const std::vector<ClosedTrade>& trades, const Instrument& instrument,
                              const MonteCarloOutcome* monteCarlo = nullptr);

struct WalkForwardParams;
struct WalkForwardOutcome;

/// The report of a walk-forward analysis: its settings, the table of its
/// windows (the choice of each and its out-of-sample result), the figures of
/// the joined out-of-sample trades with the efficiency, their years, their
/// account of net points, the Monte Carlo when given, and the trades.
HtmlReport MakeWalkForwardReport(const WalkForwardParams& params, const WalkForwardOutcome& out,
                                 const Instrument& instrument, const MonteCarloOutcome* monteCarlo = nullptr);

} // namespace quillet
