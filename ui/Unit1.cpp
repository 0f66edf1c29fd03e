#include "ui/Unit1.h"

#include "analysis/EquityCurve.h"
#include "engine/BacktestParams.h"
#include "engine/SinglePair.h"
#include "model/ControlRanges.h"
#include "model/Dates.h"
#include "model/Errors.h"
#include "model/Instrument.h"
#include "report/Catalogue.h"
#include "report/SinglePairReport.h"
#include "report/SinglePairRun.h"
#include "report/SpreadTexts.h"
#include "report/SweepTexts.h"
#include "ui/Controls.h"
#include "ui/Dialogs.h"
#include "ui/TradesPage.h"
#include "ui/WindowFrame.h"
#include "ui_Unit1.h"

#include <QApplication>
#include <QChart>
#include <QCloseEvent>
#include <QLineSeries>
#include <QShortcut>
#include <QStyle>

#include <algorithm>
#include <exception>
#include <vector>

using quillet::ui::ShowError;
using quillet::ui::ShowInfo;
using quillet::ui::TOpenDialog;

namespace {

const QDate kSerialZero(1899, 12, 30);

// A weekly candle of a slot, its index held within the series.
const quillet::Candle& WeekCandle(int slot, int index)
{
    index = std::clamp(index, 0, quillet::kLastCandleIndex);
    return quillet::Table()[slot].Week[index];
}

/// Calendar date of a day serial; invalid for a serial outside years 1..9999.
QDate DateOfSerial(double serial)
{
    quillet::CivilDate c{};
    if (!quillet::DecodeDate(serial, c))
        return {};
    return QDate(c.Year, c.Month, c.Day);
}

/// Day serial of a date and time of day (negative serials count the time
/// towards zero, as day serials do).
double SerialOf(const QDateTime& value)
{
    const double days = static_cast<double>(kSerialZero.daysTo(value.date()));
    const double fraction = value.time().msecsSinceStartOfDay() / 86'400'000.0;
    return days < 0 ? days - fraction : days + fraction;
}

/// Shows the date of a serial in a picker, keeping its time of day. A
/// serial that is no date (a corrupt file) leaves the picker as it was.
void ShowDate(TDateTimePicker* picker, double serial)
{
    const QDate date = DateOfSerial(serial);
    if (date.isValid())
        picker->SetDatePart(date);
}

QString Text(const std::string& utf8)
{
    return QString::fromStdString(utf8);
}

QString Points(int value)
{
    return QString::number(value) + QStringLiteral(" п");
}

QString Hours(int value)
{
    return QString::number(value) + QStringLiteral(" ч");
}

/// The control's own Enabled setting, whatever its parents say.
bool OwnEnabled(const QWidget* w)
{
    return !w->testAttribute(Qt::WA_ForceDisabled);
}

QColor NormalWindowColor()
{
    return QApplication::palette().color(QPalette::Active, QPalette::Base);
}

/// The pages fill the client area, which is the window's outer size less
/// whatever frame the platform draws; the controls along the bottom of a
/// page follow its edge and the lists, grids and log take up the height
/// there is.
void FollowWindowEdges(Ui::TForm1& u)
{
    using quillet::ui::Follow;
    using quillet::ui::FollowEdges;
    FollowEdges(u.PageControl1, Follow::Stretch, 0, Follow::Stretch, 0);
    // Single pair: the footnote and the progress bar under the two columns.
    FollowEdges(u.Panel14, Follow::Stretch, 0, Follow::Stretch, 0);
    FollowEdges(u.ProgressBar2, Follow::Stretch, 11, Follow::Move, 8);
    FollowEdges(u.Label93, Follow::None, 0, Follow::Move, 27);
    FollowEdges(u.PairCostsLabel, Follow::None, 0, Follow::Move, 27);
    FollowEdges(u.Bevel2, Follow::None, 0, Follow::Stretch, 48);
    // Quotes: the instrument list above its buttons, the new-base frame and its grids.
    FollowEdges(u.ListBox6, Follow::None, 0, Follow::Stretch, 42);
    FollowEdges(u.Button18, Follow::None, 0, Follow::Move, 8);
    FollowEdges(u.BitBtn4, Follow::None, 0, Follow::Move, 8);
    FollowEdges(u.Bevel7, Follow::None, 0, Follow::Stretch, 8);
    for (QWidget* grid : {u.WeekGrid, u.DayGrid, u.HourGrid})
        FollowEdges(grid, Follow::None, 0, Follow::Stretch, 16);
    // Work log.
    FollowEdges(u.Memo3, Follow::None, 0, Follow::Stretch, 8);
}

} // namespace

