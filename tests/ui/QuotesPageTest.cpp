// The page "Работа с котировками": quote files imported into the three grids,
// a ".base" file generated from them, and the instrument list edited, down to
// a new pair that the next start loads and runs.

#include "UiTestSupport.h"
#include "cli/Cli.h"
#include "demo/DemoData.h"
#include "model/Dates.h"
#include "store/Files.h"
#include "ui/Controls.h"
#include "ui/Unit1.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

#include <cstring>
#include <filesystem>
#include <sstream>
#include <stdexcept>

using namespace quillet;
using namespace quillet::test;
namespace fs = std::filesystem;

namespace {

QStringList Items(QListWidget* list)
{
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names << list->item(i)->text();
    return names;
}

/// `count` quote lines, one a day from 9 January 2005, CR LF ended. Candle i
/// (from 1) opens at 1.2000 + i/10000 so each row can be told apart.
std::string QuoteLines(int count, const char* time = "00:00")
{
    std::string text;
    text.reserve(static_cast<std::size_t>(count) * 48);
    const QDate first(2005, 1, 9);
    for (int i = 1; i <= count; ++i) {
        const QDate d = first.addDays(i - 1);
        const double open = 1.2 + i / 10000.0;
        text += d.toString(QStringLiteral("yyyy.MM.dd")).toStdString() + ',' + time + ',' +
                QString::number(open, 'f', 4).toStdString() + ',' +
                QString::number(open + 0.003, 'f', 4).toStdString() + ',' +
                QString::number(open - 0.001, 'f', 4).toStdString() + ',' +
                QString::number(open + 0.001, 'f', 4).toStdString() + ",100\r\n";
    }
    return text;
}

} // namespace

class QuotesPageTest : public quillet::test::WindowTest {
    Q_OBJECT
  private slots:
    // Choosing and importing
    void chooseFileShowsPathAndCancelKeepsIt();
    void exampleLineAndLineWithFiveCommas();
    void fiveHundredTwentyLinesGiveFiveHundredTwentyOneRows();
    void emptyFileLeavesHeadingOnly();
    void secondImportReplacesOnlyItsOwnGrid();
    void editChangedAfterImportLeavesLabel();
    void noFileChosenCutsGridAndAsksForFile();
    void noTimeframeChangesNothing();
    void missingFileIsReportedAndGridKeepsItsRows();
    void timeframeButtonsShowOneGrid();
    void fullHourGridKeepsItsHeadingInView();

    // Generation
    void byteOrderMarkIsRefusedAtGeneration();
    void threeGridsGiveFullSizeFileWithTheirSeries();
    void timeCellsKeepTwoCharacters();
    void generatingTwiceListsNameTwice();
    void shorterSecondGenerationLeavesNothingOfFirst();
    void sevenCharacterNameNamesFileNotRecord();
    void gridLongerThanSeriesIsRefused();
    void nameLeavingTheFolderIsRefused_data();
    void nameLeavingTheFolderIsRefused();
    void windowAndCliBuildTheSameFile();

    // The list
    void addBaseTakesSixCharactersBeforeExtension_data();
    void addBaseTakesSixCharactersBeforeExtension();
    void addBaseCancelledChangesNothing();
    void removeWithoutSelectionChangesNothing();
    void removeSelectedKeepsFile();
    void escapeRemovesSelectedEntryOnce();

    // The whole way
    void importGenerateCloseAndRunNewPair();

  private:
    /// Writes `text` as a quote file, chooses it and imports it as `timeframe`.
    void Import(TForm1& form, const char* timeframe, const std::string& text,
                const std::string& fileName = "quotes.csv");
    /// Imports the three timeframes with the given numbers of lines.
    void ImportAll(TForm1& form, int weeks, int days, int hours);
    void Generate(TForm1& form) { Get<QPushButton>(form, "BitBtn3")->click(); }
    QString LastMessage() const
    {
        return dialogs_->messages.isEmpty() ? QString() : dialogs_->messages.last().Text;
    }

    void SetUpTest() override { files_ = std::make_unique<TempDir>(); }
    void TearDownTest() override { files_.reset(); }

    std::unique_ptr<TempDir> files_; // where the user's quote files lie
};

