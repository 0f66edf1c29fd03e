// The layout of the windows: every named component exists with its kind,
// caption, range, default and state, and no caption is cut off.

#include "UiTestSupport.h"
#include "ui/Controls.h"
#include "ui/Dialogs.h"
#include "ui/Unit1.h"
#include "ui/Unit2.h"
#include "ui/Unit3.h"

#include <QAbstractButton>
#include <QAction>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QtTest>

using namespace quillet::test;

namespace {

QString Caption(QObject* o)
{
    if (auto* l = qobject_cast<QLabel*>(o))
        return l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(o))
        return b->text();
    if (auto* g = qobject_cast<QGroupBox*>(o))
        return g->title();
    if (auto* e = qobject_cast<QLineEdit*>(o))
        return e->text();
    if (auto* a = qobject_cast<QAction*>(o))
        return a->text();
    if (auto* m = qobject_cast<QMenu*>(o))
        return m->title();
    return {};
}

QStringList Range(int from, int to, const char* prefix = "Label")
{
    QStringList names;
    for (int i = from; i <= to; ++i)
        names << QString::fromLatin1(prefix) + QString::number(i);
    return names;
}

} // namespace

class ComponentsTest : public WindowTest {
    Q_OBJECT
  private slots:
    void everyNamedComponentExists();
    void captions_data();
    void captions();
    void trackBars_data();
    void trackBars();
    void initialStates();
    void menuAndDialogs();
    void gridsAndProgressBars();
    void chartIsEmptyWithRedSeries();
    void allPairsPageIsInert();
    void escapeOnQuotesPagePressesRemoveButton();
    void secondaryWindows();
    void noCaptionIsCutOff_data();
    void noCaptionIsCutOff();
    void fonts_data();
    void fonts();

  private:
    /// A window over an empty directory for the checks that only read.
    TForm1& Shared();

    std::unique_ptr<TempDir> sharedDir_;
    std::unique_ptr<TForm1> shared_;
};

TForm1& ComponentsTest::Shared()
{
    if (!shared_) {
        sharedDir_ = std::make_unique<TempDir>();
        shared_ = std::make_unique<TForm1>(sharedDir_->dir());
    }
    return *shared_;
}

