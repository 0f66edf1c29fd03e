#include "ui/OverfitDialog.h"

#include "report/OverfitTexts.h"
#include "ui/Dialogs.h"
#include "ui_OverfitDialog.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace quillet::ui {
namespace {

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

QString LinesText(const std::vector<OverfitLine>& lines)
{
    QStringList out;
    for (const OverfitLine& line : lines)
        out << Text(line.Caption + ": " + line.Value);
    return out.join(QLatin1Char('\n'));
}

QChart* NewChart(QChartView* view)
{
    auto* chart = new QChart;
    chart->setMargins(QMargins(2, 2, 2, 2));
    // The program's "," separator, whatever the machine's locale.
    chart->setLocalizeNumbers(true);
    chart->setLocale(QLocale(QLocale::Russian, QLocale::Russia));
    view->setChart(chart);
    view->setRenderHint(QPainter::Antialiasing);
    return chart;
}

const OverfitChoice* ChoiceOf(const OverfitSplit& s, bool plateau)
{
    return plateau ? (s.Plateau ? &*s.Plateau : nullptr) : &s.Best;
}

} // namespace

OverfitDialog::OverfitDialog(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::OverfitDialog>())
{
    ui->setupUi(this);
    lambdaChart_ = NewChart(ui->LambdaChart);
    scatterChart_ = NewChart(ui->ScatterChart);
    ui->TrialsNote->setText(QString::fromUtf8(kTrialsNote));
    run_ = std::make_unique<BackgroundRun>(ui->OverfitProgress);
    connect(ui->ComputeButton, &QPushButton::clicked, this, &OverfitDialog::Compute);
    connect(ui->StopButton, &QPushButton::clicked, this, &OverfitDialog::Stop);
    Clear();
}

OverfitDialog::~OverfitDialog() = default;

OverfitParams OverfitDialog::Params() const
{
    OverfitParams p;
    p.Sweep = sweep_;
    p.Blocks = ui->BlocksSpin->value();
    p.Measure = ui->MeasureBox->currentIndex() == 1 ? OverfitMeasure::Sharpe : OverfitMeasure::Net;
    if (ui->PlateauChoice->isChecked())
        p.Plateau = radii_;
    return p;
}

void OverfitDialog::SetSweep(std::shared_ptr<const SweepTable> table, const SweepParams& params,
                             const PlateauRadii& radii)
{
    if (run_->Running()) {
        run_->Cancel();
        run_->Wait();
    }
    table_ = std::move(table);
    sweep_ = params;
    radii_ = radii;
    outcome_.reset();
    Clear();
    SetRunning(false);
}

void OverfitDialog::SetRow(std::optional<GridPoint> row)
{
    row_ = row;
    ShowDeflated();
}

void OverfitDialog::Compute()
{
    if (run_->Running() || !table_)
        return;
    const OverfitParams params = Params();
    if (const std::string error = OverfitError(params.Sweep.Weeks, params.Blocks); !error.empty()) {
        ShowError(this, QStringLiteral("Нельзя разбить недели на блоки: ") + Text(error));
        return;
    }
    Clear();
    SetRunning(true);
    ui->StatusLabel->setText(
        QStringLiteral("Считаем %1 разбиений...").arg(OverfitSplits(params.Blocks).size()));
    run_->Start(
        [table = table_, params](std::stop_token stop, const BackgroundRun::Progress& progress) {
            return std::make_shared<const OverfitOutcome>(RunOverfit(params, *table, stop, progress));
        },
        [this, params](RunEnd<std::shared_ptr<const OverfitOutcome>> end) {
            Finished(params, std::move(end));
        });
}

void OverfitDialog::Stop()
{
    if (!run_->Running())
        return;
    run_->Cancel();
    ui->StatusLabel->setText(QStringLiteral("Останавливаем..."));
}

void OverfitDialog::Finished(const OverfitParams& params, RunEnd<std::shared_ptr<const OverfitOutcome>> end)
{
    SetRunning(false);
    if (!end.Error.isEmpty()) {
        ui->StatusLabel->clear();
        ShowError(this, end.Error);
    } else if (!end.Value || (*end.Value)->Stopped) {
        ui->StatusLabel->setText(QStringLiteral("Остановлено"));
    } else {
        outcome_ = *end.Value;
        // The last progress report may not have arrived as a signal yet.
        ui->OverfitProgress->setValue(ui->OverfitProgress->maximum());
        ui->StatusLabel->setText(
            QStringLiteral("Готово: %1 разбиений, N = %2, за %3 с")
                .arg(outcome_->Splits.size())
                .arg(outcome_->Combinations)
                .arg(QString::number(end.Seconds, 'f', 1).replace(QLatin1Char('.'), QLatin1Char(','))));
        ui->PlateauGroup->setEnabled(params.Plateau.has_value());
        ShowOutcome();
    }
    emit Ended();
}

void OverfitDialog::SetRunning(bool running)
{
    ui->ComputeButton->setEnabled(!running && table_ != nullptr);
    ui->StopButton->setEnabled(running);
}

void OverfitDialog::Clear()
{
    ui->BestFigures->setText(QStringLiteral("-"));
    ui->PlateauFigures->setText(QStringLiteral("-"));
    lambdaChart_->removeAllSeries();
    scatterChart_->removeAllSeries();
    for (QAbstractAxis* axis : lambdaChart_->axes())
        lambdaChart_->removeAxis(axis);
    for (QAbstractAxis* axis : scatterChart_->axes())
        scatterChart_->removeAxis(axis);
    ShowDeflated();
}

