// The options and helpers the sweeping commands share.

#include "cli/SweepOptions.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <csignal>
#include <iostream>
#include <iterator>

#include <unistd.h>

namespace quillet::cli {
namespace {

// The help's "(within A:B)".
std::string Within(const ControlRange& control)
{
    return "(within " + WholeRange(control) + ")";
}

// Checks an A:B option against its control's range.
CLI::Validator AxisWithin(const ControlRange& control, bool offAllowed = false)
{
    const std::string bounds = WholeRange(control);
    return CLI::Validator(
        [control, bounds, offAllowed](std::string& text) -> std::string {
            if (offAllowed && text == "off")
                return {};
            const std::optional<AxisRange> r = ParseAxis(text);
            if (!r)
                return "'" + text + "' is not a range A:B" + (offAllowed ? " or off" : "");
            if (!control.Contains(r->First) || !control.Contains(r->Last))
                return "range " + text + " not within " + bounds;
            if (r->First > r->Last)
                return "range " + text + " runs backwards";
            return {};
        },
        "");
}

// The metric names of the command line: a single pair's, then those only
// several instruments are ranked by.
std::vector<std::string> MetricOptions()
{
    std::vector<std::string> names;
    for (const MetricName& m : kMetricNames)
        names.emplace_back(m.Option);
    for (const PairsMetricName& m : kPairsMetricNames)
        if (std::find(names.begin(), names.end(), m.Option) == names.end())
            names.emplace_back(m.Option);
    return names;
}

// Signals that stop a sweep cleanly: the work stops, a file being written is
// left as it was and its temporary file removed.
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Set by the signal handler to the signal's number: a lock-free atomic is
// all a handler may touch.
std::atomic<int> gStopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnStopSignal(int signal)
{
    gStopSignal.store(signal);
}

} // namespace

std::string WholeRange(const ControlRange& control)
{
    return RangeText(control, ":");
}

std::optional<AxisRange> ParseAxis(const std::string& text)
{
    const std::size_t colon = text.find(':');
    const std::string first = text.substr(0, colon);
    const std::string last = colon == std::string::npos ? first : text.substr(colon + 1);
    AxisRange r;
    auto number = [](const std::string& s, int& out) {
        const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
        return ec == std::errc() && end == s.data() + s.size() && !s.empty();
    };
    if (!number(first, r.First) || !number(last, r.Last))
        return std::nullopt;
    return r;
}

void CheckWeeks(const std::vector<int>& weeks, const char* option)
{
    if (weeks.empty())
        return;
    if (const std::string error = WeekRangeError(weeks[0], weeks[1]); !error.empty())
        throw CLI::ValidationError(option, error);
}

SweepGrid GridOptions::Grid() const
{
    SweepGrid grid;
    grid.Signal = *ParseAxis(signal);
    grid.StopLoss = *ParseAxis(stopLoss);
    grid.TakeProfit = *ParseAxis(takeProfit);
    if (hold != "off")
        grid.Hold = *ParseAxis(hold);
    return grid;
}

SweepMetric GridOptions::SingleMetric() const
{
    for (const MetricName& m : kMetricNames)
        if (m.Option == metric)
            return m.Metric;
    throw CLI::ValidationError("--metric", metric + " ranks several instruments: give two or more files");
}

PairsMetric GridOptions::PairsMetricOf() const
{
    for (const PairsMetricName& m : kPairsMetricNames)
        if (m.Option == metric)
            return m.Metric;
    throw CLI::ValidationError("--metric", metric + " ranks one instrument, not several");
}

void AddGridOptions(CLI::App* cmd, GridOptions& opts, const std::string& minEntriesHelp)
{
    cmd->add_option("--signal", opts.signal, "Signal minimum range, points " + Within(kSignalControl))
        ->type_name("A:B")
        ->check(AxisWithin(kSignalControl))
        ->capture_default_str();
    cmd->add_option("--sl", opts.stopLoss, "Stop-loss range, points " + Within(kStopLossControl))
        ->type_name("A:B")
        ->check(AxisWithin(kStopLossControl))
        ->capture_default_str();
    cmd->add_option("--tp", opts.takeProfit, "Take-profit range, points " + Within(kTakeProfitControl))
        ->type_name("A:B")
        ->check(AxisWithin(kTakeProfitControl))
        ->capture_default_str();
    cmd->add_option("--hold", opts.hold,
                    "Holding limit range, hourly candles " + Within(kHoldControl) + ", or off")
        ->type_name("off|A:B")
        ->check(AxisWithin(kHoldControl, true))
        ->capture_default_str();
    // The name is checked against the list, whose text the help and the error show.
    cmd->add_option("--metric", opts.metric,
                    "What the combinations are ranked by (worst-pair and profitable-pairs with several "
                    "instruments; profitability, tp-share and entries with one)")
        ->type_name("TEXT")
        ->check(CLI::IsMember(MetricOptions()))
        ->capture_default_str();
    cmd->add_option("--min-entries", opts.minEntries, minEntriesHelp)
        ->check(CLI::Range(kMinEntriesControl.Min, kMinEntriesControl.Max))
        ->capture_default_str();
}

void AddThreadsOption(CLI::App* cmd, GridOptions& opts)
{
    cmd->add_option("--threads", opts.threads, "Worker threads (0: one per core)")
        ->check(CLI::Range(kThreadsOption.Min, kThreadsOption.Max))
        ->capture_default_str();
}

bool SaySweepStopped(bool stopped, std::int64_t done, std::int64_t total, bool csvToFile, bool csvToOut,
                     Context& ctx)
{
    if (!stopped)
        return false;
    ctx.err << "Прервано: просчитано " << done << " из " << total << " комбинаций"
            << (csvToFile  ? ", файл CSV не записан"
                : csvToOut ? ", строки CSV выведены не все"
                           : "")
            << '\n';
    ctx.exitCode = InterruptedStatus();
    return true;
}

bool Interrupted()
{
    return gStopSignal.load() != 0;
}

int InterruptedStatus()
{
    return 128 + gStopSignal.load();
}

struct InterruptGuard::Saved {
    struct sigaction previous[std::size(kStopSignals)]{};
    bool installed[std::size(kStopSignals)] = {};
};

InterruptGuard::InterruptGuard() : saved_(std::make_unique<Saved>())
{
    gStopSignal.store(0);
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < std::size(kStopSignals); ++i)
        saved_->installed[i] = ::sigaction(kStopSignals[i], &action, &saved_->previous[i]) == 0;
}