void QuotesPageTest::Import(TForm1& form, const char* timeframe, const std::string& text,
                            const std::string& fileName)
{
    const std::string path = files_->file(fileName);
    WriteFile(path, text);
    dialogs_->fileNames << QString::fromStdString(path);
    Get<QPushButton>(form, "Button14")->click();
    auto* combo = Get<QComboBox>(form, "ComboBox4");
    combo->setCurrentIndex(combo->findText(QString::fromLatin1(timeframe)));
    Get<QPushButton>(form, "Button13")->click();
}

void QuotesPageTest::ImportAll(TForm1& form, int weeks, int days, int hours)
{
    Import(form, "Week", QuoteLines(weeks), "w1.csv");
    Import(form, "Day", QuoteLines(days), "d1.csv");
    Import(form, "Hour", QuoteLines(hours), "h1.csv");
}

// ---------------------------------------------------------------------------
// Choosing and importing

void QuotesPageTest::chooseFileShowsPathAndCancelKeepsIt()
{
    auto form = Start();
    dialogs_->fileNames << QStringLiteral("/data/Котировки/EURUSD_H1.csv");
    Get<QPushButton>(*form, "Button14")->click();
    QCOMPARE(Get<QLabel>(*form, "Label179")->text(), QStringLiteral("/data/Котировки/EURUSD_H1.csv"));
    QCOMPARE(dialogs_->filters, QStringList{QString()}); // no filter
    Get<QPushButton>(*form, "Button14")->click();        // cancelled
    QCOMPARE(Get<QLabel>(*form, "Label179")->text(), QStringLiteral("/data/Котировки/EURUSD_H1.csv"));
}

void QuotesPageTest::exampleLineAndLineWithFiveCommas()
{
    auto form = Start();
    Import(*form, "Hour",
           "2005.01.09,00:00,1.3050,1.3080,1.3040,1.3060,1234\r\n"
           "2005.01.09,00:00,1.3050,1.3080,1.3040,1.3060\r\n");
    auto* grid = Get<TStringGrid>(*form, "HourGrid");
    QCOMPARE(grid->rowCount(), 3);
    const QStringList row1{"2005.01.09", "00:00", "1,3050", "1,3080", "1,3040", "1,3060"};
    const QStringList row2{"2005.01.09", "00:00", "1,3050", "1,3080", "1,3040", ""};
    for (int col = 0; col < 6; ++col) {
        QCOMPARE(grid->Cell(col, 1), row1[col]);
        QCOMPARE(grid->Cell(col, 2), row2[col]);
    }
    QCOMPARE(grid->Cell(0, 0), QStringLiteral("Дата")); // the heading stays
    QCOMPARE(LastMessage(), QStringLiteral("Загружено 2 свечей"));
    QCOMPARE(dialogs_->messages.last().Kind, ui::MessageKind::Information);
    QCOMPARE(QString::fromStdString(ActiveDateFormat()), QStringLiteral("yyyy mm dd"));
}

void QuotesPageTest::fiveHundredTwentyLinesGiveFiveHundredTwentyOneRows()
{
    auto form = Start();
    Import(*form, "Week", QuoteLines(520));
    auto* grid = Get<TStringGrid>(*form, "WeekGrid");
    QCOMPARE(grid->rowCount(), 521);
    QCOMPARE(grid->model()->rowCount(), 521); // the view knows it too
    QCOMPARE(grid->Cell(0, 520), QDate(2005, 1, 9).addDays(519).toString(QStringLiteral("yyyy.MM.dd")));
    QCOMPARE(grid->model()->data(grid->model()->index(520, 2)).toString(), QStringLiteral("1,2520"));
    QCOMPARE(LastMessage(), QStringLiteral("Загружено 520 свечей"));
}

void QuotesPageTest::emptyFileLeavesHeadingOnly()
{
    auto form = Start();
    Import(*form, "Day", "");
    QCOMPARE(Get<TStringGrid>(*form, "DayGrid")->rowCount(), 1);
    QCOMPARE(Get<TStringGrid>(*form, "DayGrid")->model()->rowCount(), 1);
    QCOMPARE(LastMessage(), QStringLiteral("Загружено 0 свечей"));
}