void ComponentsTest::everyNamedComponentExists()
{
    TForm1 form(dir_->dir());
    QStringList names{"Button9",
                      "ListBox4",
                      "Panel15",
                      "PageControl1",
                      "Panel16",
                      "MainMenu1",
                      "OpenDialog1",
                      "OpenDialog2",
                      "N1",
                      "N2",
                      "N3",
                      "Label185",
                      "Label193",
                      "ProgressBar4",
                      "TabSheet1",
                      "TabSheet2",
                      "TabSheet3",
                      "TabSheet4",
                      "ListBox5",
                      "Panel17",
                      "Panel19",
                      "Panel18",
                      "TrackBar8",
                      "TrackBar9",
                      "TrackBar10",
                      "CheckBox9",
                      "TrackBar15",
                      "CheckBox8",
                      "DateTimePicker3",
                      "DateTimePicker4",
                      "TrackBar13",
                      "TrackBar14",
                      "BitBtn2",
                      "Bevel6",
                      "CheckBox7",
                      "ComboBox3",
                      "Button11",
                      "Button12",
                      "TrackBar18",
                      "TrackBar16",
                      "TrackBar17",
                      "ProgressBar3",
                      "ComboBox2",
                      "CheckBox10",
                      "Panel14",
                      "Bevel2",
                      "ComboBox1",
                      "Bevel4",
                      "CheckBox4",
                      "TrackBar4",
                      "TrackBar6",
                      "TrackBar7",
                      "Bevel5",
                      "CheckBox5",
                      "TrackBar12",
                      "Bevel1",
                      "CheckBox3",
                      "DateTimePicker1",
                      "DateTimePicker2",
                      "TrackBar5",
                      "TrackBar11",
                      "CheckBox6",
                      "BitBtn1",
                      "Chart1",
                      "ProgressBar2",
                      "ListBox6",
                      "Button18",
                      "BitBtn4",
                      "Bevel7",
                      "Button14",
                      "ComboBox4",
                      "Edit7",
                      "Button13",
                      "BitBtn3",
                      "Button15",
                      "Button16",
                      "Button17",
                      "WeekGrid",
                      "DayGrid",
                      "HourGrid",
                      "Button10",
                      "Memo3",
                      "Button6",
                      "Button5",
                      "Button8",
                      "Edit1",
                      "Edit6",
                      "UpDown5",
                      "Button4",
                      "Button1",
                      "ProgressBar1",
                      "Memo2",
                      "Panel1",
                      "Panel2",
                      "Panel3",
                      "Panel4",
                      "Panel5",
                      "TrackBar1",
                      "TrackBar2",
                      "TrackBar3",
                      "Label8",
                      "Label10",
                      "Label18",
                      "Button2",
                      "Memo1",
                      "Button3",
                      "ListBox1",
                      "ListBox2",
                      "Label1",
                      "Label56",
                      "Label61",
                      "Label67",
                      "Label77",
                      "Label78",
                      "Label93",
                      "Label94",
                      "Label96",
                      "Label97",
                      "Label98",
                      "Label99",
                      "Label100",
                      "Label101",
                      "Label102",
                      "Label103",
                      "Label104",
                      "Label105",
                      "Label106",
                      "Label186",
                      "Label190",
                      "Label191",
                      "Label192",
                      "Label187",
                      "Label188",
                      "Label189"};
    names << Range(6, 13, "Panel") << Range(0, 6, "Lab") << Range(172, 178) << Range(126, 139)
          << Range(140, 171) << Range(107, 125) << Range(179, 184) << Range(79, 92) << Range(64, 64)
          << Range(70, 71) << Range(73, 73) << Range(75, 76) << Range(95, 95);
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j)
            for (int k = 1; k <= 3; ++k)
                names << QStringLiteral("L%1%2%3").arg(i).arg(j).arg(k);
    QStringList missing;
    for (const QString& name : names)
        if (!form.findChild<QObject*>(name))
            missing << name;
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char(' '))));
    QVERIFY(form.Series1());
    QCOMPARE(form.Series1()->objectName(), QStringLiteral("Series1"));
    QCOMPARE(form.objectName(), QStringLiteral("Form1"));
}

