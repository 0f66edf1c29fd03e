#pragma once
// The single-pair window: an empty tool window that is created with the
// others and never shown.

#include <QWidget>
#include <memory>

namespace Ui {
class TForm3;
}

class TForm3 : public QWidget {
    Q_OBJECT
  public:
    explicit TForm3(QWidget* parent = nullptr);
    ~TForm3() override;

  private:
    std::unique_ptr<Ui::TForm3> ui;
};
