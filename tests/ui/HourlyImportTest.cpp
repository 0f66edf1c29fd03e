// The menu item "Импорт из часового файла...": a file chosen, a name typed,
// and the new instrument saved, listed and offered by the pickers at once;
// refusals in an error box that leave files, list and pickers as they were.

#include "store/HourlyImport.h"
#include "UiTestSupport.h"
#include "model/Dates.h"
#include "store/Files.h"
#include "support/HourlyText.h"
#include "ui/Unit1.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QtTest>

#include <cstring>
#include <filesystem>

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

QStringList Items(QComboBox* box)
{
    QStringList names;
    for (int i = 0; i < box->count(); ++i)
        names << box->itemText(i);
    return names;
}

/// `count` hours, 24 a day from Monday 3 January 2000.
std::vector<HourQuote> Hours(int count)
{
    std::vector<HourQuote> hours;
    hours.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        CivilDate c{};
        DecodeDate(DateSerial(2000, 1, 3) + i / 24, c);
        const std::string open = "1.2" + std::to_string(1000 + i % 997);
        hours.push_back({c.Year, c.Month, c.Day, i % 24, open, "1.3", "1.1", open});
    }
    return hours;
}

/// The calendar date of a day serial.
QDate DateOfHour(double serial)
{
    CivilDate c{};
    DecodeDate(serial, c);
    return QDate(c.Year, c.Month, c.Day);
}

/// The base files in a directory.
QStringList BaseFiles(const TempDir& dir)
{
    QStringList names;
    for (const auto& entry : fs::directory_iterator(dir.path()))
        if (entry.path().extension() == ".base")
            names << QString::fromStdString(entry.path().filename().string());
    names.sort();
    return names;
}

} // namespace

class HourlyImportTest : public WindowTest {
    Q_OBJECT
  private slots:
    void menuItemFollowsTheOriginalItems();
    void importSavesListsAndLoadsIntoTheNextSlot();
    void firstInstrumentTakesSlotOne();
    void importReachesTheOptimisationPicker_data();
    void importReachesTheOptimisationPicker();
    void sameNameAsksBeforeReplacing_data();
    void sameNameAsksBeforeReplacing();
    void cancelledDialogsChangeNothing_data();
    void cancelledDialogsChangeNothing();
    void refusalsShowAnErrorAndChangeNothing_data();
    void refusalsShowAnErrorAndChangeNothing();
    void fullTableSavesAndListsWithoutLoading();
    void tooManyHoursOffersAPeriod_data();
    void tooManyHoursOffersAPeriod();

  private:
    void SetUpTest() override { files_ = std::make_unique<TempDir>(); }
    void TearDownTest() override { files_.reset(); }
    /// Writes the hourly file, answers the two dialogs and chooses the menu item.
    void Import(TForm1& form, const std::string& text, const QString& name,
                const std::string& file = "EURUSD_H1.csv");
    /// AUDJPY in slot 1, listed in "config".
    void PrepareOneInstrument();

    std::unique_ptr<TempDir> files_; // where the user's quote files lie
};

void HourlyImportTest::Import(TForm1& form, const std::string& text, const QString& name,
                              const std::string& file)
{
    const std::string path = files_->file(file);
    WriteFile(path, text);
    dialogs_->fileNames << QString::fromStdString(path);
    dialogs_->inputTexts << name;
    Get<QAction>(form, "N4")->trigger();
}

void HourlyImportTest::PrepareOneInstrument()
{
    auto audjpy = NewInstrument("AUDJPY");
    FillQuietWeeks(*audjpy, 10);
    WriteInstrument(*dir_, "AUDJPY", *audjpy);
    WriteConfig(*dir_, {"AUDJPY"});
}

void HourlyImportTest::menuItemFollowsTheOriginalItems()
{
    auto form = Start();
    QMenu* file = Get<QMenu>(*form, "N1");
    const QList<QAction*> items = file->actions();
    QCOMPARE(items.size(), 4);
    QCOMPARE(items[0]->text(), QStringLiteral("&Натсройки"));
    QVERIFY(!items[0]->isEnabled());
    // Above "Выход", which stays the last item.
    QCOMPARE(items[1]->objectName(), QStringLiteral("N4"));
    QCOMPARE(items[1]->text(), QStringLiteral("Импорт из часового файла..."));
    QVERIFY(items[1]->isEnabled());
    QCOMPARE(items[3]->text(), QStringLiteral("&Выход"));
}

