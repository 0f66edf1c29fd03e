// A 65,000-line hourly quote file through the page "Работа с котировками":
// imported into HourGrid, shown and scrolled, and generated into a ".base"
// file with the week and day grids already filled. Built into
// quillet_window_bench (QUILLET_WINDOW_BENCH); elsewhere this file compiles
// to nothing.

#ifdef QUILLET_WINDOW_BENCH

#include "support/TestSupport.h"
#include "ui/Controls.h"
#include "ui/Dialogs.h"
#include "ui/Unit1.h"

#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

constexpr int kHourLines = 65000;

// The import and generation messages must not wait for anybody; an error
// message means the benchmark measures the wrong thing.
class CountingDialogs : public quillet::ui::DialogService {
  public:
    void ShowMessage(QWidget*, quillet::ui::MessageKind kind, const QString&, const QString&) override
    {
        if (kind == quillet::ui::MessageKind::Error)
            ++errors;
    }
    QString OpenFileName(QWidget*, const QString&) override { return {}; }
    int errors = 0;
};

/// `count` hourly lines from Monday 10 January 2005, 24 a day, CR LF ended.
std::string HourLines(int count)
{
    std::string text;
    text.reserve(static_cast<std::size_t>(count) * 56);
    const QDate first(2005, 1, 10);
    for (int i = 0; i < count; ++i) {
        const std::string date = first.addDays(i / 24).toString(QStringLiteral("yyyy.MM.dd")).toStdString();
        const int hour = i % 24;
        const int ticks = 12000 + (i * 7919) % 600;
        const std::string open = "1." + std::to_string(ticks);
        text += date + ',' + (hour < 10 ? "0" : "") + std::to_string(hour) + ":00," + open + ",1.2700," +
                "1.1900," + open + ",1000\r\n";
    }
    return text;
}

struct QuotesPage {
    CountingDialogs dialogs;
    quillet::test::TempDir dir;
    std::unique_ptr<TForm1> form;
    QComboBox* timeframe = nullptr;
    QLabel* fileLabel = nullptr;
    QPushButton* import = nullptr;
    QPushButton* generate = nullptr;
    TStringGrid* hourGrid = nullptr;
    std::string hourFile;

    void ImportFile(const char* frame, const std::string& path)
    {
        timeframe->setCurrentIndex(timeframe->findText(QString::fromLatin1(frame)));
        fileLabel->setText(QString::fromStdString(path));
        import->click();
    }
};

// The window with small week and day grids, and the hourly file written.
QuotesPage& Page()
{
    static QuotesPage page;
    static bool ready = false;
    if (!ready) {
        ready = true;
        quillet::ui::SetDialogs(&page.dialogs);
        page.form = std::make_unique<TForm1>(page.dir.dir());
        page.form->show();
        TForm1& f = *page.form;
        page.timeframe = f.findChild<QComboBox*>(QStringLiteral("ComboBox4"));
        page.fileLabel = f.findChild<QLabel*>(QStringLiteral("Label179"));
        page.import = f.findChild<QPushButton*>(QStringLiteral("Button13"));
        page.generate = f.findChild<QPushButton*>(QStringLiteral("BitBtn3"));
        page.hourGrid = f.findChild<TStringGrid*>(QStringLiteral("HourGrid"));
        f.findChild<QLineEdit*>(QStringLiteral("Edit7"))->setText(QStringLiteral("BENCHX"));
        const std::string hours = HourLines(kHourLines);
        page.hourFile = page.dir.file("BENCHX_H1.csv");
        quillet::test::WriteFile(page.hourFile, hours);
        // Every 120th hour stands for a week, every 24th for a day.
        std::string weeks, days;
        std::size_t pos = 0;
        for (int i = 0; i < kHourLines; ++i) {
            const std::size_t end = hours.find('\n', pos) + 1;
            if (i % 120 == 0)
                weeks.append(hours, pos, end - pos);
            if (i % 24 == 0)
                days.append(hours, pos, end - pos);
            pos = end;
        }
        quillet::test::WriteFile(page.dir.file("BENCHX_W1.csv"), weeks);
        quillet::test::WriteFile(page.dir.file("BENCHX_D1.csv"), days);
        page.ImportFile("Week", page.dir.file("BENCHX_W1.csv"));
        page.ImportFile("Day", page.dir.file("BENCHX_D1.csv"));
    }
    return page;
}

void QuotesImportHourFile(benchmark::State& state)
{
    QuotesPage& p = Page();
    for (auto _ : state)
        p.ImportFile("Hour", p.hourFile);
    state.counters["rows"] = p.hourGrid->rowCount();
    if (p.dialogs.errors != 0 || p.hourGrid->rowCount() != kHourLines + 1)
        state.SkipWithError("the import failed");
}

void QuotesImportShowAndScroll(benchmark::State& state)
{
    // The user's view of it: import, show the grid, jump to its last row
    // and paint the page at the top and at the bottom.
    QuotesPage& p = Page();
    for (auto _ : state) {
        p.ImportFile("Hour", p.hourFile);
        p.hourGrid->show();
        p.hourGrid->scrollToTop();
        benchmark::DoNotOptimize(p.hourGrid->grab());
        p.hourGrid->verticalScrollBar()->setValue(p.hourGrid->verticalScrollBar()->maximum());
        benchmark::DoNotOptimize(p.hourGrid->grab());
    }
    if (p.dialogs.errors != 0)
        state.SkipWithError("the import failed");
}

void QuotesImportAndGenerate(benchmark::State& state)
{
    QuotesPage& p = Page();
    for (auto _ : state) {
        p.ImportFile("Hour", p.hourFile);
        p.generate->click();
    }
    if (p.dialogs.errors != 0)
        state.SkipWithError("generation failed");
}

BENCHMARK(QuotesImportHourFile)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(QuotesImportShowAndScroll)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(QuotesImportAndGenerate)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

#endif // QUILLET_WINDOW_BENCH