void ComponentsTest::captions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    const QList<QPair<const char*, QString>> rows{
        {"Label185", "Загрузка"},
        {"Button9", "<>"},
        {"Panel15", "Прошлые наработки"},
        {"N1", "&Файл"},
        {"N2", "&Натсройки"},
        {"N3", "&Выход"},
        {"Label100", "Минимальная длина свечи"},
        {"Label101", "85 п"},
        {"Label102", "Stop Loss"},
        {"Label103", "100 п"},
        {"Label104", "Take Profit"},
        {"Label105", "50 п"},
        {"CheckBox9", "Ограничение времени удержания позиции"},
        {"Label186", "48 ч"},
        {"CheckBox8", "Ораничение временного промежутка анализа"},
        {"BitBtn2", ""},
        {"CheckBox7", "Индивидуальные настройки для каждой пары"},
        {"Button11", "Загрузить"},
        {"Button12", "Сохранить"},
        {"Label172", "AUDJPY"},
        {"Label175", "GPBUSD"},
        {"Label178", "EURCAD"},
        {"Lab0", "150 (SL=110,TP=50)"},
        {"Lab6", "150 (SL=110,TP=50)"},
        {"Label187", "Сигнальная свеча"},
        {"Label190", "00"},
        {"Label188", "Stop Loss"},
        {"Label191", "00"},
        {"Label189", "Take Profit"},
        {"Label192", "00"},
        {"Label106", "Подробности по паре"},
        {"CheckBox10", "Вести лог работы"},
        {"Label61", "Общее количество недельных свечей"},
        {"Label1", "0"},
        {"Label67", "Временной промежуток"},
        {"Label56", "0"},
        {"Label78", "Сигнальная свеча"},
        {"CheckBox4", "Расширенный диапазон"},
        {"Label77", "85 п"},
        {"Label97", "Стоп-лосс"},
        {"Label96", "100 п"},
        {"Label99", "Тейк-профит"},
        {"Label98", "50 п"},
        {"CheckBox5", "Ограничение времени удержания позиции"},
        {"Label94", "48 ч"},
        {"CheckBox3", "Ораничение временного промежутка анализа"},
        {"CheckBox6", "Вести лог работы"},
        {"BitBtn1", "Рассчитать"},
        {"Label93", "* Если пара\"отдыхала\" в понедельник после закрытия сигнальной свечи - не входим"},
        {"Label184", "Загруженные инструменты :"},
        {"Button18", "Загрузить инструмент"},
        {"BitBtn4", ""},
        {"Label183", "Создание нового файла базы"},
        {"Button14", "Выбрать файл"},
        {"Label179", ""},
        {"Label180", "Таймфрейм"},
        {"Label182", "Инструмент"},
        {"Edit7", "XXXXXX"},
        {"Button13", "подгрузить" + QString(42, QLatin1Char(' ')) + "->>>"},
        {"BitBtn3", "Сгенерировать файл базы"},
        {"Label181", "Инструмент"},
        {"Button15", "W1"},
        {"Button16", "D1"},
        {"Button17", "H1"},
        {"Button10", "Очистить лог"},
        {"Label80", "Количество входов"},
        {"Label79", "0"},
        {"Label73", "Количество ТР"},
        {"Label76", "Количество SL"},
        {"Label70", "Общий процент ТР   (%)"},
        {"Label81", "Средняя просадка при TP (пп)"},
        {"Label85", "Максимальная просадка при TP (пп)"},
        {"Label156", "\"Профитность\""},
        {"Label157", "0"},
        {"Label159", "Максимальная серия TP"},
        {"Label161", "Максимальная серия SL"},
        {"Label170", "Закрытые по \"тайм-ауту\" сделки, шт(п)"},
        {"Label164", "Закрытые в +"},
        {"Label165", "Закрытые в -"},
        {"Label83", "Подробно по профиту"},
        {"Label86", "Часовых свечей до профита:"},
        {"Label88", "Минимальное"},
        {"Label89", "Среднее"},
        {"Label91", "Максимальное"},
        {"Label163", "По парам"},
        {"Label126", "AUDJPY"},
        {"Label129", "GPBUSD"},
        {"Label133", "100(50%)"},
        {"Label139", "100(50%)"},
        {"Label140", "* входы(%ТР)"},
        {"Label149", "Количество входов"},
        {"Label145", "Количество ТР"},
        {"Label147", "Количество SL"},
        {"Label143", "Общий процент ТР   (%)"},
        {"Label153", "Средняя просадка позиции"},
        {"Label155", "Макс. просадка позиции"},
        {"Label151", "Среднее кол-во часов"},
        {"Label141", "\"Профитность\""},
        {"Label166", "Максимальная серия TP"},
        {"Label168", "Максимальная серия SL"},
        {"Label108", "Количество входов"},
        {"Label112", "Количество ТР"},
        {"Label114", "Количество SL"},
        {"Label110", "Общий процент ТР   (%)"},
        {"Label115", "Средняя просадка при TP (пп)"},
        {"Label118", "Максимальная просадка при TP (пп)"},
        {"Label119", "Часовых свечей до профита:"},
        {"Label121", "Минимальное"},
        {"Label122", "Среднее"},
        {"Label124", "Максимальное"},
        {"Label125", "0"},
        {"Button6", "Обновить инструменты"},
        {"Button5", "Добавить инструмент"},
        {"Button8", "Сохранить"},
        {"Edit1", "AUDJPY"},
        {"Edit6", "1"},
        {"Button4", "Гоу"},
        {"Button1", "Настройки"},
        {"Button2", ">>"},
        {"Label8", "85"},
        {"Label10", "80"},
        {"Label18", "2"},
        {"L111", "Инструмент 1"},
        {"L232", "88"},
        {"L333", "88"},
    };
    for (const auto& [name, caption] : rows)
        QTest::newRow(name) << QString::fromLatin1(name) << caption;
}