void OverfitDialog::ShowOutcome()
{
    const OverfitOutcome& out = *outcome_;
    ui->BestFigures->setText(LinesText(SummaryLines(out.Best, out.Measure)));
    ui->PlateauFigures->setText(out.Plateau ? LinesText(SummaryLines(*out.Plateau, out.Measure))
                                            : QStringLiteral("-"));
    DrawHistogram();
    DrawScatter();
    ShowDeflated();
}

void OverfitDialog::ShowDeflated()
{
    deflated_.reset();
    if (!outcome_ || !row_ || !table_) {
        ui->DeflatedRow->setText(outcome_ ? QStringLiteral("Выберите строку в таблице лучших комбинаций")
                                          : QStringLiteral("Появится после расчёта"));
        ui->DeflatedFigures->setText(QStringLiteral("-"));
        return;
    }
    try {
        deflated_ = DeflateSharpe(*table_, sweep_.Weeks, *row_, outcome_->Spread);
    } catch (const std::exception& e) {
        ui->DeflatedRow->setText(QString::fromUtf8(e.what()));
        ui->DeflatedFigures->setText(QStringLiteral("-"));
        return;
    }
    ui->DeflatedRow->setText(Text(CombinationText(*row_, sweep_.Grid.Hold.has_value())));
    ui->DeflatedFigures->setText(LinesText(DeflatedLines(*deflated_)));
}

void OverfitDialog::DrawHistogram()
{
    std::vector<long double> lambdas;
    for (const OverfitSplit& s : outcome_->Splits)
        lambdas.push_back(s.Best.Lambda);
    auto* set = new QBarSet(QStringLiteral("разбиений"));
    QStringList labels;
    for (const HistogramBin& b : LambdaHistogram(lambdas)) {
        *set << b.Count;
        labels << Text(BinText(b));
    }
    auto* series = new QBarSeries;
    series->append(set);
    lambdaChart_->addSeries(series);
    lambdaChart_->setTitle(QStringLiteral("λ лучшей ячейки: слева от 0 — переобучение"));
    lambdaChart_->legend()->hide();
    auto* x = new QBarCategoryAxis;
    x->append(labels);
    x->setLabelsAngle(-90);
    auto* y = new QValueAxis;
    y->setLabelFormat(QStringLiteral("%.0f"));
    lambdaChart_->addAxis(x, Qt::AlignBottom);
    lambdaChart_->addAxis(y, Qt::AlignLeft);
    series->attachAxis(x);
    series->attachAxis(y);
    y->applyNiceNumbers();
}

void OverfitDialog::DrawScatter()
{
    const OverfitOutcome& out = *outcome_;
    const QString unit = out.Measure == OverfitMeasure::Net ? QStringLiteral(", пп") : QString();
    auto* x = new QValueAxis;
    auto* y = new QValueAxis;
    if (out.Measure == OverfitMeasure::Net) {
        x->setLabelFormat(QStringLiteral("%.0f"));
        y->setLabelFormat(QStringLiteral("%.0f"));
    }
    x->setTitleText(QStringLiteral("в выборке") + unit);
    y->setTitleText(QStringLiteral("вне выборки") + unit);
    scatterChart_->addAxis(x, Qt::AlignBottom);
    scatterChart_->addAxis(y, Qt::AlignLeft);
    scatterChart_->setTitle(QStringLiteral("Выбор в выборке и его результат вне выборки"));
    double low = INFINITY, high = -INFINITY, bottom = INFINITY, top = -INFINITY;
    for (const bool plateau : {false, true}) {
        const std::optional<OverfitSummary>& summary = plateau ? out.Plateau : std::optional(out.Best);
        if (!summary)
            continue;
        auto* points = new QScatterSeries;
        points->setName(plateau ? QStringLiteral("по плато") : QStringLiteral("лучшая ячейка"));
        points->setMarkerSize(6);
        for (const OverfitSplit& s : out.Splits)
            if (const OverfitChoice* c = ChoiceOf(s, plateau);
                c && std::isfinite(c->InSample) && std::isfinite(c->OutOfSample)) {
                const auto px = static_cast<double>(c->InSample), py = static_cast<double>(c->OutOfSample);
                points->append(px, py);
                low = std::min(low, px), high = std::max(high, px);
                bottom = std::min(bottom, py), top = std::max(top, py);
            }
        scatterChart_->addSeries(points);
        points->attachAxis(x);
        points->attachAxis(y);
        if (!summary->Slope || points->count() == 0)
            continue;
        auto* line = new QLineSeries;
        line->setName(points->name() + QStringLiteral(": МНК"));
        for (const double at : {low, high})
            line->append(at, static_cast<double>(*summary->Intercept + *summary->Slope * at));
        scatterChart_->addSeries(line);
        line->attachAxis(x);
        line->attachAxis(y);
    }
    if (low <= high) {
        const double padX = std::max((high - low) * 0.05, 1e-9), padY = std::max((top - bottom) * 0.05, 1e-9);
        x->setRange(low - padX, high + padX);
        y->setRange(bottom - padY, top + padY);
        x->applyNiceNumbers();
        y->applyNiceNumbers();
    }
}

} // namespace quillet::ui
