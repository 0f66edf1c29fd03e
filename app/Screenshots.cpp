// quillet-screenshots DATA_DIR OUT_DIR: renders the five pages of the main
// window, started over the instruments in DATA_DIR and after one logged run
// of the first pair, the page "Сделки" with a trade on its candles, the
// page "Оптимизация" after a sweep of that pair, and the page "Сделки" after
// a run of EURUSD with costs set in the dialog "Издержки..." (which writes
// them into DATA_DIR) and its Monte Carlo, and the page "Форвард-анализ" at
// the window's first size and larger, into PNG files in OUT_DIR. Message
// boxes are answered at once, so it runs without anybody at the screen
// (QT_QPA_PLATFORM=offscreen).

#include "ui/CostsDialog.h"
#include "ui/Dialogs.h"
#include "ui/MonteCarloBox.h"
#include "ui/OptimisationPage.h"
#include "ui/TradesPage.h"
#include "ui/Unit1.h"
#include "ui/WalkForwardPage.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QEventLoop>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace {

// Answers every box at once and prints what it said.
class PrintingDialogs : public quillet::ui::DialogService {
  public:
    void ShowMessage(QWidget*, quillet::ui::MessageKind, const QString&, const QString& text) override
    {
        std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
    }
    QString OpenFileName(QWidget*, const QString&) override { return {}; }
    QString SaveFileName(QWidget*, const QString&, const QString&) override { return {}; }
};