void ComponentsTest::captions()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QObject* o = Shared().findChild<QObject*>(name);
    QVERIFY(o);
    QCOMPARE(Caption(o), caption);
}

void ComponentsTest::trackBars_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("lineSize");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("TrackBar8") << "TrackBar8" << 85 << 300 << 85 << 1 << false;
    QTest::newRow("TrackBar9") << "TrackBar9" << 0 << 200 << 100 << 1 << false;
    QTest::newRow("TrackBar10") << "TrackBar10" << 1 << 200 << 50 << 1 << false;
    QTest::newRow("TrackBar15") << "TrackBar15" << 1 << 120 << 48 << 1 << false;
    QTest::newRow("TrackBar13") << "TrackBar13" << 0 << 535 << 0 << 1 << false;
    QTest::newRow("TrackBar14") << "TrackBar14" << 0 << 535 << 535 << 1 << false;
    QTest::newRow("TrackBar18") << "TrackBar18" << 85 << 300 << 85 << 1 << false;
    QTest::newRow("TrackBar16") << "TrackBar16" << 0 << 200 << 100 << 1 << false;
    QTest::newRow("TrackBar17") << "TrackBar17" << 1 << 200 << 50 << 1 << false;
    QTest::newRow("TrackBar4") << "TrackBar4" << 85 << 150 << 85 << 5 << true;
    QTest::newRow("TrackBar6") << "TrackBar6" << 0 << 150 << 100 << 5 << true;
    QTest::newRow("TrackBar7") << "TrackBar7" << 0 << 100 << 50 << 1 << true;
    QTest::newRow("TrackBar12") << "TrackBar12" << 1 << 120 << 48 << 1 << false;
    QTest::newRow("TrackBar5") << "TrackBar5" << 0 << 535 << 1 << 1 << false;
    QTest::newRow("TrackBar11") << "TrackBar11" << 1 << 535 << 535 << 1 << false;
    QTest::newRow("TrackBar1") << "TrackBar1" << 85 << 150 << 85 << 5 << true;
    QTest::newRow("TrackBar2") << "TrackBar2" << 1 << 100 << 80 << 5 << true;
    QTest::newRow("TrackBar3") << "TrackBar3" << 1 << 5 << 2 << 5 << true;
}

void ComponentsTest::trackBars()
{
    QFETCH(QString, name);
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(int, position);
    QFETCH(int, lineSize);
    QFETCH(bool, enabled);
    auto* bar = Shared().findChild<TTrackBar*>(name);
    QVERIFY(bar);
    QCOMPARE(bar->orientation(), Qt::Horizontal);
    QCOMPARE(bar->minimum(), min);
    QCOMPARE(bar->maximum(), max);
    QCOMPARE(bar->value(), position);
    QCOMPARE(bar->singleStep(), lineSize);
    QCOMPARE(bar->isEnabled(), enabled);
}