void HourlyImportTest::importSavesListsAndLoadsIntoTheNextSlot()
{
    PrepareOneInstrument();
    auto form = Start();
    QVERIFY(dialogs_->messages.isEmpty());
    // Eleven days of a tab-separated export: two weeks, 264 hours.
    const std::string text = HourlyText(HourlyFormat::TabBracketed, Hours(264));
    Import(*form, text, QStringLiteral("EURUSD"));

    // The chooser offers quote files; the name prompt starts from the file's name.
    QCOMPARE(dialogs_->filters, QStringList{QStringLiteral("Котировки|*.csv;*.txt|Все файлы|*")});
    QCOMPARE(dialogs_->promptTexts, QStringList{QStringLiteral("EURUSD")});
    QCOMPARE(dialogs_->promptLengths, QList<int>{6});
    QCOMPARE(dialogs_->messages.size(), 1);
    QCOMPARE(dialogs_->messages[0].Kind, ui::MessageKind::Information);
    // The export's spread column is kept beside the record, and in the table beside its slot.
    QCOMPARE(dialogs_->messages[0].Text,
             QStringLiteral(
                 "Готово: недельных свечей 2, дневных 11, часовых 264, спред каждого часа сохранён в ") +
                 QString::fromStdString(dir_->file("EURUSD.spread")));

    // The file holds what the core builds from the same text.
    auto expected = NewInstrument("");
    BuildInstrumentFromHourly(*expected, "EURUSD", text);
    const std::string saved = ReadFile(dir_->file("EURUSD.base"));
    QCOMPARE(saved.size(), kInstrumentSize);
    QVERIFY(std::memcmp(saved.data(), expected.get(), kInstrumentSize) == 0);

    // Listed for "config", loaded into slot 2, offered by every picker.
    QCOMPARE(Items(Get<QListWidget>(*form, "ListBox6")), (QStringList{"AUDJPY", "EURUSD"}));
    QVERIFY(std::memcmp(&Table()[2], expected.get(), kInstrumentSize) == 0);
    QCOMPARE(Table().Spread(2).Hours(), 264);
    QCOMPARE(Table().Spread(2).At(264), 12);
    for (const char* name : {"ComboBox1", "ComboBox2", "ComboBox3"}) {
        auto* picker = Get<QComboBox>(*form, name);
        QCOMPARE(Items(picker), (QStringList{"AUDJPY", "EURUSD"}));
        QCOMPARE(picker->currentIndex(), -1); // nothing chosen for the user
    }
    QCOMPARE(Items(Get<QListWidget>(*form, "ListBox5")), (QStringList{"AUDJPY", "EURUSD"}));

    // Choosing it shows its weeks, in the import's date format.
    auto* pair = Get<QComboBox>(*form, "ComboBox1");
    pair->setCurrentIndex(1);
    emit pair->activated(1);
    QCOMPARE(Caption(*form, "Label56"), QStringLiteral("2000 01 02 - 2000 01 09"));
    QCOMPARE(Caption(*form, "Label1"), QStringLiteral("3"));
    QVERIFY(Get<QPushButton>(*form, "BitBtn1")->isEnabled());
}

void HourlyImportTest::firstInstrumentTakesSlotOne()
{
    auto form = Start();
    Import(*form, HourlyText(HourlyFormat::SemicolonCompact, Hours(30)), QStringLiteral("GBP"), "gbp.txt");
    QCOMPARE(dialogs_->promptTexts, QStringList{QStringLiteral("gbp")});
    QCOMPARE(dialogs_->messages.size(), 1);
    QCOMPARE(dialogs_->messages[0].Kind, ui::MessageKind::Information);
    QCOMPARE(LoadedInstrumentNames(), std::vector<std::string>{"GBP"});
    QCOMPARE(Items(Get<QComboBox>(*form, "ComboBox1")), QStringList{"GBP"});
    QCOMPARE(Get<QComboBox>(*form, "ComboBox1")->currentIndex(), -1);
    QCOMPARE(BaseFiles(*dir_), QStringList{"GBP.base"});
}

