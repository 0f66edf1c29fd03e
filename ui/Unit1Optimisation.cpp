// The page "Оптимизация" in the main window: a tab after the four pages,
// and a combination picked there set on the single-pair page and run; the
// page "Форвард-анализ" after it.

#include "ui/Unit1.h"

#include "ui/Controls.h"
#include "ui/OptimisationPage.h"
#include "ui/WalkForwardPage.h"
#include "ui_Unit1.h"

using quillet::ui::ChosenCombination;
using quillet::ui::OptimisationPage;

void TForm1::SetUpOptimisationPage()
{
    optimisation_ = new OptimisationPage;
    optimisation_->setObjectName(QStringLiteral("OptimisationPage"));
    ui->PageControl1->addTab(optimisation_, QStringLiteral("Оптимизация"));
    InstrumentsChanged();
    connect(optimisation_, &OptimisationPage::CombinationChosen, this, &TForm1::ShowCombination);

    // The walk-forward analysis is started on the optimisation page and shown on its own page.
    walkForward_ = quillet::ui::AddWalkForwardPage(ui->PageControl1);
    connect(optimisation_, &OptimisationPage::WalkForwardEnded, this,
            [this](std::shared_ptr<const quillet::ui::WalkForwardShown> shown) {
                walkForward_->Show(std::move(shown));
                ui->PageControl1->setCurrentWidget(walkForward_);
            });
    connect(walkForward_, &quillet::ui::WalkForwardPage::CombinationChosen, this, &TForm1::ShowCombination);
}

void TForm1::InstrumentsChanged()
{
    // The pages added to the window offer the single-pair page's instruments,
    // slot by slot.
    if (!optimisation_)
        return;
    QStringList names;
    for (int i = 0; i < ui->ComboBox1->count(); ++i)
        names << ui->ComboBox1->itemText(i);
    optimisation_->SetInstruments(names);
}

void TForm1::ShowCombination(const ChosenCombination& c)
{
    auto& u = *ui;
    if (c.Slot < 1 || c.Slot > u.ComboBox1->count())
        return;
    if (u.ComboBox1->currentIndex() != c.Slot - 1) {
        u.ComboBox1->setCurrentIndex(c.Slot - 1);
        ComboBox1Select();
    }

    // The controls are set through their own handlers, as a user would set
    // them: the signal bar is widened by CheckBox4 when the value needs it.
    if (c.Signal < u.TrackBar4->minimum() || c.Signal > u.TrackBar4->maximum())
        u.CheckBox4->click();
    u.TrackBar4->setValue(c.Signal);
    u.TrackBar6->setValue(c.StopLoss);
    u.TrackBar7->setValue(c.TakeProfit);
    if ((c.Hold > 0) != u.CheckBox5->isChecked())
        u.CheckBox5->click();
    if (c.Hold > 0)
        u.TrackBar12->setValue(c.Hold);

    // The whole range of the week bars is the run's range without a restriction.
    const bool restricted =
        c.Weeks.First != quillet::kFirstWeekControl.Min || c.Weeks.Last != quillet::kLastWeekControl.Max;
    if (restricted != u.CheckBox3->isChecked())
        u.CheckBox3->click();
    if (restricted) {
        u.TrackBar5->setValue(c.Weeks.First);
        u.TrackBar11->setValue(c.Weeks.Last);
        // A bar already in place raises no change, and choosing the pair may
        // have shown its whole period meanwhile: the pickers show the weeks run.
        TrackBar5Change();
        TrackBar11Change();
    }

    u.PageControl1->setCurrentWidget(u.TabSheet2);
    u.BitBtn1->click();
}