void ComponentsTest::initialStates()
{
    TForm1 form(dir_->dir());
    form.show();
    QCOMPARE(form.windowTitle(), QStringLiteral("Quillet_tester v2.4"));
    // The outer size, frame included; the offscreen platform reports a frame too.
    QCOMPARE(form.frameGeometry().size(), QSize(995, 590));
    auto hidden = [&](const char* n) { return form.findChild<QWidget*>(QString::fromLatin1(n))->isHidden(); };
    auto enabled = [&](const char* n) {
        return form.findChild<QWidget*>(QString::fromLatin1(n))->isEnabled();
    };
    for (const char* n :
         {"Button9", "ListBox4", "Panel15", "Panel16", "Button6", "Button4", "Button1", "ProgressBar1",
          "Panel1", "Panel6", "Panel13", "Panel2", "Panel3", "Panel4", "Panel5", "Memo1", "ProgressBar3"})
        QVERIFY2(hidden(n), n);
    QVERIFY(!hidden("PageControl1"));
    for (const char* n : {"BitBtn1", "TrackBar5", "TrackBar11", "TrackBar12", "Label94", "DateTimePicker1",
                          "DateTimePicker2", "Chart1", "TabSheet1"})
        QVERIFY2(!enabled(n), n);
    for (const char* n :
         {"ComboBox1", "CheckBox3", "CheckBox4", "CheckBox5", "CheckBox6", "Memo3", "ListBox6"})
        QVERIFY2(enabled(n), n);
    for (const char* n : {"CheckBox3", "CheckBox4", "CheckBox5", "CheckBox6", "CheckBox7", "CheckBox8",
                          "CheckBox9", "CheckBox10"})
        QVERIFY2(!form.findChild<QCheckBox*>(QString::fromLatin1(n))->isChecked(), n);
    auto* list4 = form.findChild<QListWidget*>(QStringLiteral("ListBox4"));
    QCOMPARE(list4->count(), 15);
    QCOMPARE(list4->item(14)->text(), QStringLiteral("пара1"));
    auto* timeframe = form.findChild<QComboBox*>(QStringLiteral("ComboBox4"));
    QCOMPARE(timeframe->count(), 3);
    QCOMPARE(timeframe->itemText(0), QStringLiteral("Week"));
    QCOMPARE(timeframe->itemText(2), QStringLiteral("Hour"));
    QCOMPARE(timeframe->currentIndex(), -1);
    QVERIFY(!timeframe->isEditable());
    QVERIFY(!form.findChild<QComboBox*>(QStringLiteral("ComboBox1"))->isEditable());
    QCOMPARE(form.findChild<QPlainTextEdit*>(QStringLiteral("Memo3"))->toPlainText(), QString());
    QCOMPARE(form.findChild<QPlainTextEdit*>(QStringLiteral("Memo3"))->verticalScrollBarPolicy(),
             Qt::ScrollBarAlwaysOn);
    QCOMPARE(form.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))->toPlainText(),
             QStringLiteral("Memo1"));
    QCOMPARE(form.findChild<QWidget*>(QStringLiteral("BitBtn4"))->toolTip(),
             QStringLiteral("Удалить выделенный инструмент"));
    for (const char* n : {"BitBtn1", "BitBtn2", "BitBtn3", "BitBtn4"})
        QVERIFY2(!form.findChild<QPushButton*>(QString::fromLatin1(n))->icon().isNull(), n);
    QVERIFY(form.findChild<QPushButton*>(QStringLiteral("BitBtn2"))->isDefault());
    auto* pages = form.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    // The four specified pages come first; new pages follow them.
    QCOMPARE(pages->count(), 7);
    QCOMPARE(pages->tabText(0), QStringLiteral("Статистика по всем инструментам"));
    QCOMPARE(pages->tabText(1), QStringLiteral("Индивидуальная статистика по парам"));
    QCOMPARE(pages->tabText(2), QStringLiteral("Работа с котировками"));
    QCOMPARE(pages->tabText(3), QStringLiteral("Лог работы"));
    QCOMPARE(pages->tabText(4), QStringLiteral("Сделки"));
    QCOMPARE(pages->tabText(5), QStringLiteral("Оптимизация"));
    QCOMPARE(pages->tabText(6), QStringLiteral("Форвард-анализ"));
}