void HourlyImportTest::importReachesTheOptimisationPicker_data()
{
    QTest::addColumn<bool>("oneLoaded");
    QTest::addColumn<QStringList>("offered");
    // With two instruments the picker also offers to sweep them together.
    QTest::newRow("after AUDJPY") << true << QStringList{"AUDJPY", "EURUSD", "Несколько инструментов..."};
    QTest::newRow("window started empty") << false << QStringList{"EURUSD"};
}

void HourlyImportTest::importReachesTheOptimisationPicker()
{
    QFETCH(bool, oneLoaded);
    QFETCH(QStringList, offered);
    if (oneLoaded)
        PrepareOneInstrument();
    auto form = Start();
    Import(*form, HourlyText(HourlyFormat::QuoteLine, Hours(200)), QStringLiteral("EURUSD"));

    // The page "Оптимизация" offers what the single-pair picker offers, and
    // what was chosen there stays chosen.
    auto* pair = Get<QComboBox>(*form, "PairBox");
    QCOMPARE(Items(pair), offered);
    QCOMPARE(pair->currentIndex(), 0);
    QCOMPARE(pair->currentText(), offered.front());
}

void HourlyImportTest::sameNameAsksBeforeReplacing_data()
{
    QTest::addColumn<bool>("replace");
    QTest::newRow("replaced") << true;
    QTest::newRow("kept") << false;
}

void HourlyImportTest::sameNameAsksBeforeReplacing()
{
    QFETCH(bool, replace);
    PrepareOneInstrument();
    const std::string before = ReadFile(dir_->file("AUDJPY.base"));
    auto form = Start();
    dialogs_->confirmAnswers << replace;
    const std::string text = HourlyText(HourlyFormat::QuoteLine, Hours(264));
    Import(*form, text, QStringLiteral("AUDJPY"));

    QCOMPARE(dialogs_->questions.size(), 1);
    QVERIFY2(dialogs_->questions[0].startsWith(QStringLiteral("Инструмент AUDJPY уже есть")),
             qPrintable(dialogs_->questions[0]));
    // One name, one slot, whatever the answer.
    QCOMPARE(Items(Get<QListWidget>(*form, "ListBox6")), QStringList{"AUDJPY"});
    QCOMPARE(Items(Get<QComboBox>(*form, "ComboBox1")), QStringList{"AUDJPY"});
    QCOMPARE(Items(Get<QComboBox>(*form, "PairBox")), QStringList{"AUDJPY"});
    QVERIFY(!InstrumentExists(Table()[2]));
    if (replace) {
        // The file and slot 1 hold the new quotes.
        auto expected = NewInstrument("");
        BuildInstrumentFromHourly(*expected, "AUDJPY", text);
        QCOMPARE(dialogs_->messages.size(), 1);
        QCOMPARE(dialogs_->messages[0].Kind, ui::MessageKind::Information);
        QVERIFY(ReadFile(dir_->file("AUDJPY.base")) != before);
        QVERIFY(std::memcmp(&Table()[1], expected.get(), kInstrumentSize) == 0);
    } else {
        QVERIFY(dialogs_->messages.isEmpty());
        QVERIFY(ReadFile(dir_->file("AUDJPY.base")) == before);
        QCOMPARE(Table()[1].Week[1].Date, Day(2005, 1, 9));
    }
}

void HourlyImportTest::cancelledDialogsChangeNothing_data()
{
    QTest::addColumn<bool>("fileChosen");
    QTest::addColumn<int>("prompts");
    QTest::newRow("file chooser cancelled") << false << 0;
    QTest::newRow("name prompt cancelled") << true << 1;
}

