#pragma once
// The dialog "Несколько инструментов": a checklist of the listed
// instruments, for a sweep and a walk-forward analysis over several.

#include <QDialog>
#include <QList>
#include <QStringList>

#include <memory>

namespace Ui {
class PairsDialog;
}

namespace quillet::ui {

class PairsDialog : public QDialog {
    Q_OBJECT
  public:
    /// One row per name, those at the indices `checked` checked.
    PairsDialog(const QStringList& names, const QList<int>& checked, QWidget* parent = nullptr);
    ~PairsDialog() override;

    /// The indices of the checked rows, in order.
    QList<int> Checked() const;

  private:
    // OK only with two to thirty instruments checked.
    void UpdateOk();

    std::unique_ptr<Ui::PairsDialog> ui;
};

} // namespace quillet::ui