void ComponentsTest::menuAndDialogs()
{
    TForm1 form(dir_->dir());
    auto* bar = form.findChild<QMenuBar*>(QStringLiteral("MainMenu1"));
    QVERIFY(bar);
    QCOMPARE(form.menuBar(), bar);
    const QList<QAction*> top = bar->actions();
    QCOMPARE(top.size(), 2); // "&Файл", then "&Справка"
    QMenu* file = top[0]->menu();
    QVERIFY(file);
    QCOMPARE(file->objectName(), QStringLiteral("N1"));
    const QList<QAction*> items = file->actions();
    QCOMPARE(items.size(), 4);
    QCOMPARE(items[0]->objectName(), QStringLiteral("N2"));
    QVERIFY(!items[0]->isEnabled());
    QCOMPARE(items[1]->objectName(), QStringLiteral("N4")); // the hourly import, above the exit
    QVERIFY(items[1]->isEnabled());
    QCOMPARE(items[2]->objectName(), QStringLiteral("CostsItem")); // the costs, also above it
    QCOMPARE(items[2]->text(), QStringLiteral("Издержки..."));
    QCOMPARE(items[3]->objectName(), QStringLiteral("N3"));
    QVERIFY(items[3]->isEnabled());
    QCOMPARE(form.OpenDialog1()->Filter(), QString());
    QCOMPARE(form.OpenDialog2()->Filter(), QStringLiteral("Базы тестера|*.base"));
    QCOMPARE(form.OpenDialog2()->objectName(), QStringLiteral("OpenDialog2"));
    // The menu that says where the files are and makes the demo instruments.
    QMenu* help = top[1]->menu();
    QVERIFY(help);
    QCOMPARE(help->objectName(), QStringLiteral("HelpMenu"));
    QCOMPARE(help->title(), QStringLiteral("&Справка"));
    const QList<QAction*> helpItems = help->actions();
    QCOMPARE(helpItems.size(), 2);
    QCOMPARE(helpItems[0]->objectName(), QStringLiteral("DemoDataItem"));
    QCOMPARE(helpItems[1]->objectName(), QStringLiteral("AboutItem"));
}

void ComponentsTest::gridsAndProgressBars()
{
    TForm1 form(dir_->dir());
    for (const char* n : {"WeekGrid", "DayGrid", "HourGrid"}) {
        auto* grid = form.findChild<TStringGrid*>(QString::fromLatin1(n));
        QVERIFY2(grid, n);
        QCOMPARE(grid->columnCount(), 6);
        QCOMPARE(grid->rowCount(), 2);
        QVERIFY(!grid->isHidden());
        QCOMPARE(grid->geometry(), form.findChild<QWidget*>(QStringLiteral("HourGrid"))->geometry());
        QVERIFY(grid->columnWidth(1) >= 64);
    }
    struct Bar {
        const char* name;
        int min, max, value;
    };
    for (const Bar& b : {Bar{"ProgressBar2", 0, 535, 0}, Bar{"ProgressBar3", 0, 535, 0},
                         Bar{"ProgressBar4", 0, 100, 0}, Bar{"ProgressBar1", 0, 537, 0}}) {
        auto* bar = form.findChild<QProgressBar*>(QString::fromLatin1(b.name));
        QVERIFY2(bar, b.name);
        QCOMPARE(bar->minimum(), b.min);
        QCOMPARE(bar->maximum(), b.max);
        QCOMPARE(bar->value(), b.value);
    }
}

void ComponentsTest::chartIsEmptyWithRedSeries()
{
    TForm1 form(dir_->dir());
    auto* view = form.findChild<QChartView*>(QStringLiteral("Chart1"));
    QVERIFY(view);
    QCOMPARE(view->chart()->title(), QStringLiteral("TChart"));
    QCOMPARE(view->chart()->series().size(), 1);
    QCOMPARE(view->chart()->series().first(), form.Series1());
    QCOMPARE(form.Series1()->color(), QColor(Qt::red));
    QCOMPARE(form.Series1()->count(), 0);
    QVERIFY(!form.Series1()->pointsVisible());
    QVERIFY(!form.Series1()->pointLabelsVisible());
}