TForm1::TForm1(const std::string& baseDir, QWidget* parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::TForm1>()), baseDir_(baseDir)
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("Form1")); // the window's name; its class is TForm1
    quillet::ui::SetOuterSize(this, QSize(995, 590));
    FollowWindowEdges(*ui);
    openDialog1_ = new TOpenDialog(QString(), this);
    openDialog1_->setObjectName(QStringLiteral("OpenDialog1"));
    openDialog2_ = new TOpenDialog(QStringLiteral("Базы тестера|*.base"), this);
    openDialog2_->setObjectName(QStringLiteral("OpenDialog2"));
    SetUpChart();
    tradesPage_ = quillet::ui::AddTradesPage(ui->PageControl1, ui->TabSheet4, ui->Memo3);
    SetUpGlyphs();
    SetUpDataCheck();
    ConnectHandlers();
    FormCreate();
    SetUpOptimisationPage();
    LoadCosts();
}

TForm1::~TForm1() = default;

void TForm1::SetUpChart()
{
    auto* chart = new QChart;
    chart->setTitle(QStringLiteral("TChart"));
    chart->legend()->hide();
    series1_ = new QLineSeries(chart);
    series1_->setObjectName(QStringLiteral("Series1"));
    series1_->setColor(Qt::red);
    series1_->setPointsVisible(false);
    series1_->setPointLabelsVisible(false);
    chart->addSeries(series1_);
    chart->createDefaultAxes();
    ui->Chart1->setChart(chart);
}

void TForm1::SetUpGlyphs()
{
    QStyle* s = style();
    ui->BitBtn1->setIcon(s->standardIcon(QStyle::SP_MediaPlay));
    ui->BitBtn2->setIcon(s->standardIcon(QStyle::SP_MediaPlay));
    ui->BitBtn3->setIcon(s->standardIcon(QStyle::SP_DialogSaveButton));
    ui->BitBtn4->setIcon(s->standardIcon(QStyle::SP_DialogCancelButton));
}