void QuotesPageTest::secondImportReplacesOnlyItsOwnGrid()
{
    auto form = Start();
    Import(*form, "Week", QuoteLines(3));
    Import(*form, "Day", QuoteLines(5));
    Import(*form, "Day", "2010.02.03,10:00,1.1,1.2,1.0,1.15,5\r\n\r\n", "second.csv");
    auto* day = Get<TStringGrid>(*form, "DayGrid");
    QCOMPARE(day->rowCount(), 3); // one line and an empty one
    QCOMPARE(day->Cell(0, 1), QStringLiteral("2010.02.03"));
    QCOMPARE(day->Cell(5, 1), QStringLiteral("1,15"));
    for (int col = 0; col < 6; ++col)
        QCOMPARE(day->Cell(col, 2), QString());
    QCOMPARE(day->Cell(0, 3), QString()); // nothing of the first import's row 3
    QCOMPARE(Get<TStringGrid>(*form, "WeekGrid")->rowCount(), 4);
    QCOMPARE(Get<TStringGrid>(*form, "WeekGrid")->Cell(0, 3), QStringLiteral("2005.01.11"));
    QCOMPARE(Get<TStringGrid>(*form, "HourGrid")->rowCount(), 2);
    QCOMPARE(Get<TStringGrid>(*form, "HourGrid")->Cell(0, 1), QString());
}

void QuotesPageTest::editChangedAfterImportLeavesLabel()
{
    auto form = Start();
    QCOMPARE(Get<QLabel>(*form, "Label181")->text(), QStringLiteral("Инструмент"));
    Get<QLineEdit>(*form, "Edit7")->setText(QStringLiteral("GBPUSD"));
    Import(*form, "Week", QuoteLines(2));
    QCOMPARE(Get<QLabel>(*form, "Label181")->text(), QStringLiteral("GBPUSD"));
    Get<QLineEdit>(*form, "Edit7")->setText(QStringLiteral("USDCHF"));
    QCOMPARE(Get<QLabel>(*form, "Label181")->text(), QStringLiteral("GBPUSD"));
    Import(*form, "Day", QuoteLines(2));
    QCOMPARE(Get<QLabel>(*form, "Label181")->text(), QStringLiteral("USDCHF"));
}

void QuotesPageTest::noFileChosenCutsGridAndAsksForFile()
{
    auto form = Start();
    Import(*form, "Hour", QuoteLines(10));
    Get<QLabel>(*form, "Label179")->setText(QString());
    Get<QLineEdit>(*form, "Edit7")->setText(QStringLiteral("AUDJPY"));
    SetActiveDateFormat(kRegionalDateFormat);
    Get<QPushButton>(*form, "Button13")->click();
    QCOMPARE(LastMessage(), QStringLiteral("Выберите файл"));
    QCOMPARE(dialogs_->messages.last().Kind, ui::MessageKind::Information);
    QCOMPARE(Get<TStringGrid>(*form, "HourGrid")->rowCount(), 2);
    QCOMPARE(Get<TStringGrid>(*form, "HourGrid")->model()->rowCount(), 2);
    QCOMPARE(Get<QLabel>(*form, "Label181")->text(), QStringLiteral("AUDJPY"));
    QCOMPARE(QString::fromStdString(ActiveDateFormat()), QStringLiteral("yyyy mm dd"));
}

void QuotesPageTest::noTimeframeChangesNothing()
{
    auto form = Start();
    const std::string path = files_->file("w.csv");
    WriteFile(path, QuoteLines(4));
    Get<QLabel>(*form, "Label179")->setText(QString::fromStdString(path));
    Get<QLineEdit>(*form, "Edit7")->setText(QStringLiteral("AUDJPY"));
    QCOMPARE(Get<QComboBox>(*form, "ComboBox4")->currentIndex(), -1);
    Get<QPushButton>(*form, "Button13")->click();
    QCOMPARE(dialogs_->messages.size(), 1);
    QCOMPARE(LastMessage(), QStringLiteral("Выберите таймфрейм"));
    QCOMPARE(Get<QLabel>(*form, "Label181")->text(), QStringLiteral("Инструмент"));
    QCOMPARE(QString::fromStdString(ActiveDateFormat()), QStringLiteral("dd.MM.yyyy"));
    for (const char* name : {"WeekGrid", "DayGrid", "HourGrid"})
        QCOMPARE(Get<TStringGrid>(*form, name)->rowCount(), 2);
}

