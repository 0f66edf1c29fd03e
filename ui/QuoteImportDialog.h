#pragma once
// What the import of one quote file asks before it reads: the instrument's
// name and the whole hours its times are shifted by.

#include <QDialog>

#include <memory>

namespace Ui {
class QuoteImportDialog;
}

namespace quillet::ui {

class QuoteImportDialog : public QDialog {
    Q_OBJECT
  public:
    /// `label` above the name, which starts as `name` and takes at most
    /// `maxLength` characters; the shift starts at 0.
    QuoteImportDialog(const QString& title, const QString& label, const QString& name, int maxLength,
                      QWidget* parent = nullptr);
    ~QuoteImportDialog() override;

    QString Name() const;
    int ShiftHours() const;

  private:
    std::unique_ptr<Ui::QuoteImportDialog> ui;
};

} // namespace quillet::ui
