#pragma once
// The report of the check of an instrument's quotes, in a window of its own
// that stays open beside the main window.

#include <QString>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

namespace Ui {
class DataCheckWindow;
}

namespace quillet::ui {

class DataCheckWindow : public QWidget {
    Q_OBJECT
  public:
    explicit DataCheckWindow(QWidget* parent = nullptr);
    ~DataCheckWindow() override;

    /// Shows the report's lines about the instrument `name` and brings the window up.
    void ShowReport(const QString& name, const std::vector<std::string>& lines);
    /// The text shown.
    QString Report() const;

  private:
    std::unique_ptr<Ui::DataCheckWindow> ui;
};

} // namespace quillet::ui
