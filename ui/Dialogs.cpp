#include "ui/Dialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

namespace quillet::ui {

namespace {

DialogService& DefaultService()
{
    static DialogService service;
    return service;
}

DialogService* g_service = nullptr;

// "Базы тестера|*.base" becomes the Qt filter "Базы тестера (*.base)".
QString QtFilter(const QString& filter)
{
    if (filter.isEmpty())
        return {};
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        entries << parts[i] + QStringLiteral(" (") +
                       QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' ')) + QLatin1Char(')');
    return entries.join(QStringLiteral(";;"));
}

} // namespace

void DialogService::ShowMessage(QWidget* parent, MessageKind kind, const QString& title, const QString& text)
{
    QMessageBox box(kind == MessageKind::Error ? QMessageBox::Critical : QMessageBox::NoIcon, title, text,
                    QMessageBox::Ok, parent);
    box.exec();
}

QString DialogService::OpenFileName(QWidget* parent, const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, QString(), QString(), QtFilter(filter));
}

std::optional<QString> DialogService::InputText(QWidget* parent, const QString& title, const QString& label,
                                                const QString& text, int maxLength)
{
    QInputDialog dialog(parent);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(title);
    dialog.setLabelText(label);
    dialog.setTextValue(text);
    if (auto* edit = dialog.findChild<QLineEdit*>())
        edit->setMaxLength(maxLength);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

QString DialogService::SaveFileName(QWidget* parent, const QString& filter, const QString& suggestedName)
{
    return QFileDialog::getSaveFileName(parent, QString(), suggestedName, QtFilter(filter));
}

bool DialogService::Confirm(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("Да"));
    box.button(QMessageBox::No)->setText(QStringLiteral("Нет"));
    return box.exec() == QMessageBox::Yes;
}

DialogService& Dialogs()
{
    return g_service ? *g_service : DefaultService();
}

DialogService* SetDialogs(DialogService* service)
{
    DialogService* previous = g_service;
    g_service = service;
    return previous;
}

QString ErrorBoxText(const QString& text)
{
    if (!text.isEmpty() && text.back() > QLatin1Char('.'))
        return text + QLatin1Char('.');
    return text;
}

void ShowInfo(QWidget* parent, const QString& text)
{
    Dialogs().ShowMessage(parent, MessageKind::Information, QString::fromLatin1(kAppTitle), text);
}

void ShowError(QWidget* parent, const QString& text)
{
    Dialogs().ShowMessage(parent, MessageKind::Error, QString::fromLatin1(kAppTitle), ErrorBoxText(text));
}

TOpenDialog::TOpenDialog(const QString& filter, QObject* parent) : QObject(parent), filter_(filter) {}

bool TOpenDialog::Execute(QWidget* parent)
{
    const QString name = Dialogs().OpenFileName(parent, filter_);
    if (name.isEmpty())
        return false;
    fileName_ = name;
    return true;
}

} // namespace quillet::ui
