#include "ui/DataCheckWindow.h"

#include "ui_DataCheckWindow.h"

#include <QFontDatabase>

namespace quillet::ui {

DataCheckWindow::DataCheckWindow(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::DataCheckWindow>())
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("DataCheckWindow"));
    setWindowFlag(Qt::Window);
    ui->DataCheckText->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    connect(ui->DataCheckClose, &QPushButton::clicked, this, &QWidget::close);
}

DataCheckWindow::~DataCheckWindow() = default;

void DataCheckWindow::ShowReport(const QString& name, const std::vector<std::string>& lines)
{
    setWindowTitle(QStringLiteral("Проверка данных: ") + name);
    QStringList text;
    for (const std::string& line : lines)
        text << QString::fromStdString(line);
    ui->DataCheckText->setPlainText(text.join(QLatin1Char('\n')));
    show();
    raise();
}

QString DataCheckWindow::Report() const
{
    return ui->DataCheckText->toPlainText();
}

} // namespace quillet::ui