void HourlyImportTest::cancelledDialogsChangeNothing()
{
    QFETCH(bool, fileChosen);
    QFETCH(int, prompts);
    PrepareOneInstrument();
    auto form = Start();
    if (fileChosen) {
        const std::string path = files_->file("EURUSD_H1.csv");
        WriteFile(path, HourlyText(HourlyFormat::QuoteLine, Hours(30)));
        dialogs_->fileNames << QString::fromStdString(path);
    }
    Get<QAction>(*form, "N4")->trigger();
    QCOMPARE(dialogs_->prompts.size(), prompts);
    QVERIFY(dialogs_->messages.isEmpty());
    QCOMPARE(BaseFiles(*dir_), QStringList{"AUDJPY.base"});
    QCOMPARE(Items(Get<QListWidget>(*form, "ListBox6")), QStringList{"AUDJPY"});
    QCOMPARE(Items(Get<QComboBox>(*form, "ComboBox1")), QStringList{"AUDJPY"});
}

void HourlyImportTest::refusalsShowAnErrorAndChangeNothing_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("error");

    const QByteArray good = QByteArray::fromStdString(HourlyText(HourlyFormat::QuoteLine, Hours(30)));
    QTest::newRow("unknown format") << QByteArray("Time;Bid\r\n1;2\r\n") << "EURUSD"
                                    << "'FILE': Неизвестный формат часового файла, первая строка: 'Time;Bid'";
    QTest::newRow("falling dates")
        << QByteArray("2010.10.07,14:00,1,1,1,1,1\n2010.10.07,13:00,1,1,1,1,1\n") << "EURUSD"
        << "'FILE': Строка 2: 2010-10-07 13:00 не позже 2010-10-07 14:00 в строке 1";
    QTest::newRow("bad price") << QByteArray("2010.10.07,13:00,1.3,1.4,1.2,1.3O,1\n") << "EURUSD"
                               << "'FILE': Строка 1: неверная цена Close '1.3O'";
    QTest::newRow("empty name") << good << ""
                                << "Недопустимое имя инструмента ''";
    QTest::newRow("dot dot") << good << ".."
                             << "Недопустимое имя инструмента '..'";
    QTest::newRow("separator") << good << "EUR/US"
                               << "Недопустимое имя инструмента 'EUR/US'";
    QTest::newRow("seven characters") << good << "EURUSDX"
                                      << "Имя инструмента 'EURUSDX' длиннее шести символов.";
}

void HourlyImportTest::refusalsShowAnErrorAndChangeNothing()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, name);
    QFETCH(QString, error);
    PrepareOneInstrument();
    auto form = Start();
    Import(*form, text.toStdString(), name);

    QCOMPARE(dialogs_->messages.size(), 1);
    QCOMPARE(dialogs_->messages[0].Kind, ui::MessageKind::Error);
    QCOMPARE(dialogs_->messages[0].Title, QStringLiteral("Quillet_tester"));
    // A file's fault names the file.
    error.replace(QStringLiteral("FILE"), QString::fromStdString(files_->file("EURUSD_H1.csv")));
    QVERIFY2(dialogs_->messages[0].Text.startsWith(error), qPrintable(dialogs_->messages[0].Text));
    QCOMPARE(BaseFiles(*dir_), QStringList{"AUDJPY.base"});
    QCOMPARE(Items(Get<QListWidget>(*form, "ListBox6")), QStringList{"AUDJPY"});
    QCOMPARE(Items(Get<QComboBox>(*form, "ComboBox1")), QStringList{"AUDJPY"});
    QCOMPARE(Get<QListWidget>(*form, "ListBox5")->count(), 1);
    QVERIFY(!InstrumentExists(Table()[2]));

    // The dates keep the format they had: choosing the pair shows its weeks
    // as before the import.
    auto* pair = Get<QComboBox>(*form, "ComboBox1");
    pair->setCurrentIndex(0);
    emit pair->activated(0);
    QCOMPARE(Caption(*form, "Label56"), QStringLiteral("09.01.2005 - 13.03.2005"));
}