void QuotesPageTest::missingFileIsReportedAndGridKeepsItsRows()
{
    auto form = Start();
    Import(*form, "Day", QuoteLines(6));
    Get<QLabel>(*form, "Label179")->setText(QString::fromStdString(files_->file("gone.csv")));
    Get<QPushButton>(*form, "Button13")->click();
    QCOMPARE(dialogs_->messages.last().Kind, ui::MessageKind::Error);
    QCOMPARE(LastMessage(), QStringLiteral("File not found."));
    QCOMPARE(Get<TStringGrid>(*form, "DayGrid")->rowCount(), 2);
    QCOMPARE(Get<TStringGrid>(*form, "DayGrid")->model()->rowCount(), 2);
}

void QuotesPageTest::timeframeButtonsShowOneGrid()
{
    auto form = Start();
    struct Case {
        const char* button;
        const char* shown;
    };
    for (const Case& c : {Case{"Button15", "WeekGrid"}, Case{"Button16", "DayGrid"},
                          Case{"Button17", "HourGrid"}, Case{"Button15", "WeekGrid"}}) {
        Get<QPushButton>(*form, c.button)->click();
        for (const char* grid : {"WeekGrid", "DayGrid", "HourGrid"})
            QCOMPARE(Get<QWidget>(*form, grid)->isHidden(), std::strcmp(grid, c.shown) != 0);
    }
}

void QuotesPageTest::fullHourGridKeepsItsHeadingInView()
{
    auto form = Start();
    form->show();
    Import(*form, "Hour", QuoteLines(62000), "h1.csv");
    auto* grid = Get<TStringGrid>(*form, "HourGrid");
    QCOMPARE(grid->rowCount(), 62001);

    // The heading is drawn above the rows, not as a row that scrolls.
    grid->scrollToBottom();
    QCoreApplication::processEvents();
    QHeaderView* heading = grid->horizontalHeader();
    QVERIFY(heading->isVisible());
    QVERIFY(heading->geometry().bottom() < grid->viewport()->geometry().top());
    static const char* const kHeadings[] = {"Дата", "Время", "Открытие", "Максимум", "Минимум", "Закрытие"};
    for (int col = 0; col < 6; ++col)
        QCOMPARE(grid->model()->headerData(col, Qt::Horizontal).toString(),
                 QString::fromUtf8(kHeadings[col]));
    QCOMPARE(grid->rowAt(grid->viewport()->height() - 1), 62000);

    // At the top, the first row under the heading is data row 1; the cells
    // keep their numbering, the heading being row 0.
    grid->scrollToTop();
    QCoreApplication::processEvents();
    QCOMPARE(grid->rowAt(0), 1);
    QCOMPARE(grid->Cell(0, 0), QStringLiteral("Дата"));
    QCOMPARE(grid->Cell(0, 1), QStringLiteral("2005.01.09"));
}

// ---------------------------------------------------------------------------
// Generation

void QuotesPageTest::byteOrderMarkIsRefusedAtGeneration()
{
    auto form = Start();
    Get<QLineEdit>(*form, "Edit7")->setText(QStringLiteral("EURUSD"));
    Import(*form, "Week", "\xEF\xBB\xBF" + QuoteLines(3), "w1.csv");
    Import(*form, "Day", QuoteLines(3), "d1.csv");
    Import(*form, "Hour", QuoteLines(3), "h1.csv");
    // The three bytes read as code page 1251 stand before the date.
    QCOMPARE(Get<TStringGrid>(*form, "WeekGrid")->Cell(0, 1), QStringLiteral("п»ї2005.01.09"));
    Generate(*form);
    QCOMPARE(dialogs_->messages.last().Kind, ui::MessageKind::Error);
    QCOMPARE(LastMessage(), QStringLiteral("'п»ї2005.01.09' is not a valid date."));
    QVERIFY(!fs::exists(dir_->file("EURUSD.base")));
    QCOMPARE(Get<QListWidget>(*form, "ListBox6")->count(), 0);
}

