#pragma once
// The settings window: two check boxes that live as long as the program
// runs. Nothing reads them.

#include <QWidget>
#include <memory>

namespace Ui {
class TForm2;
}

class TForm2 : public QWidget {
    Q_OBJECT
  public:
    explicit TForm2(QWidget* parent = nullptr);
    ~TForm2() override;

  private:
    std::unique_ptr<Ui::TForm2> ui;
};