void ComponentsTest::allPairsPageIsInert()
{
    TForm1 form(dir_->dir());
    form.show();
    auto* page = form.findChild<QWidget*>(QStringLiteral("TabSheet1"));
    const QList<QWidget*> controls = page->findChildren<QWidget*>();
    QVERIFY(controls.size() > 100);
    for (QWidget* w : controls)
        if (w->window() == &form) // a drop-down list's popup is a window of its own
            QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
    for (const char* n : {"ListBox5", "Panel17", "Panel19", "Panel18", "CheckBox7"})
        QVERIFY2(form.findChild<QWidget*>(QString::fromLatin1(n))->testAttribute(Qt::WA_ForceDisabled), n);
}

void ComponentsTest::escapeOnQuotesPagePressesRemoveButton()
{
    TForm1 form(dir_->dir());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto* remove = form.findChild<QPushButton*>(QStringLiteral("BitBtn4"));
    QSignalSpy clicks(remove, &QAbstractButton::clicked);
    form.findChild<QWidget*>(QStringLiteral("ListBox6"))->setFocus();
    QTest::keyClick(form.findChild<QWidget*>(QStringLiteral("ListBox6")), Qt::Key_Escape);
    QCOMPARE(clicks.count(), 1);
    // On another page the button is not shown and Esc does nothing.
    form.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(3);
    QTest::keyClick(form.findChild<QWidget*>(QStringLiteral("Memo3")), Qt::Key_Escape);
    QCOMPARE(clicks.count(), 1);
}

void ComponentsTest::secondaryWindows()
{
    TForm2 settings;
    QCOMPARE(settings.objectName(), QStringLiteral("Form2"));
    QCOMPARE(settings.windowTitle(), QStringLiteral("Настройки"));
    QVERIFY(settings.isWindow());
    QVERIFY(settings.isHidden());
    settings.show();
    QCOMPARE(settings.frameGeometry().size(), QSize(343, 222));
    settings.hide();
    auto* logging = settings.findChild<QCheckBox*>(QStringLiteral("CheckBox1"));
    auto* whole = settings.findChild<QCheckBox*>(QStringLiteral("CheckBox2"));
    QVERIFY(logging && whole);
    QCOMPARE(logging->text(), QStringLiteral("Логирование"));
    QVERIFY(logging->isChecked());
    QCOMPARE(whole->text(), QStringLiteral("Отображать весь лог"));
    QVERIFY(!whole->isChecked());

    TForm3 single;
    QCOMPARE(single.objectName(), QStringLiteral("Form3"));
    QCOMPARE(single.windowTitle(), QStringLiteral("Рассчёт для отдельной пары"));
    QCOMPARE(single.size(), QSize(675, 313));
    QCOMPARE(single.windowType(), Qt::Tool);
    QVERIFY(!(single.windowFlags() & Qt::WindowCloseButtonHint));
    QVERIFY(!(single.windowFlags() & Qt::WindowMinMaxButtonsHint));
    QVERIFY(single.findChildren<QWidget*>().isEmpty());
    QVERIFY(single.isHidden());
}

void ComponentsTest::noCaptionIsCutOff_data()
{
    // The frame the platform draws comes out of the client area: the pages
    // must hold their controls also under a tall caption bar.
    QTest::addColumn<QSize>("frame");
    QTest::newRow("platform frame") << QSize();
    QTest::newRow("frame of 10 x 44") << QSize(10, 44);
}