/// Writes the window's picture into OUT_DIR/NAME and prints the file's path.
bool Save(QWidget& form, const QString& outDir, const char* name)
{
    const QString file = QDir(outDir).filePath(QString::fromLatin1(name));
    if (!form.grab().save(file)) {
        std::fprintf(stderr, "cannot write %s\n", file.toLocal8Bit().constData());
        return false;
    }
    std::printf("%s\n", file.toLocal8Bit().constData());
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: quillet-screenshots DATA_DIR OUT_DIR\n");
        return 2;
    }
    quillet::ui::InstallQtTranslations(app);
    PrintingDialogs dialogs;
    quillet::ui::SetDialogs(&dialogs);

    QString dataDir = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const QString outDir = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(outDir);

    TForm1 form(dataDir.toStdString() + "/");
    form.show();
    QApplication::processEvents();

    auto* pair = form.findChild<QComboBox*>(QStringLiteral("ComboBox1"));
    if (pair && pair->count() > 0) {
        pair->setCurrentIndex(0);
        emit pair->activated(0);
        form.findChild<QCheckBox*>(QStringLiteral("CheckBox6"))->setChecked(true);
        form.findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
    }

    static const char* const kFiles[] = {"1-all-pairs.png", "2-single-pair.png", "3-quotes.png",
                                         "4-work-log.png", "5-trades.png"};
    auto* pages = form.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    for (int i = 0; i < static_cast<int>(std::size(kFiles)); ++i) {
        pages->setCurrentIndex(i);
        QApplication::processEvents();
        const QString file = QDir(outDir).filePath(QString::fromLatin1(kFiles[i]));
        if (!form.grab().save(file)) {
            std::fprintf(stderr, "cannot write %s\n", file.toLocal8Bit().constData());
            return 1;
        }
        std::printf("%s\n", file.toLocal8Bit().constData());
    }

    // The page "Сделки" with a trade on its candles: the first take-profit
    // that took half a day or more, selected as a click would select it.
    if (auto* trades = form.findChild<quillet::ui::TradesPage*>(QStringLiteral("TabSheet5"))) {
        pages->setCurrentWidget(trades);
        auto* table = trades->findChild<QTableView*>(QStringLiteral("TradesTable"));
        int row = 0;
        while (row + 1 < static_cast<int>(trades->Trades().size()) &&
               !(trades->Trades()[static_cast<std::size_t>(row)].Exit == quillet::ExitKind::TakeProfit &&
                 trades->Trades()[static_cast<std::size_t>(row)].HoursHeld >= 12))
            ++row;
        table->setCurrentIndex(table->model()->index(row, 0));
        QApplication::processEvents();
        const QString file = QDir(outDir).filePath(QStringLiteral("7-trade-candles.png"));
        if (!form.grab().save(file)) {
            std::fprintf(stderr, "cannot write %s\n", file.toLocal8Bit().constData());
            return 1;
        }
        std::printf("%s\n", file.toLocal8Bit().constData());
    }

    // The page "Оптимизация" after a sweep of the first pair over the
    // page's default grid.
    if (auto* optimisation = form.Optimisation(); optimisation && pair && pair->count() > 0) {
        pages->setCurrentWidget(optimisation);
        QEventLoop wait;
        QObject::connect(optimisation, &quillet::ui::OptimisationPage::SweepEnded, &wait, &QEventLoop::quit);
        optimisation->StartSweep();
        if (optimisation->Running())
            wait.exec();
        QApplication::processEvents();
        const QString file = QDir(outDir).filePath(QStringLiteral("6-optimisation.png"));
        if (!form.grab().save(file)) {
            std::fprintf(stderr, "cannot write %s\n", file.toLocal8Bit().constData());
            return 1;
        }
        std::printf("%s\n", file.toLocal8Bit().constData());
    }

    // The page "Сделки" of EURUSD (the first pair when there is none) with
    // the costs of the example in the dialog's hint: a spread, a commission,
    // a swap paid on a buy and earned on a sell.
    if (pair && pair->count() > 0) {
        const int row = std::max(pair->findText(QStringLiteral("EURUSD")), 0);
        pair->setCurrentIndex(row);
        emit pair->activated(row);
        form.findChild<QAction*>(QStringLiteral("CostsItem"))->trigger();
        auto* costs = form.findChild<quillet::ui::CostsDialog*>(QStringLiteral("CostsDialog"));
        using Column = quillet::ui::CostsDialog::Column;
        costs->Cell(row, Column::Spread)->setValue(1.2);
        costs->Cell(row, Column::Commission)->setValue(0.7);
        costs->Cell(row, Column::SwapLong)->setValue(-0.3);
        costs->Cell(row, Column::SwapShort)->setValue(0.1);
        costs->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        form.findChild<QCheckBox*>(QStringLiteral("CheckBox6"))->setChecked(false);
        form.findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
        pages->setCurrentWidget(form.Trades());
        QApplication::processEvents();
        const QString file = QDir(outDir).filePath(QStringLiteral("8-trades-costs.png"));
        if (!form.grab().save(file)) {
            std::fprintf(stderr, "cannot write %s\n", file.toLocal8Bit().constData());
            return 1;
        }
        std::printf("%s\n", file.toLocal8Bit().constData());
    }

    // The Monte Carlo of that run at the window's first size.
    if (auto* views = form.findChild<QTabWidget*>(QStringLiteral("TradesViews"))) {
        auto* box = form.Trades()->findChild<quillet::ui::MonteCarloBox*>();
        views->setCurrentWidget(box);
        box->Calculate();
        QApplication::processEvents();
        if (!Save(form, outDir, "10-monte-carlo.png"))
            return 1;
    }

    // The page "Форвард-анализ" after a walk-forward analysis of the first
    // pair with the optimisation page's defaults.
    if (auto* optimisation = form.Optimisation();
        optimisation && form.WalkForward() && pair && pair->count() > 0) {
        QEventLoop wait;
        QObject::connect(optimisation, &quillet::ui::OptimisationPage::WalkForwardEnded, &wait,
                         &QEventLoop::quit);
        optimisation->StartWalkForward();
        if (optimisation->Running())
            wait.exec();
        pages->setCurrentWidget(form.WalkForward());
        QApplication::processEvents();
        if (!Save(form, outDir, "11-walkforward-first-size.png"))
            return 1;
        // A larger window: the page holds a table, two charts and the figures.
        form.resize(1280, 860);
        QApplication::processEvents();
        const QString file = QDir(outDir).filePath(QStringLiteral("9-walkforward.png"));
        if (!form.grab().save(file)) {
            std::fprintf(stderr, "cannot write %s\n", file.toLocal8Bit().constData());
            return 1;
        }
        std::printf("%s\n", file.toLocal8Bit().constData());
    }
    pages->setCurrentIndex(2);
    return 0;
}