InterruptGuard::~InterruptGuard()
{
    for (std::size_t i = 0; i < std::size(kStopSignals); ++i)
        if (saved_->installed[i])
            ::sigaction(kStopSignals[i], &saved_->previous[i], nullptr);
}

bool StandardErrorIsATerminal(const std::ostream& err)
{
    return &err == &std::cerr && ::isatty(STDERR_FILENO) == 1;
}

void ProgressBar::Show(std::int64_t done, std::int64_t total)
{
    if (!shown_ || total <= 0)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (done < total && now - last_ < std::chrono::milliseconds(100))
        return;
    last_ = now;
    constexpr int kWidth = 40;
    const int filled = static_cast<int>(done * kWidth / total);
    err_ << '\r' << what_ << " [" << std::string(static_cast<std::size_t>(filled), '#')
         << std::string(static_cast<std::size_t>(kWidth - filled), '.') << "] " << done * 100 / total << "% "
         << done << '/' << total << std::flush;
}

void ProgressBar::Finish()
{
    if (shown_)
        err_ << '\n';
}

std::string PadLeft(std::string_view text, int width)
{
    int length = 0;
    for (const char c : text)
        length += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return std::string(static_cast<std::size_t>(std::max(width - length, 0)), ' ') + std::string(text);
}

void PrintBestTable(std::ostream& os, std::span<const BestRowColumn> columns,
                    std::span<const BestRowColumn> forwardColumns, const std::vector<std::string>& between,
                    bool forward, const std::vector<BestTableLine>& rows)
{
    auto line = [&](const BestTableLine& l) {
        for (std::size_t n = 0; n < columns.size(); ++n)
            os << (n == 0 ? "" : " ") << PadLeft(l.Cells[n], columns[n].Width);
        for (std::size_t k = 0; k < l.Between.size(); ++k)
            os << ' ' << PadLeft(l.Between[k], std::max<int>(9, static_cast<int>(between[k].size())));
        if (l.Forward) {
            os << "  |";
            for (std::size_t n = 0; n < forwardColumns.size(); ++n)
                os << ' ' << PadLeft(l.Cells[columns.size() + n], forwardColumns[n].Width);
        }
        os << '\n';
    };
    BestTableLine headings{{}, between, forward};
    for (const BestRowColumn& c : columns)
        headings.Cells.emplace_back(c.TableHeading);
    for (const BestRowColumn& c : forwardColumns)
        headings.Cells.emplace_back(c.TableHeading);
    line(headings);
    for (const BestTableLine& row : rows)
        line(row);
    if (rows.empty())
        os << "Нет комбинаций с достаточным числом входов\n";
}

} // namespace quillet::cli