void QuotesPageTest::threeGridsGiveFullSizeFileWithTheirSeries()
{
    auto form = Start();
    Get<QLineEdit>(*form, "Edit7")->setText(QStringLiteral("EURUSD"));
    ImportAll(*form, 520, 2600, 62000);
    QCOMPARE(LastMessage(), QStringLiteral("Загружено 62000 свечей"));
    Generate(*form);
    QCOMPARE(LastMessage(), QStringLiteral("Готово"));
    QCOMPARE(dialogs_->messages.last().Kind, ui::MessageKind::Information);
    const std::string path = dir_->file("EURUSD.base");
    QCOMPARE(fs::file_size(path), std::uintmax_t{9'360'152});
    QCOMPARE(Items(Get<QListWidget>(*form, "ListBox6")), QStringList{"EURUSD"});

    ReadBaseFile(path, 1);
    const Instrument& inst = Table()[1];
    QCOMPARE(ShortStringText(inst.Name), std::string("EURUSD"));
    QCOMPARE(FirstEmptyIndex(inst.Week, 1), 521);
    QCOMPARE(FirstEmptyIndex(inst.Day, 1), 2601);
    QCOMPARE(FirstEmptyIndex(inst.Hour, 1), 62001);
    QCOMPARE(inst.Week[1].Date, DateSerial(2005, 1, 9));
    QCOMPARE(inst.Hour[62000].Open, 1.2 + 62000 / 10000.0);
    QCOMPARE(ShortStringText(inst.Day[7].Time), std::string("00"));
    QVERIFY(!CandleExists(inst.Week[0]));
}

void QuotesPageTest::timeCellsKeepTwoCharacters()
{
    auto form = Start();
    Get<QLineEdit>(*form, "Edit7")->setText(QStringLiteral("TIMEXX"));
    Import(*form, "Week", QuoteLines(2));
    Import(*form, "Day", QuoteLines(2));
    Import(*form, "Hour",
           "2005.01.10,13:00,1.1,1.2,1.0,1.15,5\r\n"
           "2005.01.10,7,1.1,1.2,1.0,1.15,5\r\n"
           "2005.01.10,,1.1,1.2,1.0,1.15,5\r\n"
           "2005.01.10,15:00,1.1,1.2,1.0,1.15,5\r\n");
    Generate(*form);
    QCOMPARE(LastMessage(), QStringLiteral("Готово"));
    ReadBaseFile(dir_->file("TIMEXX.base"), 1);
    const CandleSeries& hour = Table()[1].Hour;
    QCOMPARE(ShortStringText(hour[1].Time), std::string("13"));
    QCOMPARE(ShortStringText(hour[2].Time), std::string("7"));
    QCOMPARE(ShortStringText(hour[3].Time), std::string());
    QCOMPARE(ShortStringText(hour[4].Time), std::string("15"));
    QCOMPARE(FirstEmptyIndex(hour, 1), 3); // the empty time ends the series
}

void QuotesPageTest::generatingTwiceListsNameTwice()
{
    WriteConfig(*dir_, {});
    auto form = Start();
    Get<QLineEdit>(*form, "Edit7")->setText(QStringLiteral("NZDUSD"));
    ImportAll(*form, 3, 5, 8);
    Generate(*form);
    Generate(*form);
    QCOMPARE(Items(Get<QListWidget>(*form, "ListBox6")), (QStringList{"NZDUSD", "NZDUSD"}));
    QCOMPARE(fs::file_size(dir_->file("NZDUSD.base")), std::uintmax_t{9'360'152});
    form->close();
    form.reset();
    ClearLoadedSlots();
    form = Start();
    QVERIFY(InstrumentExists(Table()[1]));
    QVERIFY(InstrumentExists(Table()[2]));
    QCOMPARE(Get<QComboBox>(*form, "ComboBox1")->count(), 2);
}

void QuotesPageTest::shorterSecondGenerationLeavesNothingOfFirst()
{
    auto form = Start();
    Get<QLineEdit>(*form, "Edit7")->setText(QStringLiteral("USDCAD"));
    ImportAll(*form, 30, 40, 50);
    Generate(*form);
    const std::string first = ReadFile(dir_->file("USDCAD.base"));
    ImportAll(*form, 3, 4, 5);
    Generate(*form);
    const std::string second = ReadFile(dir_->file("USDCAD.base"));
    QCOMPARE(second.size(), first.size());

    // The second file is exactly the record of the short grids.
    auto expected = NewInstrument("");
    BuildInstrument(*expected, "USDCAD", ReadQuoteFile(files_->file("w1.csv")),
                    ReadQuoteFile(files_->file("d1.csv")), ReadQuoteFile(files_->file("h1.csv")));
    QVERIFY(std::memcmp(second.data(), expected.get(), sizeof(Instrument)) == 0);
    ReadBaseFile(dir_->file("USDCAD.base"), 1);
    QCOMPARE(FirstEmptyIndex(Table()[1].Hour, 1), 6);
    QCOMPARE(Table()[1].Hour[40].Open, 0.0);
    QCOMPARE(Table()[1].Week[20].Date, 0.0);
}

