#include "ui/Dialogs.h"

#include "ui/PairsDialog.h"
#include "ui/QuoteImportDialog.h"

#include <QCoreApplication>
#include <QDateEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTranslator>
#include <QVBoxLayout>

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

std::optional<QList<int>> DialogService::ChooseInstruments(QWidget* parent, const QStringList& names,
                                                           const QList<int>& checked)
{
    PairsDialog dialog(names, checked, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Checked();
}

std::optional<std::pair<QDate, QDate>> DialogService::ChoosePeriod(QWidget* parent, const QString& title,
                                                                   const QString& text, QDate from, QDate to)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&dialog);
    auto* label = new QLabel(text, &dialog);
    label->setWordWrap(true);
    layout->addWidget(label);
    auto* form = new QFormLayout;
    const auto dateEdit = [&dialog](QDate date, const char* name) {
        auto* edit = new QDateEdit(date, &dialog);
        edit->setObjectName(QLatin1String(name));
        edit->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
        edit->setCalendarPopup(true);
        return edit;
    };
    QDateEdit* first = dateEdit(from, "PeriodFrom");
    QDateEdit* last = dateEdit(to, "PeriodTo");
    form->addRow(QStringLiteral("С:"), first);
    form->addRow(QStringLiteral("По:"), last);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return std::pair{first->date(), last->date()};
}

std::optional<QuoteImportChoice> DialogService::AskQuoteImport(QWidget* parent, const QString& title,
                                                               const QString& label, const QString& text,
                                                               int maxLength)
{
    QuoteImportDialog dialog(title, label, text, maxLength, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return QuoteImportChoice{dialog.Name(), dialog.ShiftHours()};
}

bool DialogService::Confirm(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("Да"));
    box.button(QMessageBox::No)->setText(QStringLiteral("Нет"));
    return box.exec() == QMessageBox::Yes;
}

QTranslator* InstallQtTranslations(QCoreApplication& app)
{
    auto* texts = new QTranslator(&app);
    if (!texts->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qt"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete texts;
        return nullptr;
    }
    QCoreApplication::installTranslator(texts);
    return texts;
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
