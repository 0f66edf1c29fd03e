#include "ui/Unit3.h"

#include "ui_Unit3.h"

TForm3::TForm3(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      ui(std::make_unique<Ui::TForm3>())
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("Form3")); // the window's name; its class is TForm3
    // The size is that of the client area.
    setFixedSize(675, 313);
}

TForm3::~TForm3() = default;
