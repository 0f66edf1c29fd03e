#pragma once
// The one way the window talks to the user through modal boxes and asks for
// files. Tests install their own service that answers in advance, so no test
// ever waits on a dialog.

#include <QDate>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <exception>
#include <optional>
#include <utility>

class QCoreApplication;
class QTranslator;
class QWidget;

namespace quillet::ui {

/// The title of every message box.
inline constexpr const char* kAppTitle = "Quillet_tester";

enum class MessageKind { Information, Error };

/// What the import of a quote file asks: the instrument's name and the whole
/// hours, -23 to +23, added to the file's times.
struct QuoteImportChoice {
    QString Name;
    int ShiftHours = 0;
};

/// Modal message boxes and file choosers. The default shows real dialogs.
class DialogService {
  public:
    virtual ~DialogService() = default;
    /// A modal box with one OK button; returns once it is dismissed.
    virtual void ShowMessage(QWidget* parent, MessageKind kind, const QString& title, const QString& text);
    /// The full path of a file the user chose, or an empty text on cancel.
    /// `filter` is "description|mask|description|mask..." or empty.
    virtual QString OpenFileName(QWidget* parent, const QString& filter);
    /// A line the user typed (at most `maxLength` characters, starting from
    /// `text`), or nothing when the user cancelled.
    virtual std::optional<QString> InputText(QWidget* parent, const QString& title, const QString& label,
                                             const QString& text, int maxLength);
    /// The full path of the file to write, or an empty text on cancel;
    /// `suggestedName` is offered first.
    virtual QString SaveFileName(QWidget* parent, const QString& filter, const QString& suggestedName);
    /// A period of days, first and last included, chosen starting from
    /// `from` to `to`; nothing when the user cancelled.
    virtual std::optional<std::pair<QDate, QDate>> ChoosePeriod(QWidget* parent, const QString& title,
                                                                const QString& text, QDate from, QDate to);
    /// The name (at most `maxLength` characters, starting from `text`, under
    /// `label`) and the time shift (from 0) of an instrument imported from a
    /// quote file, or nothing when the user cancelled.
    virtual std::optional<QuoteImportChoice> AskQuoteImport(QWidget* parent, const QString& title,
                                                            const QString& label, const QString& text,
                                                            int maxLength);
    /// A question with the buttons "Да" and "Нет"; true for "Да".
    virtual bool Confirm(QWidget* parent, const QString& title, const QString& text);
    /// The indices of the instruments checked in a checklist of `names`
    /// (two to thirty), starting from `checked`; nothing on cancel.
    virtual std::optional<QList<int>> ChooseInstruments(QWidget* parent, const QStringList& names,
                                                        const QList<int>& checked);
};

/// Loads Qt's own Russian texts, so that standard dialogs and buttons
/// ("Отмена", "Сохранить как") speak the window's language. Returns the
/// translator installed (owned by `app`), or nullptr when they are not
/// installed on the machine.
QTranslator* InstallQtTranslations(QCoreApplication& app);

/// The service in force.
DialogService& Dialogs();
/// Installs a service (nullptr restores the default) and returns the
/// previous one, which the caller keeps owning.
DialogService* SetDialogs(DialogService* service);

/// An error text as the box shows it: a "." is added when the last
/// character sorts after "." (a letter or a digit, say).
QString ErrorBoxText(const QString& text);

/// An information box titled with the program's title.
void ShowInfo(QWidget* parent, const QString& text);
/// An error box titled with the program's title.
void ShowError(QWidget* parent, const QString& text);

/// Runs a handler body; an error ends it and is shown in an error box, and
/// the program goes on.
template <class Body> void RunGuarded(QWidget* parent, Body&& body)
{
    try {
        body();
    } catch (const std::exception& e) {
        ShowError(parent, QString::fromStdString(e.what()));
    }
}

/// A file chooser that a window keeps as one of its components: its filter
/// and the name chosen last time.
class TOpenDialog : public QObject {
    Q_OBJECT
  public:
    explicit TOpenDialog(const QString& filter, QObject* parent);

    /// Asks for a file; false when the user cancelled.
    bool Execute(QWidget* parent);
    QString FileName() const { return fileName_; }
    QString Filter() const { return filter_; }

  private:
    QString filter_;
    QString fileName_;
};

} // namespace quillet::ui
