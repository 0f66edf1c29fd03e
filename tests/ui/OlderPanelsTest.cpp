// The hidden panel "Прошлые наработки": the labels L111 to L333 filled at
// start-up, the import of seven instruments from csv files, the save of
// slots 1 to 7, the memo toggle and the echoing track bars.

#include "UiTestSupport.h"
#include "model/Dates.h"
#include "store/Files.h"
#include "store/OlderImport.h"
#include "ui/Controls.h"
#include "ui/Unit1.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include <cstring>
#include <filesystem>
#include <stdexcept>

using namespace quillet;
using namespace quillet::test;

namespace {

/// An instrument as generation writes it: `weeks`, `days` and `hours`
/// candles from index 1, candle 0 empty.
std::unique_ptr<Instrument> Generated(const std::string& name, int weeks, int days, int hours)
{
    auto inst = NewInstrument(name);
    FillQuietWeeks(*inst, weeks);
    for (int i = 1; i <= days; ++i)
        SetCandle(inst->Day[i], Day(2005, 1, 10) + i, "00", 1.2, 1.21, 1.19, 1.2);
    for (int i = 1; i <= hours; ++i)
        SetCandle(inst->Hour[i], Day(2005, 1, 10) + i / 24.0, "00", 1.2, 1.21, 1.19, 1.2);
    return inst;
}

const QStringList kSevenPairs{"AUDJPY", "AUDUSD", "EURJPY", "GBPUSD", "EURAUD", "EURUSD", "EURCAD"};

} // namespace

class OlderPanelsTest : public quillet::test::WindowTest {
    Q_OBJECT
  private slots:
    // Labels at start-up
    void sixCharacterNameFillsAllThreeSeries();
    void sevenCharacterNameIsCutToNineCharacters();
    void seriesReadFromIndexZeroShowsItsFirstDate();
    void emptyDaySeriesInSlotTwoEndsItsLabels();
    void fourInstrumentsFillThreePanels();
    void absentInstrumentFillsNothing();

    // The older import and the save
    void importFillsSevenSlotsAndRefreshesNothing();
    void importOfAMissingFileNamesIt();
    void importRefusesAFileLongerThanASeries();
    void saveWritesSlotsOneToSeven();
    void failedSaveIsReported();

    // Memo toggle and track bars
    void memoToggleChangesButton3();
    void trackBarsEchoTheirPosition();

  private:
    /// Writes dir/33/<name><series>.csv for the seven pairs, `lines` lines each.
    void WriteOlderFiles(int lines);
};

void OlderPanelsTest::WriteOlderFiles(int lines)
{
    std::filesystem::create_directory(dir_->path() / "33");
    for (const QString& pair : kSevenPairs)
        for (int j = 1; j <= 3; ++j) {
            std::string text;
            for (int n = 0; n < lines; ++n)
                text += "2005.01." + std::to_string(10 + n) + ",0" + std::to_string(j) +
                        ":00,1.2,1.3,1.1,1.25,0\r\n";
            WriteFile(OlderQuoteFileName(dir_->dir() + "33/", pair.toStdString(), j), text);
        }
}

// ---------------------------------------------------------------------------
// Labels at start-up

void OlderPanelsTest::sixCharacterNameFillsAllThreeSeries()
{
    auto a = Generated("AUDJPY", 10, 20, 30);
    auto form = Start({"AUDJPY"}, {a.get()});
    QVERIFY(dialogs_->messages.isEmpty());
    QCOMPARE(Caption(*form, "L111"), QStringLiteral("AUDJPY W1"));
    QCOMPARE(Caption(*form, "L121"), QStringLiteral("AUDJPY D1"));
    QCOMPARE(Caption(*form, "L131"), QStringLiteral("AUDJPY H1"));
    // A generated series counts one more than its candles.
    QCOMPARE(Caption(*form, "L112"), QStringLiteral("11"));
    QCOMPARE(Caption(*form, "L122"), QStringLiteral("21"));
    QCOMPARE(Caption(*form, "L132"), QStringLiteral("31"));
    // Its candle 0 is empty: day serial 0 under the start format.
    for (const char* name : {"L113", "L123", "L133"})
        QCOMPARE(Caption(*form, name), QStringLiteral("30.12.1899"));
    // Slot 2 is empty: its panels keep their captions.
    QCOMPARE(Caption(*form, "L211"), QStringLiteral("Инструмент 1"));
    QCOMPARE(Caption(*form, "L212"), QStringLiteral("88"));
}