void ComponentsTest::noCaptionIsCutOff()
{
    // With every label holding its longest start-up text, each caption fits
    // its control at the window's initial size, and no control sticks out
    // of its page.
    QFETCH(QSize, frame);
    auto inst = NewInstrument("EURUSD");
    FillQuietWeeks(*inst, 537);
    WriteInstrument(*dir_, "EURUSD", *inst);
    WriteConfig(*dir_, {"EURUSD"});
    TForm1 form(dir_->dir());
    form.show();
    if (frame.isValid()) {
        form.resize(QSize(995, 590) - frame);
        QTRY_COMPARE(form.size(), QSize(995, 590) - frame);
    }
    auto* combo = form.findChild<QComboBox*>(QStringLiteral("ComboBox1"));
    combo->setCurrentIndex(0);
    emit combo->activated(0);
    auto* pages = form.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    QStringList clipped;
    for (int i = 0; i < pages->count(); ++i) {
        pages->setCurrentIndex(i);
        for (QWidget* w : pages->widget(i)->findChildren<QWidget*>()) {
            if (!w->isVisibleTo(pages->widget(i)))
                continue;
            QSize need;
            if (auto* l = qobject_cast<QLabel*>(w))
                need = l->wordWrap() ? QSize(0, l->heightForWidth(l->width())) : l->sizeHint();
            else if (auto* b = qobject_cast<QPushButton*>(w); b && !b->text().isEmpty()) {
                // The text and the glyph inside the button's margins (a push
                // button's size hint also asks for a minimum width of its own).
                const int margin = b->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, b);
                const int glyph = b->icon().isNull() ? 0 : b->iconSize().width() + 4;
                need = QSize(b->fontMetrics().horizontalAdvance(b->text()) + glyph + 2 * margin,
                             b->fontMetrics().height());
            } else if (qobject_cast<QAbstractButton*>(w) &&
                       !qobject_cast<QAbstractButton*>(w)->text().isEmpty())
                need = w->sizeHint();
            const QRect inPage(w->mapTo(pages->widget(i), QPoint(0, 0)), w->size());
            if (need.width() > w->width() || need.height() > w->height() + 4 ||
                !pages->widget(i)->rect().contains(inPage))
                clipped << w->objectName();
        }
    }
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QLatin1Char(' '))));
    QVERIFY(pages->geometry().bottom() < form.centralWidget()->height());
    QVERIFY(pages->geometry().right() < form.centralWidget()->width());
}

void ComponentsTest::fonts_data()
{
    // 8 point regular unless a control says otherwise: headings called bold
    // are bold at that size, the track bars' values and the loading caption
    // are bold at pixel height 16 (12 points), the all-pairs headings at 13.
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<int>("points");
    for (const char* name : {"Label78", "Label97",  "Label99", "Label106", "Label183", "Label79",  "Label64",
                             "Label71", "Label75",  "Label84", "Label82",  "Label157", "Label160", "Label162",
                             "Label95", "Label171", "Label87", "Label90",  "Label92",  "Label80",  "Label1"})
        QTest::newRow(name) << QString::fromLatin1(name) << false << 8;
    for (const char* name : {"Label170", "Label83", "Label163", "Label181"})
        QTest::newRow(name) << QString::fromLatin1(name) << true << 8;
    for (const char* name : {"Label77", "Label96", "Label98", "Label94", "Label101", "Label186", "Label185"})
        QTest::newRow(name) << QString::fromLatin1(name) << true << 12;
    for (const char* name : {"Label100", "Label102", "Label104"})
        QTest::newRow(name) << QString::fromLatin1(name) << true << 10;
}

void ComponentsTest::fonts()
{
    QFETCH(QString, name);
    QFETCH(bool, bold);
    QFETCH(int, points);
    const QFont font = Get<QLabel>(Shared(), name)->font();
    QCOMPARE(font.bold(), bold);
    QCOMPARE(font.pointSize(), points);
}

QUILLET_WINDOW_TEST(ComponentsTest);
#include "ComponentsTest.moc"