void HourlyImportTest::fullTableSavesAndListsWithoutLoading()
{
    // Thirty instruments in the table, as if start-up had loaded them.
    for (int slot = 1; slot <= kLastSlot; ++slot) {
        SetShortString(Table()[slot].Name, "P" + std::to_string(slot));
        SetCandle(Table()[slot].Week[1], Day(2005, 1, 9), "00", 1, 1, 1, 1);
    }
    const auto last = std::make_unique<Instrument>(Table()[kLastSlot]);
    auto form = Start();
    QCOMPARE(Get<QComboBox>(*form, "ComboBox1")->count(), 30);
    Import(*form, HourlyText(HourlyFormat::DayFirstSeconds, Hours(30)), QStringLiteral("EXTRA1"));

    QCOMPARE(dialogs_->messages.size(), 1);
    QCOMPARE(dialogs_->messages[0].Kind, ui::MessageKind::Information);
    QVERIFY2(dialogs_->messages[0].Text.contains(QStringLiteral("Все 30 мест для инструментов заняты")),
             qPrintable(dialogs_->messages[0].Text));
    QCOMPARE(BaseFiles(*dir_), QStringList{"EXTRA1.base"});
    QCOMPARE(Items(Get<QListWidget>(*form, "ListBox6")), QStringList{"EXTRA1"});
    QCOMPARE(Get<QComboBox>(*form, "ComboBox1")->count(), 30);
    QVERIFY(std::memcmp(&Table()[kLastSlot], last.get(), sizeof(Instrument)) == 0);
}

void HourlyImportTest::tooManyHoursOffersAPeriod_data()
{
    using Period = std::pair<QDate, QDate>;
    QTest::addColumn<QList<Period>>("answers");
    QTest::addColumn<QString>("done"); // empty: nothing imported
    // 65001 hours from 00:00 on Monday 3 January 2000: the last 65000 begin
    // at 01:00 that day, so the whole days that fit begin on 4 January; the
    // last hour is 08:00 on 3 June 2007.
    const Period fitting{QDate(2000, 1, 4), QDate(2007, 6, 3)};
    QTest::newRow("cancelled") << QList<Period>{} << QString();
    QTest::newRow("the period offered")
        << QList<Period>{fitting} << "Готово: недельных свечей 388, дневных 2708, часовых 64977";
    QTest::newRow("one week") << QList<Period>{{QDate(2000, 1, 3), QDate(2000, 1, 9)}}
                              << "Готово: недельных свечей 2, дневных 7, часовых 168";
}

void HourlyImportTest::tooManyHoursOffersAPeriod()
{
    using Period = std::pair<QDate, QDate>;
    QFETCH(QList<Period>, answers);
    QFETCH(QString, done);
    PrepareOneInstrument();
    auto form = Start();
    dialogs_->periodAnswers = answers;
    Import(*form, HourlyText(HourlyFormat::QuoteLine, Hours(65'001)), QStringLiteral("EURUSD"));

    // The chooser tells why and offers the last hours that fit, by whole days.
    QCOMPARE(dialogs_->periodsOffered, (QList<Period>{{QDate(2000, 1, 4), QDate(2007, 6, 3)}}));
    QVERIFY2(dialogs_->periodTexts[0].startsWith(
                 QStringLiteral("В файле 65001 часовых свечей, а в базе помещается не более 65000")),
             qPrintable(dialogs_->periodTexts[0]));
    if (done.isEmpty()) {
        QVERIFY(dialogs_->messages.isEmpty());
        QCOMPARE(BaseFiles(*dir_), QStringList{"AUDJPY.base"});
        QCOMPARE(Items(Get<QListWidget>(*form, "ListBox6")), QStringList{"AUDJPY"});
        QCOMPARE(ActiveDateFormat(), std::string(kRegionalDateFormat));
        return;
    }
    QCOMPARE(dialogs_->messages.size(), 1);
    QCOMPARE(dialogs_->messages[0].Text, done);
    QCOMPARE(BaseFiles(*dir_), (QStringList{"AUDJPY.base", "EURUSD.base"}));
    QCOMPARE(Items(Get<QComboBox>(*form, "ComboBox1")), (QStringList{"AUDJPY", "EURUSD"}));
    QCOMPARE(DateOfHour(Table()[2].Hour[1].Date), answers[0].first);
}

QUILLET_WINDOW_TEST(HourlyImportTest);
#include "HourlyImportTest.moc"