void OlderPanelsTest::sevenCharacterNameIsCutToNineCharacters()
{
    auto a = Generated("AUDJPY", 3, 3, 3);
    auto b = Generated("ABCDEFG", 3, 3, 3); // only a file written elsewhere holds seven
    auto form = Start({"AUDJPY", "ABCDEFG"}, {a.get(), b.get()});
    QCOMPARE(Caption(*form, "L211"), QStringLiteral("ABCDEFG W"));
    QCOMPARE(Caption(*form, "L221"), QStringLiteral("ABCDEFG D"));
    QCOMPARE(Caption(*form, "L231"), QStringLiteral("ABCDEFG H"));
    QCOMPARE(Caption(*form, "L212"), QStringLiteral("4"));
}

void OlderPanelsTest::seriesReadFromIndexZeroShowsItsFirstDate()
{
    // The older import fills a series from index 0: candle 0 is its first.
    auto a = NewInstrument("EURUSD");
    for (int i = 0; i < 5; ++i)
        SetCandle(a->Week[i], Day(2005, 1, 9) + 7 * i, "00", 1.2, 1.2, 1.2, 1.2);
    auto form = Start({"EURUSD"}, {a.get()});
    QCOMPARE(Caption(*form, "L113"), QStringLiteral("09.01.2005"));
    QCOMPARE(Caption(*form, "L112"), QStringLiteral("5")); // candles 0 to 4
    QCOMPARE(Caption(*form, "L121"), QStringLiteral("Инструмент 1"));
}

void OlderPanelsTest::emptyDaySeriesInSlotTwoEndsItsLabels()
{
    auto a = Generated("AUDJPY", 5, 5, 5);
    auto b = Generated("EURUSD", 7, 0, 9); // hours, but no days
    auto form = Start({"AUDJPY", "EURUSD"}, {a.get(), b.get()});
    QCOMPARE(Caption(*form, "L211"), QStringLiteral("EURUSD W1"));
    QCOMPARE(Caption(*form, "L212"), QStringLiteral("8"));
    QCOMPARE(Caption(*form, "L213"), QStringLiteral("30.12.1899"));
    // The missing Day series ends the scan: the Hour series is not shown either.
    for (const char* name : {"L221", "L231"})
        QCOMPARE(Caption(*form, name), QStringLiteral("Инструмент 1"));
    for (const char* name : {"L222", "L223", "L232", "L233"})
        QCOMPARE(Caption(*form, name), QStringLiteral("88"));
    QCOMPARE(Caption(*form, "L131"), QStringLiteral("AUDJPY H1"));
}

void OlderPanelsTest::fourInstrumentsFillThreePanels()
{
    auto a = Generated("AUDJPY", 2, 2, 2), b = Generated("AUDUSD", 3, 3, 3), c = Generated("EURJPY", 4, 4, 4),
         d = Generated("GBPUSD", 5, 5, 5);
    auto form = Start({"AUDJPY", "AUDUSD", "EURJPY", "GBPUSD"}, {a.get(), b.get(), c.get(), d.get()});
    QVERIFY(dialogs_->messages.isEmpty());
    QCOMPARE(Caption(*form, "L111"), QStringLiteral("AUDJPY W1"));
    QCOMPARE(Caption(*form, "L221"), QStringLiteral("AUDUSD D1"));
    QCOMPARE(Caption(*form, "L331"), QStringLiteral("EURJPY H1"));
    QCOMPARE(Caption(*form, "L332"), QStringLiteral("5"));
    // The fourth has no panel; start-up goes on to the end.
    QCOMPARE(Get<QComboBox>(*form, "ComboBox3")->count(), 4);
    QVERIFY(!Get<QWidget>(*form, "PageControl1")->isHidden());
    QVERIFY(Get<QWidget>(*form, "Panel16")->isHidden());
    for (QLabel* label : form->findChildren<QLabel*>())
        QVERIFY2(!label->text().contains(QStringLiteral("GBPUSD")), qPrintable(label->objectName()));
}