void QuotesPageTest::sevenCharacterNameNamesFileNotRecord()
{
    auto form = Start();
    Get<QLineEdit>(*form, "Edit7")->setText(QStringLiteral("EURUSDX"));
    ImportAll(*form, 2, 2, 2);
    Generate(*form);
    QCOMPARE(LastMessage(), QStringLiteral("Готово"));
    QVERIFY(fs::exists(dir_->file("EURUSDX.base")));
    QVERIFY(!fs::exists(dir_->file("EURUSD.base")));
    QCOMPARE(Items(Get<QListWidget>(*form, "ListBox6")), QStringList{"EURUSDX"});
    ReadBaseFile(dir_->file("EURUSDX.base"), 1);
    QCOMPARE(ShortStringText(Table()[1].Name), std::string("EURUSD"));
}

void QuotesPageTest::gridLongerThanSeriesIsRefused()
{
    auto form = Start();
    Get<QLineEdit>(*form, "Edit7")->setText(QStringLiteral("LONGER"));
    ImportAll(*form, 2, 65001, 65000);
    QCOMPARE(Get<TStringGrid>(*form, "DayGrid")->rowCount(), 65002);
    Generate(*form);
    QCOMPARE(dialogs_->messages.last().Kind, ui::MessageKind::Error);
    QVERIFY2(LastMessage().contains(QStringLiteral("DayGrid")), qPrintable(LastMessage()));
    QVERIFY2(LastMessage().contains(QStringLiteral("65000")), qPrintable(LastMessage()));
    QVERIFY(!fs::exists(dir_->file("LONGER.base")));
    QCOMPARE(Get<QListWidget>(*form, "ListBox6")->count(), 0);

    // 65000 rows fit exactly.
    Import(*form, "Day", QuoteLines(65000), "d1.csv");
    Generate(*form);
    QCOMPARE(LastMessage(), QStringLiteral("Готово"));
    ReadBaseFile(dir_->file("LONGER.base"), 1);
    QCOMPARE(FirstEmptyIndex(Table()[1].Day, 1), 65001);
    QCOMPARE(FirstEmptyIndex(Table()[1].Hour, 1), 65001);
}

void QuotesPageTest::nameLeavingTheFolderIsRefused_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("parent folder") << QStringLiteral("../EUR");
    QTest::newRow("empty") << QString();
    QTest::newRow("dot") << QStringLiteral(".");
    QTest::newRow("dot dot") << QStringLiteral("..");
    QTest::newRow("backslash") << QStringLiteral("EUR\\USD");
}

void QuotesPageTest::nameLeavingTheFolderIsRefused()
{
    QFETCH(QString, name);
    auto form = Start();
    Get<QLineEdit>(*form, "Edit7")->setText(name);
    ImportAll(*form, 2, 2, 2);
    Generate(*form);
    QCOMPARE(dialogs_->messages.last().Kind, ui::MessageKind::Error);
    QVERIFY2(LastMessage().startsWith(QStringLiteral("Недопустимое имя инструмента '") + name +
                                      QStringLiteral("': ")),
             qPrintable(LastMessage()));
    // Nothing was written, here or in the folder above.
    QVERIFY(fs::is_empty(dir_->path()));
    QVERIFY(!fs::exists(dir_->path().parent_path() / "EUR.base"));
    QCOMPARE(Get<QListWidget>(*form, "ListBox6")->count(), 0);
}

