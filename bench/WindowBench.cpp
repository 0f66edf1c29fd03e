// One full single-pair run of a demo instrument through the main window's
// "Рассчитать" button, with the work log going into Memo3 and without it,
// and one with the page "Сделки" in view, filled and drawn; and a trade
// selected on that page, down to its candles painted.
// Built as its own executable (quillet_window_bench) that defines
// QUILLET_WINDOW_BENCH; elsewhere this file compiles to nothing.

#ifdef QUILLET_WINDOW_BENCH

#include "demo/DemoData.h"
#include "support/TestSupport.h"
#include "ui/Dialogs.h"
#include "ui/Unit1.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>

#include <benchmark/benchmark.h>

#include <memory>
#include <sstream>

namespace {

// A notice during a run must not wait for anybody.
class SilentDialogs : public quillet::ui::DialogService {
  public:
    void ShowMessage(QWidget*, quillet::ui::MessageKind, const QString&, const QString&) override {}
    QString OpenFileName(QWidget*, const QString&) override { return {}; }
    QString SaveFileName(QWidget*, const QString&, const QString&) override { return {}; }
};

// The window started over the seven demo instruments, with EURUSD chosen.
TForm1& DemoWindow()
{
    static SilentDialogs dialogs;
    static quillet::test::TempDir dir;
    static std::unique_ptr<TForm1> form = [] {
        quillet::ui::SetDialogs(&dialogs);
        std::ostringstream progress;
        quillet::demo::WriteDemoData(dir.dir(), progress);
        auto f = std::make_unique<TForm1>(dir.dir());
        f->show();
        auto* pair = f->findChild<QComboBox*>(QStringLiteral("ComboBox1"));
        const int eurusd = pair->findText(QStringLiteral("EURUSD"));
        pair->setCurrentIndex(eurusd);
        emit pair->activated(eurusd);
        return f;
    }();
    return *form;
}

void RunThroughWindow(benchmark::State& state, bool logged)
{
    TForm1& form = DemoWindow();
    form.findChild<QCheckBox*>(QStringLiteral("CheckBox6"))->setChecked(logged);
    auto* run = form.findChild<QPushButton*>(QStringLiteral("BitBtn1"));
    auto* clear = form.findChild<QPushButton*>(QStringLiteral("Button10"));
    auto* memo = form.findChild<QPlainTextEdit*>(QStringLiteral("Memo3"));
    for (auto _ : state) {
        state.PauseTiming();
        clear->click(); // every run writes into an empty log, as the first one does
        state.ResumeTiming();
        run->click();
    }
    state.counters["log_lines"] = memo->document()->blockCount();
}

void WindowLoggedRun(benchmark::State& state)
{
    RunThroughWindow(state, true);
}
void WindowRunWithoutLog(benchmark::State& state)
{
    RunThroughWindow(state, false);
}

// Weeks 0 to 535 without the log, watched on the trade page: the run, the
// table of its trades and the curve, up to the window painted again.
void WindowRunOnTradePage(benchmark::State& state)
{
    TForm1& form = DemoWindow();
    form.findChild<QCheckBox*>(QStringLiteral("CheckBox6"))->setChecked(false);
    auto* pages = form.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    pages->setCurrentWidget(form.findChild<QWidget*>(QStringLiteral("TabSheet5")));
    auto* run = form.findChild<QPushButton*>(QStringLiteral("BitBtn1"));
    auto* table = form.findChild<QTableView*>(QStringLiteral("TradesTable"));
    QApplication::processEvents();
    for (auto _ : state) {
        run->click();
        form.repaint();
    }
    state.counters["trades"] = table->model()->rowCount();
    pages->setCurrentIndex(2);
}

// The arrow key moves the selection one trade down (back to the first at the
// end) and the trade's candles are drawn, up to the window painted again.
void WindowSelectTradeShowsItsCandles(benchmark::State& state)
{
    TForm1& form = DemoWindow();
    form.findChild<QCheckBox*>(QStringLiteral("CheckBox6"))->setChecked(false);
    auto* pages = form.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    pages->setCurrentWidget(form.findChild<QWidget*>(QStringLiteral("TabSheet5")));
    form.findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
    auto* table = form.findChild<QTableView*>(QStringLiteral("TradesTable"));
    const int rows = table->model()->rowCount();
    table->setFocus();
    table->setCurrentIndex(table->model()->index(0, 0));
    QApplication::processEvents();
    for (auto _ : state) {
        if (table->currentIndex().row() + 1 < rows) {
            QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
            QApplication::sendEvent(table, &down);
        } else {
            table->setCurrentIndex(table->model()->index(0, 0));
        }
        form.repaint();
    }
    state.counters["trades"] = rows;
    pages->setCurrentIndex(2);
}

BENCHMARK(WindowLoggedRun)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(WindowRunWithoutLog)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(WindowRunOnTradePage)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(WindowSelectTradeShowsItsCandles)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

#endif // QUILLET_WINDOW_BENCH