void TForm1::ConnectHandlers()
{
    auto& u = *ui;
    const auto change = &QAbstractSlider::valueChanged;

    connect(u.N2, &QAction::triggered, this, &TForm1::N2Click);
    connect(u.N3, &QAction::triggered, this, &TForm1::N3Click);
    connect(u.N4, &QAction::triggered, this, &TForm1::N4Click);
    connect(u.AboutItem, &QAction::triggered, this, &TForm1::AboutItemClick);
    connect(u.DemoDataItem, &QAction::triggered, this, &TForm1::DemoDataItemClick);
    connect(u.CostsItem, &QAction::triggered, this, &TForm1::CostsItemClick);

    // Controls of the all-pairs page share the handlers of their look-alikes.
    connect(u.TrackBar8, change, this, &TForm1::TrackBar8Change);
    connect(u.TrackBar18, change, this, &TForm1::TrackBar8Change);
    connect(u.TrackBar9, change, this, &TForm1::TrackBar9Change);
    connect(u.TrackBar16, change, this, &TForm1::TrackBar9Change);
    connect(u.TrackBar10, change, this, &TForm1::TrackBar10Change);
    connect(u.TrackBar17, change, this, &TForm1::TrackBar10Change);
    connect(u.CheckBox8, &QCheckBox::clicked, this, &TForm1::CheckBox3Click);
    connect(u.TrackBar13, change, this, &TForm1::TrackBar5Change);
    connect(u.TrackBar14, change, this, &TForm1::TrackBar11Change);
    connect(u.DateTimePicker3, &TDateTimePicker::Change, this, &TForm1::DateTimePicker1Change);
    connect(u.DateTimePicker4, &TDateTimePicker::Change, this, &TForm1::DateTimePicker2Change);
    connect(u.CheckBox9, &QCheckBox::clicked, this, &TForm1::CheckBox5Click);
    connect(u.TrackBar15, change, this, &TForm1::TrackBar12Change);
    connect(u.BitBtn2, &QPushButton::clicked, this, &TForm1::BitBtn2Click);
    connect(u.CheckBox7, &QCheckBox::clicked, this, &TForm1::CheckBox7Click);

    // The single-pair page.
    connect(u.ComboBox1, &QComboBox::activated, this, &TForm1::ComboBox1Select);
    connect(u.TrackBar4, change, this, &TForm1::TrackBar4Change);
    connect(u.CheckBox4, &QCheckBox::clicked, this, &TForm1::CheckBox4Click);
    connect(u.TrackBar6, change, this, &TForm1::TrackBar6Change);
    connect(u.TrackBar7, change, this, &TForm1::TrackBar7Change);
    connect(u.CheckBox5, &QCheckBox::clicked, this, &TForm1::CheckBox5Click);
    connect(u.TrackBar12, change, this, &TForm1::TrackBar12Change);
    connect(u.CheckBox3, &QCheckBox::clicked, this, &TForm1::CheckBox3Click);
    connect(u.TrackBar5, change, this, &TForm1::TrackBar5Change);
    connect(u.TrackBar11, change, this, &TForm1::TrackBar11Change);
    connect(u.DateTimePicker1, &TDateTimePicker::Change, this, &TForm1::DateTimePicker1Change);
    connect(u.DateTimePicker2, &TDateTimePicker::Change, this, &TForm1::DateTimePicker2Change);
    connect(u.BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);

    // Work log, hidden panel.
    connect(u.Button10, &QPushButton::clicked, this, &TForm1::Button10Click);
    connect(u.Button6, &QPushButton::clicked, this, &TForm1::Button6Click);
    connect(u.Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(u.Button5, &QPushButton::clicked, this, &TForm1::Button5Click);
    connect(u.Button8, &QPushButton::clicked, this, &TForm1::Button8Click);
    connect(u.Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(u.TrackBar1, change, this, &TForm1::TrackBar1Change);
    connect(u.TrackBar2, change, this, &TForm1::TrackBar2Change);
    connect(u.TrackBar3, change, this, &TForm1::TrackBar3Change);

    // Quote import, base generation and the instrument list.
    connect(u.Button14, &QPushButton::clicked, this, &TForm1::Button14Click);
    connect(u.Button13, &QPushButton::clicked, this, &TForm1::Button13Click);
    connect(u.Button15, &QPushButton::clicked, this, &TForm1::Button15Click);
    connect(u.Button16, &QPushButton::clicked, this, &TForm1::Button16Click);
    connect(u.Button17, &QPushButton::clicked, this, &TForm1::Button17Click);
    connect(u.BitBtn3, &QPushButton::clicked, this, &TForm1::BitBtn3Click);
    connect(u.Button18, &QPushButton::clicked, this, &TForm1::Button18Click);
    connect(u.BitBtn4, &QPushButton::clicked, this, &TForm1::BitBtn4Click);

    // BitBtn4 is the window's cancel button: Esc presses it while its page is shown.
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(esc, &QShortcut::activated, this, [this] {
        if (ui->BitBtn4->isVisible() && ui->BitBtn4->isEnabled())
            ui->BitBtn4->click();
    });
}

// ---------------------------------------------------------------------------
// Start-up and shut-down

void TForm1::FormCreate()
{
    auto& u = *ui;
    quillet::ui::RunGuarded(this, [&] {
        using quillet::kRegionalDateFormat;
        u.DateTimePicker1->SetDateTimeValue(QDateTime(
            DateOfSerial(quillet::ParseDate("9.01.2005", kRegionalDateFormat)), QTime(0, 0), Qt::UTC));
        u.DateTimePicker2->SetDateTimeValue(QDateTime(
            DateOfSerial(quillet::ParseDate("12.04.2015", kRegionalDateFormat)), QTime(0, 0), Qt::UTC));
    });

    u.Label193->setText(QStringLiteral("Загрузка инструментов"));
    u.ListBox6->clear();

    // A file that cannot be loaded ends the loading there; the rest of the
    // start-up still runs so the window opens and the entry can be removed.
    std::vector<std::string> names;
    QString loadError;
    int loaded = 0;
    // Until "config" is read the list box does not hold the user's list, and
    // closing must not write it over the file.
    listUnread_ = true;
    try {
        names = quillet::ReadStartupList(baseDir_);
        listUnread_ = false;
        quillet::LoadListedInstruments(baseDir_, names, [&] {
            ++loaded;
            u.Label193->setText(u.Label193->text() + QLatin1Char('.'));
        });
    } catch (const std::exception& e) {
        // The error as start-up has always said it, then the file it is about.
        loadError = quillet::ui::ErrorBoxText(Text(e.what()));
        if (const auto* fileError = dynamic_cast<const quillet::FileError*>(&e))
            loadError += QStringLiteral("\nФайл: ") + Text(fileError->Path());
        // A file cut short leaves its bytes in its slot; drop them so no
        // picker offers a half-read instrument.
        if (loaded < quillet::kLastSlot)
            quillet::Table().Clear(loaded + 1);
    }
    for (const std::string& name : names)
        u.ListBox6->addItem(Text(name));
    if (!loadError.isNull())
        quillet::ui::Dialogs().ShowMessage(this, quillet::ui::MessageKind::Error,
                                           QString::fromLatin1(quillet::ui::kAppTitle), loadError);

    static const char* const kHeadings[] = {"Дата", "Время", "Открытие", "Максимум", "Минимум", "Закрытие"};
    for (TStringGrid* grid : {u.WeekGrid, u.DayGrid, u.HourGrid})
        for (int col = 0; col < 6; ++col)
            grid->SetCell(col, 0, QString::fromUtf8(kHeadings[col]));

    Button6Click();

    u.Panel16->hide();
    u.PageControl1->show();
}

void TForm1::closeEvent(QCloseEvent* event)
{
    FormClose(event);
    if (event->isAccepted())
        QCoreApplication::exit(0); // the main window's close ends the program
}

void TForm1::FormClose(QCloseEvent* event)
{
    event->accept();
    // A list that start-up could not read is not replaced by what the window
    // holds instead; the error was shown then.
    if (listUnread_)
        return;
    quillet::ui::RunGuarded(this, [&] {
        try {
            std::vector<std::string> names;
            names.reserve(static_cast<std::size_t>(ui->ListBox6->count()));
            for (int i = 0; i < ui->ListBox6->count(); ++i)
                names.push_back(ui->ListBox6->item(i)->text().toStdString());
            quillet::SaveInstrumentList(baseDir_, names);
        } catch (...) {
            // The list is not saved: the window stays open so nothing is lost.
            event->ignore();
            throw;
        }
    });
}

void TForm1::Button6Click()
{
    // The pickers, whose entry i is slot i + 1, then the older panels' labels.
    auto& u = *ui;
    quillet::ui::RunGuarded(this, [&] {
        const bool noPair1 = u.ComboBox1->currentIndex() < 0;
        const bool noPair2 = u.ComboBox2->currentIndex() < 0;
        const bool noPair3 = u.ComboBox3->currentIndex() < 0;
        for (const std::string& name : quillet::LoadedInstrumentNames()) {
            const QString text = Text(name);
            u.ComboBox1->addItem(text);
            u.ListBox5->addItem(text);
            u.ComboBox2->addItem(text);
            u.ComboBox3->addItem(text);
        }
        // Adding to an empty drop-down list selects its first entry; the
        // pickers start with nothing selected.
        if (noPair1)
            u.ComboBox1->setCurrentIndex(-1);
        if (noPair2)
            u.ComboBox2->setCurrentIndex(-1);
        if (noPair3)
            u.ComboBox3->setCurrentIndex(-1);
        InstrumentsChanged();
        FillOlderPanelLabels();
    });
}

// ---------------------------------------------------------------------------
// Value labels: each handler reads its own track bar, whichever raised it.

void TForm1::TrackBar4Change()
{
    ui->Label77->setText(Points(ui->TrackBar4->value()));
}
void TForm1::TrackBar6Change()
{
    ui->Label96->setText(Points(ui->TrackBar6->value()));
}
void TForm1::TrackBar7Change()
{
    ui->Label98->setText(Points(ui->TrackBar7->value()));
}
void TForm1::TrackBar8Change()
{
    ui->Label101->setText(Points(ui->TrackBar8->value()));
}
void TForm1::TrackBar9Change()
{
    ui->Label103->setText(Points(ui->TrackBar9->value()));
}
void TForm1::TrackBar10Change()
{
    ui->Label105->setText(Points(ui->TrackBar10->value()));
}
void TForm1::TrackBar12Change()
{
    ui->Label94->setText(Hours(ui->TrackBar12->value()));
}

// ---------------------------------------------------------------------------
// Switches and the week range

void TForm1::CheckBox4Click()
{
    // The range in force decides, not the check mark. Narrowing pulls the
    // position into 85..150, and each pull updates Label77.
    TTrackBar* bar = ui->TrackBar4;
    if (bar->maximum() == quillet::kNarrowSignalControl.Max) {
        bar->setMaximum(quillet::kSignalControl.Max);
        bar->setMinimum(quillet::kSignalControl.Min);
    } else {
        bar->setMaximum(quillet::kNarrowSignalControl.Max);
        bar->setMinimum(quillet::kNarrowSignalControl.Min);
    }
}

void TForm1::CheckBox3Click()
{
    // The enabled state of TrackBar5 decides; the run reads the check mark.
    auto& u = *ui;
    if (OwnEnabled(u.TrackBar5)) {
        u.TrackBar5->setEnabled(false);
        u.TrackBar5->setValue(0);
        u.TrackBar11->setEnabled(false);
        u.TrackBar11->setValue(0); // its minimum makes this 1
    } else {
        u.TrackBar5->setEnabled(true);
        u.TrackBar11->setEnabled(true);
    }
}

void TForm1::CheckBox5Click()
{
    auto& u = *ui;
    const bool enable = !OwnEnabled(u.Label94);
    u.Label94->setEnabled(enable);
    u.TrackBar12->setEnabled(enable);
}

void TForm1::TrackBar5Change()
{
    // Positions are shown as dates of the first loaded instrument's weeks.
    auto& u = *ui;
    const int p = u.TrackBar5->value();
    ShowDate(u.DateTimePicker1, WeekCandle(1, p + 1).Date);
    if (u.TrackBar11->value() < p && u.TrackBar11->value() < u.TrackBar5->maximum() - 1)
        u.TrackBar11->setValue(std::min(p + 1, u.TrackBar11->maximum()));
    u.DateTimePicker1->SetColor(NormalWindowColor());
}

void TForm1::TrackBar11Change()
{
    auto& u = *ui;
    const int q = u.TrackBar11->value();
    ShowDate(u.DateTimePicker2, WeekCandle(1, q + 1).Date);
    if (q < u.TrackBar5->value())
        u.TrackBar5->setValue(q - 1);
    u.DateTimePicker2->SetColor(NormalWindowColor());
}

void TForm1::CheckPickerDate(TDateTimePicker* picker)
{
    // Red marks a date outside the weeks of the first loaded instrument.
    const double v = SerialOf(picker->dateTime());
    const bool outside = v < WeekCandle(1, 1).Date || v > WeekCandle(1, 537).Date;
    picker->SetColor(outside ? QColor(255, 0, 0) : NormalWindowColor());
}

void TForm1::DateTimePicker1Change()
{
    CheckPickerDate(ui->DateTimePicker1);
}
void TForm1::DateTimePicker2Change()
{
    CheckPickerDate(ui->DateTimePicker2);
}

void TForm1::ComboBox1Select()
{
    auto& u = *ui;
    const int slot = u.ComboBox1->currentIndex() + 1;
    if (slot < 1 || slot > quillet::kLastSlot)
        return;
    quillet::ui::RunGuarded(this, [&] {
        const quillet::CandleSeries& week = quillet::Table()[slot].Week;
        u.BitBtn1->setEnabled(true);
        u.Label56->setText(Text(quillet::FormatDate(week[1].Date)));
        ShowDate(u.DateTimePicker1, week[1].Date);
        const int n = quillet::FirstEmptyIndex(week, 1);
        u.Label1->setText(QString::number(n));
        // A range that would be invalid is refused by the track bars; a
        // position above a new maximum is pulled down, raising its handler.
        u.TrackBar5->setMaximum(n - 3);
        u.TrackBar11->setMaximum(n - 2);
        u.TrackBar11->setValue(u.TrackBar11->maximum());
        u.Label56->setText(u.Label56->text() + QStringLiteral(" - ") +
                           Text(quillet::FormatDate(week[n - 1].Date)));
        ShowDate(u.DateTimePicker2, week[n - 1].Date);
    });
    CostsChanged();
}

// ---------------------------------------------------------------------------
// The single-pair run

void TForm1::BitBtn1Click()
{
    auto& u = *ui;
    if (u.ComboBox1->currentIndex() < 0)
        return; // no pair: the button is disabled until one is chosen
    quillet::ui::RunGuarded(this, [&] {
        quillet::SinglePairControls controls;
        controls.Slot = u.ComboBox1->currentIndex() + 1;
        controls.PairName = u.ComboBox1->currentText().toStdString();
        controls.SignalPosition = u.TrackBar4->value();
        controls.StopLossPosition = u.TrackBar6->value();
        controls.TakeProfitPosition = u.TrackBar7->value();
        controls.HoldLimited = u.CheckBox5->isChecked();
        controls.HoldPosition = u.TrackBar12->value();
        controls.RangeRestricted = u.CheckBox3->isChecked();
        controls.FirstWeekPosition = u.TrackBar5->value();
        controls.LastWeekPosition = u.TrackBar11->value();
        controls.LogEnabled = u.CheckBox6->isChecked();
        quillet::BacktestParams params = quillet::ParamsFromControls(controls);
        params.Costs = SinglePairCosts();
        if (const std::string refusal = quillet::CostsMessage(params.Costs, params.StopLossPoints);
            !refusal.empty())
            throw quillet::Error(refusal);
        params.Spread = &quillet::Table().Spread(params.Slot);
        if (const std::string refusal =
                quillet::RecordedSpreadMessage(params, quillet::Table().At(params.Slot));
            !refusal.empty())
            throw quillet::Error(refusal);

        const quillet::ProgressSetup bar = quillet::ProgressBarSetup(params);
        u.ProgressBar2->setRange(bar.Min, bar.Max);
        u.ProgressBar2->setValue(bar.Position);

        // Log lines are gathered and handed to Memo3 in one piece: a line at a
        // time costs a layout pass each, seconds for a long account. The
        // memo is brought up to date before anything can be seen, that is
        // before a notice and when the run ends or fails.
        QStringList pending;
        const auto flushLog = [&] {
            if (!pending.isEmpty()) {
                u.Memo3->appendPlainText(pending.join(QLatin1Char('\n')));
                pending.clear();
            }
        };
        quillet::WorkLog log;
        if (params.LogEnabled)
            log = [&pending](const std::string& line) { pending.append(Text(line)); };
        const quillet::ProgressStep progress = [&u] {
            QProgressBar* p = u.ProgressBar2;
            p->setValue(std::min(p->value() + 1, p->maximum()));
        };
        const quillet::Notify notify = [&](const std::string& text) {
            flushLog();
            ShowInfo(this, Text(text));
        };

        quillet::BacktestResult result;
        const int firstLogBlock = params.LogEnabled ? quillet::ui::TradesPage::NextLogBlock(u.Memo3) : -1;
        quillet::TradeList trades;
        try {
            trades = quillet::RunSinglePairTradeList(params, quillet::Table().At(params.Slot), result, log,
                                                     progress, notify);
        } catch (...) {
            flushLog();
            throw;
        }
        flushLog();
        tradesPage_->SetRun(params, result);
        tradesPage_->ShowTrades(std::move(trades), firstLogBlock, params.Costs);
        ShowRunDataLine(quillet::Table().At(params.Slot), params.FirstWeek, params.LastWeek);

        const quillet::SinglePairReport report = quillet::MakeSinglePairReport(params, result);
        for (const quillet::LabelText& item : report.Labels) {
            auto* label = findChild<QLabel*>(Text(item.Label));
            if (!label)
                throw quillet::Error("Label " + item.Label + " not found");
            label->setText(Text(item.Text));
        }
        if (params.LogEnabled)
            u.Memo3->appendPlainText(Text(report.ClosingLine));
    });
}

// ---------------------------------------------------------------------------
// Settings window, menu, work log

void TForm1::Button1Click()
{
    if (!form2_)
        return;
    form2_->show();
    form2_->raise();
    form2_->activateWindow();
}

void TForm1::N2Click()
{
    Button1Click();
}

void TForm1::N3Click()
{
    // Ends the event loop without closing the window, so FormClose does not
    // run and "config" is left as it was.
    QCoreApplication::exit(0);
}

void TForm1::Button10Click()
{
    ui->Memo3->clear();
}