void OlderPanelsTest::absentInstrumentFillsNothing()
{
    auto a = Generated("NOWEEK", 0, 5, 5); // days and hours, but no weeks
    auto form = Start({"NOWEEK"}, {a.get()});
    QCOMPARE(Caption(*form, "L111"), QStringLiteral("Инструмент 1"));
    QCOMPARE(Caption(*form, "L121"), QStringLiteral("Инструмент 1"));
    QCOMPARE(Caption(*form, "L122"), QStringLiteral("88"));
}

// ---------------------------------------------------------------------------
// The older import and the save

void OlderPanelsTest::importFillsSevenSlotsAndRefreshesNothing()
{
    auto a = Generated("NZDUSD", 2, 2, 2);
    auto form = Start({"NZDUSD"}, {a.get()});
    WriteOlderFiles(3);
    Get<QPlainTextEdit>(*form, "Memo2")->setPlainText(kSevenPairs.join(QLatin1Char('\n')));
    Get<QPushButton>(*form, "Button5")->click();

    QVERIFY(dialogs_->messages.isEmpty());
    QCOMPARE(ActiveDateFormat(), std::string(kImportDateFormat));
    for (int slot = 1; slot <= 7; ++slot) {
        QCOMPARE(QString::fromStdString(ShortStringText(Table()[slot].Name)), kSevenPairs[slot - 1]);
        QCOMPARE(Table()[slot].Hour[0].Date, Day(2005, 1, 10));
        QCOMPARE(ShortStringText(Table()[slot].Hour[0].Time), std::string("03"));
        QCOMPARE(Table()[slot].Week[2].Close, 1.25);
        QVERIFY(!CandleExists(Table()[slot].Day[3]));
    }
    // Slot 1 held a generated series of two weeks from index 1: the third
    // line overwrote candle 2, nothing past it remained.
    QCOMPARE(FirstEmptyIndex(Table()[1].Week, 1), 3);
    // Pickers, the instrument list and the labels stay as start-up left them.
    QCOMPARE(Get<QComboBox>(*form, "ComboBox1")->count(), 1);
    QCOMPARE(Get<QComboBox>(*form, "ComboBox1")->itemText(0), QStringLiteral("NZDUSD"));
    QCOMPARE(Get<QListWidget>(*form, "ListBox6")->count(), 1);
    QCOMPARE(Caption(*form, "L111"), QStringLiteral("NZDUSD W1"));
    QCOMPARE(Caption(*form, "L211"), QStringLiteral("Инструмент 1"));
}

void OlderPanelsTest::importOfAMissingFileNamesIt()
{
    auto form = Start({}, {});
    WriteOlderFiles(2);
    std::filesystem::remove(dir_->path() / "33" / "EURJPY2.csv");
    Get<QPlainTextEdit>(*form, "Memo2")->setPlainText(kSevenPairs.join(QLatin1Char('\n')));
    Get<QPushButton>(*form, "Button5")->click();

    QCOMPARE(dialogs_->messages.size(), 1);
    QCOMPARE(dialogs_->messages[0].Kind, ui::MessageKind::Error);
    QCOMPARE(dialogs_->messages[0].Title, QStringLiteral("Quillet_tester"));
    QCOMPARE(dialogs_->messages[0].Text, QStringLiteral("Cannot open file \"%1\". File not found.")
                                             .arg(QString::fromStdString(dir_->dir() + "33/EURJPY2.csv")));
    // The slots before stay filled.
    QCOMPARE(ShortStringText(Table()[2].Name), std::string("AUDUSD"));
    QVERIFY(CandleExists(Table()[3].Week[1]));
    QVERIFY(!CandleExists(Table()[3].Day[0]));
}

