// The page "Статистика по всем инструментам": the all-pairs run behind
// BitBtn2 and the switch between the common and the per-pair settings. The
// page is laid out disabled and nothing here enables it; the handlers are
// bound all the same.

#include "ui/Unit1.h"

#include "engine/Portfolio.h"
#include "model/Errors.h"
#include "report/PortfolioReport.h"
#include "ui/Controls.h"
#include "ui/Dialogs.h"
#include "ui_Unit1.h"

#include <algorithm>
#include <exception>
#include <initializer_list>

using quillet::ui::RunGuarded;
using quillet::ui::ShowError;

namespace {

/// The control's own Enabled setting, whatever its parents say.
bool OwnEnabled(const QWidget* w)
{
    return !w->testAttribute(Qt::WA_ForceDisabled);
}

/// Hides the progress bar when the run's scope ends, also on an error, so
/// it never stays over the results (nor over an error box).
class HideWhenDone {
  public:
    explicit HideWhenDone(QProgressBar* bar) : bar_(bar) {}
    ~HideWhenDone() { bar_->hide(); }
    HideWhenDone(const HideWhenDone&) = delete;
    HideWhenDone& operator=(const HideWhenDone&) = delete;

  private:
    QProgressBar* bar_;
};

// While the run goes, the progress bar is enlarged over the results table.
constexpr int kRunBarLeft = 10;
constexpr int kRunBarTop = 5;
constexpr int kRunBarWidth = 930;
constexpr int kRunBarHeight = 170;

// The totals from Label148 to Label152 come before the bar is hidden.
constexpr std::size_t kLabelsBeforeBarHides = 7;

} // namespace

void TForm1::BitBtn2Click()
{
    auto& u = *ui;
    RunGuarded(this, [&] {
        QProgressBar* bar = u.ProgressBar3;
        const HideWhenDone hide(bar);
        bar->setGeometry(kRunBarLeft, kRunBarTop, kRunBarWidth, kRunBarHeight);
        bar->show();
        bar->raise();
        bar->setValue(0);

        quillet::PortfolioParams params;
        params.SignalMinPoints = u.TrackBar8->value();
        params.StopLossPoints = u.TrackBar9->value();
        params.TakeProfitPoints = u.TrackBar10->value();

        // 536 weekly steps on a bar of 0..535: the last step finds it full.
        const quillet::ProgressStep progress = [bar] {
            bar->setValue(std::min(bar->value() + 1, bar->maximum()));
        };
        const quillet::PortfolioResult result =
            quillet::RunPortfolioBacktest(params, progress, quillet::Table());

        const std::vector<quillet::LabelText> labels = quillet::MakePortfolioReport(params, result);
        for (std::size_t i = 0; i < labels.size(); ++i) {
            if (i == kLabelsBeforeBarHides)
                bar->hide();
            auto* label = findChild<QLabel*>(QString::fromStdString(labels[i].Label));
            if (!label)
                throw quillet::Error("Label " + labels[i].Label + " not found");
            label->setText(QString::fromStdString(labels[i].Text));
        }
    });
}

void TForm1::CheckBox7Click()
{
    // The switch's state is Label100's own enabled state, not the check mark.
    auto& u = *ui;
    const std::initializer_list<QWidget*> common{u.Label100,  u.Label101,  u.Label102,
                                                 u.Label103,  u.Label104,  u.Label105,
                                                 u.TrackBar8, u.TrackBar9, u.TrackBar10};
    const std::initializer_list<QWidget*> perPair{
        u.Label172, u.Label173, u.Label174,   u.Label175,   u.Label176,  u.Label177, u.Label178,
        u.Label187, u.Label188, u.Label189,   u.Label190,   u.Label191,  u.Label192, u.Lab0,
        u.Lab1,     u.Lab2,     u.Lab3,       u.Lab4,       u.Lab5,      u.Lab6,     u.ComboBox3,
        u.Button11, u.Button12, u.TrackBar16, u.TrackBar17, u.TrackBar18};
    const bool toPerPair = OwnEnabled(u.Label100);
    for (QWidget* w : common)
        w->setEnabled(!toPerPair);
    for (QWidget* w : perPair)
        w->setEnabled(toPerPair);
}
