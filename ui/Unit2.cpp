#include "ui/Unit2.h"

#include "ui/WindowFrame.h"
#include "ui_Unit2.h"

TForm2::TForm2(QWidget* parent) : QWidget(parent, Qt::Window), ui(std::make_unique<Ui::TForm2>())
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("Form2")); // the window's name; its class is TForm2
    quillet::ui::SetOuterSize(this, QSize(343, 222));
}

TForm2::~TForm2() = default;