void QuotesPageTest::windowAndCliBuildTheSameFile()
{
    const demo::DemoPair& pair = demo::DemoPairs()[0];
    const demo::DemoQuotes quotes = demo::GenerateDemoQuotes(pair);
    const std::string name(pair.Name);

    TempDir cliDir;
    const std::string week = files_->file("w1.csv"), day = files_->file("d1.csv"),
                      hour = files_->file("h1.csv");
    WriteFile(week, quotes.Week);
    WriteFile(day, quotes.Day);
    WriteFile(hour, quotes.Hour);
    const std::string dirArg = cliDir.path().string();
    const char* argv[] = {"quillet-cli", "make-base",  name.c_str(), week.c_str(),
                          day.c_str(),   hour.c_str(), "--dir",      dirArg.c_str()};
    std::ostringstream out, err;
    QCOMPARE(cli::RunCli(8, argv, out, err), 0);

    auto form = Start();
    Get<QLineEdit>(*form, "Edit7")->setText(QString::fromStdString(name));
    Import(*form, "Week", quotes.Week, "w1.csv");
    Import(*form, "Day", quotes.Day, "d1.csv");
    Import(*form, "Hour", quotes.Hour, "h1.csv");
    QCOMPARE(LastMessage(), QStringLiteral("Загружено %1 свечей").arg(quotes.HourCount));
    Generate(*form);
    QCOMPARE(LastMessage(), QStringLiteral("Готово"));

    const std::string fromWindow = ReadFile(dir_->file(name + ".base"));
    const std::string fromCli = ReadFile(cliDir.file(name + ".base"));
    QCOMPARE(fromWindow.size(), std::size_t{9'360'152});
    QVERIFY(fromWindow == fromCli);
}

// ---------------------------------------------------------------------------
// The list

void QuotesPageTest::addBaseTakesSixCharactersBeforeExtension_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("added");
    QTest::newRow("six") << "/home/user/bases/GBPUSD.base"
                         << "GBPUSD";
    QTest::newRow("longer") << "/home/user/bases/GBPUSD_old.base"
                            << "SD_old";
    QTest::newRow("shorter") << "/home/user/bases/EUR.base"
                             << "es/EUR";
    QTest::newRow("whole path short") << "a.base"
                                      << "a";
}

void QuotesPageTest::addBaseTakesSixCharactersBeforeExtension()
{
    QFETCH(QString, path);
    QFETCH(QString, added);
    WriteConfig(*dir_, {"AUDJPY"});
    auto form = Start();
    dialogs_->messages.clear(); // AUDJPY.base is missing; not this test's business
    dialogs_->fileNames << path;
    Get<QPushButton>(*form, "Button18")->click();
    QCOMPARE(dialogs_->filters.last(), QStringLiteral("Базы тестера|*.base"));
    QCOMPARE(Items(Get<QListWidget>(*form, "ListBox6")), (QStringList{"AUDJPY", added}));
    QVERIFY(dialogs_->messages.isEmpty());
}

void QuotesPageTest::addBaseCancelledChangesNothing()
{
    WriteConfig(*dir_, {});
    auto form = Start();
    Get<QPushButton>(*form, "Button18")->click();
    QCOMPARE(dialogs_->filters.size(), 1);
    QCOMPARE(Get<QListWidget>(*form, "ListBox6")->count(), 0);
}

void QuotesPageTest::removeWithoutSelectionChangesNothing()
{
    auto a = NewInstrument("AUDJPY"), b = NewInstrument("EURUSD");
    FillQuietWeeks(*a, 5);
    FillQuietWeeks(*b, 5);
    WriteInstrument(*dir_, "AUDJPY", *a);
    WriteInstrument(*dir_, "EURUSD", *b);
    WriteConfig(*dir_, {"AUDJPY", "EURUSD"});
    auto form = Start();
    Get<QPushButton>(*form, "BitBtn4")->click();
    QCOMPARE(Items(Get<QListWidget>(*form, "ListBox6")), (QStringList{"AUDJPY", "EURUSD"}));
}

void QuotesPageTest::removeSelectedKeepsFile()
{
    auto a = NewInstrument("AUDJPY"), b = NewInstrument("EURUSD");
    FillQuietWeeks(*a, 5);
    FillQuietWeeks(*b, 5);
    WriteInstrument(*dir_, "AUDJPY", *a);
    WriteInstrument(*dir_, "EURUSD", *b);
    WriteConfig(*dir_, {"AUDJPY", "EURUSD"});
    auto form = Start();
    auto* list = Get<QListWidget>(*form, "ListBox6");
    list->setCurrentRow(0);
    Get<QPushButton>(*form, "BitBtn4")->click();
    QCOMPARE(Items(list), QStringList{"EURUSD"});
    QVERIFY(fs::exists(dir_->file("AUDJPY.base")));
    // The loaded instruments stay until the next start.
    QCOMPARE(Get<QComboBox>(*form, "ComboBox1")->count(), 2);
    form->close();
    QCOMPARE(ReadInstrumentList(dir_->file("config")), std::vector<std::string>{"EURUSD"});
}