void OlderPanelsTest::importRefusesAFileLongerThanASeries()
{
    auto form = Start({}, {});
    WriteOlderFiles(1);
    // One line more than candles 0 to 65000 hold.
    std::string text;
    for (int n = 0; n <= kLastCandleIndex + 1; ++n)
        text += "2005.01.10,00:00,1.2,1.3,1.1,1.25,0\n";
    WriteFile(dir_->dir() + "33/AUDJPY1.csv", text);
    Get<QPlainTextEdit>(*form, "Memo2")->setPlainText(kSevenPairs.join(QLatin1Char('\n')));
    Get<QPushButton>(*form, "Button5")->click();

    QCOMPARE(dialogs_->messages.size(), 1);
    QVERIFY2(dialogs_->messages[0].Text.startsWith(QStringLiteral("Слишком много строк в файле")),
             qPrintable(dialogs_->messages[0].Text));
    QVERIFY(dialogs_->messages[0].Text.contains(QStringLiteral("65002")));
    QVERIFY(!CandleExists(Table()[1].Week[0]));
    QVERIFY(!CandleExists(Table()[1].Day[0])); // nothing written past candle 65000
}

void OlderPanelsTest::saveWritesSlotsOneToSeven()
{
    auto a = Generated("AUDJPY", 2, 2, 2), b = Generated("EURUSD", 3, 3, 3);
    auto form = Start({"AUDJPY", "EURUSD"}, {a.get(), b.get()});
    Get<QPushButton>(*form, "Button8")->click();
    QVERIFY(dialogs_->messages.isEmpty());

    const std::string bytes = ReadFile(dir_->file("tools.base"));
    QCOMPARE(bytes.size(), std::size_t(65'521'064));
    QCOMPARE(std::memcmp(bytes.data(), a.get(), kInstrumentSize), 0);
    QCOMPARE(std::memcmp(bytes.data() + kInstrumentSize, b.get(), kInstrumentSize), 0);
    // Slots 3 to 7 are empty records.
    QVERIFY(bytes.find_first_not_of('\0', 2 * kInstrumentSize) == std::string::npos);
}

void OlderPanelsTest::failedSaveIsReported()
{
    const std::filesystem::path sub = dir_->path() / "gone";
    std::filesystem::create_directory(sub);
    TForm1 form(sub.string() + "/");
    std::filesystem::remove_all(sub);
    Get<QPushButton>(form, "Button8")->click();
    QCOMPARE(dialogs_->messages.size(), 1);
    QCOMPARE(dialogs_->messages[0].Kind, ui::MessageKind::Error);
    QCOMPARE(dialogs_->messages[0].Text, QStringLiteral("File not found."));
}

// ---------------------------------------------------------------------------
// Memo toggle and track bars

void OlderPanelsTest::memoToggleChangesButton3()
{
    auto form = Start({}, {});
    auto* memo = Get<QPlainTextEdit>(*form, "Memo1");
    auto* toggle = Get<QPushButton>(*form, "Button2");
    auto* caption = Get<QPushButton>(*form, "Button3");
    QVERIFY(memo->isHidden());
    QCOMPARE(caption->text(), QStringLiteral("<>"));
    toggle->click();
    QVERIFY(!memo->isHidden()); // shown within its hidden panel
    QCOMPARE(caption->text(), QStringLiteral("<<"));
    QCOMPARE(toggle->text(), QStringLiteral(">>"));
    toggle->click();
    QVERIFY(memo->isHidden());
    QCOMPARE(caption->text(), QStringLiteral(">>"));
    QCOMPARE(toggle->text(), QStringLiteral(">>"));
}

void OlderPanelsTest::trackBarsEchoTheirPosition()
{
    auto form = Start({}, {});
    Get<TTrackBar>(*form, "TrackBar1")->setValue(120);
    QCOMPARE(Caption(*form, "Label8"), QStringLiteral("120"));
    Get<TTrackBar>(*form, "TrackBar2")->setValue(1);
    QCOMPARE(Caption(*form, "Label10"), QStringLiteral("1"));
    Get<TTrackBar>(*form, "TrackBar3")->setValue(5);
    QCOMPARE(Caption(*form, "Label18"), QStringLiteral("5"));
    // Each label follows its own bar only.
    QCOMPARE(Caption(*form, "Label8"), QStringLiteral("120"));
    Get<TTrackBar>(*form, "TrackBar1")->setValue(85);
    QCOMPARE(Caption(*form, "Label8"), QStringLiteral("85"));
    QCOMPARE(Caption(*form, "Label10"), QStringLiteral("1"));
}

QUILLET_WINDOW_TEST(OlderPanelsTest);
#include "OlderPanelsTest.moc"