void QuotesPageTest::escapeRemovesSelectedEntryOnce()
{
    WriteConfig(*dir_, {});
    auto form = Start();
    auto* list = Get<QListWidget>(*form, "ListBox6");
    list->addItems({"AUDJPY", "EURUSD", "GBPUSD"});
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    list->setCurrentRow(1);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Escape);
    QCOMPARE(Items(list), (QStringList{"AUDJPY", "GBPUSD"}));
    // Nothing is left selected, so a second Esc removes nothing.
    QTest::keyClick(list, Qt::Key_Escape);
    QCOMPARE(Items(list), (QStringList{"AUDJPY", "GBPUSD"}));
    form->hide();
}

// ---------------------------------------------------------------------------
// The whole way

void QuotesPageTest::importGenerateCloseAndRunNewPair()
{
    auto old = NewInstrument("AUDJPY");
    FillQuietWeeks(*old, 5);
    WriteInstrument(*dir_, "AUDJPY", *old);
    WriteConfig(*dir_, {"AUDJPY"});
    auto form = Start();

    // Twelve weeks; week 1 rises 120 points, so the run sells on Monday 17
    // January at the first hourly open, 1.2100; the sixth hour falls to
    // 1.2040 and takes the profit 50 points below.
    std::string weeks = "2005.01.09,00:00,1.2000,1.2130,1.1990,1.2120,0\r\n";
    for (int w = 2; w <= 12; ++w)
        weeks += QDate(2005, 1, 9).addDays(7 * (w - 1)).toString(QStringLiteral("yyyy.MM.dd")).toStdString() +
                 ",00:00,1.2000,1.2030,1.1980,1.2010,0\r\n";
    std::string hours;
    for (int h = 0; h < 40; ++h) {
        const std::string hh = (h < 10 ? "0" : "") + std::to_string(h % 24);
        const std::string date = h < 24 ? "2005.01.17" : "2005.01.18";
        hours += date + "," + hh + ":00," +
                 (h == 5 ? "1.2080,1.2085,1.2040,1.2050" : "1.2100,1.2110,1.2090,1.2100") + ",7\r\n";
    }
    Get<QLineEdit>(*form, "Edit7")->setText(QStringLiteral("EURUSD"));
    Import(*form, "Week", weeks, "w1.csv");
    Import(*form, "Day", QuoteLines(60), "d1.csv");
    Import(*form, "Hour", hours, "h1.csv");
    Generate(*form);
    QCOMPARE(LastMessage(), QStringLiteral("Готово"));
    QCOMPARE(Items(Get<QListWidget>(*form, "ListBox6")), (QStringList{"AUDJPY", "EURUSD"}));
    QCOMPARE(Get<QComboBox>(*form, "ComboBox1")->count(), 1); // loaded at the next start
    form->close();
    form.reset();

    ClearLoadedSlots();
    dialogs_->messages.clear();
    form = Start();
    QVERIFY(dialogs_->messages.isEmpty());
    auto* pair = Get<QComboBox>(*form, "ComboBox1");
    QCOMPARE(pair->count(), 2);
    QCOMPARE(pair->itemText(1), QStringLiteral("EURUSD"));
    pair->setCurrentIndex(1);
    emit pair->activated(1);
    Get<QPushButton>(*form, "BitBtn1")->click();
    QVERIFY(dialogs_->messages.isEmpty());
    QCOMPARE(Get<QLabel>(*form, "Label79")->text(), QStringLiteral("1"));        // one entry
    QCOMPARE(Get<QLabel>(*form, "Label64")->text(), QStringLiteral("1 (50 п)")); // taken at profit
    QCOMPARE(Get<QLabel>(*form, "Label71")->text(), QStringLiteral("0 (0 п)"));
}

QUILLET_WINDOW_TEST(QuotesPageTest);
#include "QuotesPageTest.moc"
