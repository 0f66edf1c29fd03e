#pragma once
// Helpers of the window tests: a dialog service that answers in advance and
// records what the window said, and builders of small instrument files.

#include "model/Instrument.h"
#include "support/TestSupport.h"
#include "ui/Dialogs.h"
#include "ui/Unit1.h"

#include <QChart>
#include <QDate>
#include <QLabel>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QValueAxis>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace quillet::test {

/// Records every message box and answers file choosers from queues
/// (an empty queue answers "cancelled"). Installs itself while it lives.
class RecordingDialogs : public ui::DialogService {
  public:
    struct Message {
        ui::MessageKind Kind;
        QString Title;
        QString Text;
    };

    RecordingDialogs() { previous_ = ui::SetDialogs(this); }
    ~RecordingDialogs() override { ui::SetDialogs(previous_); }

    void ShowMessage(QWidget*, ui::MessageKind kind, const QString& title, const QString& text) override
    {
        messages.append({kind, title, text});
    }
    QString OpenFileName(QWidget*, const QString& filter) override
    {
        filters.append(filter);
        return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
    }

    QString SaveFileName(QWidget*, const QString& filter, const QString&) override
    {
        saveFilters.append(filter);
        return saveNames.isEmpty() ? QString() : saveNames.takeFirst();
    }

    std::optional<QString> InputText(QWidget*, const QString&, const QString& label, const QString& text,
                                     int maxLength) override
    {
        prompts.append(label);
        promptTexts.append(text);
        promptLengths.append(maxLength);
        if (inputTexts.isEmpty())
            return std::nullopt;
        return inputTexts.takeFirst();
    }

    /// The import's question is answered as a text prompt (its name from
    /// inputTexts) and a shift from shiftAnswers (0 when it is empty).
    std::optional<ui::QuoteImportChoice> AskQuoteImport(QWidget* parent, const QString& title,
                                                        const QString& label, const QString& text,
                                                        int maxLength) override
    {
        const std::optional<QString> name = InputText(parent, title, label, text, maxLength);
        if (!name)
            return std::nullopt;
        return ui::QuoteImportChoice{*name, shiftAnswers.isEmpty() ? 0 : shiftAnswers.takeFirst()};
    }

    std::optional<std::pair<QDate, QDate>> ChoosePeriod(QWidget*, const QString&, const QString& text,
                                                        QDate from, QDate to) override
    {
        periodTexts.append(text);
        periodsOffered.append({from, to});
        if (periodAnswers.isEmpty())
            return std::nullopt;
        return periodAnswers.takeFirst();
    }

    bool Confirm(QWidget*, const QString&, const QString& text) override
    {
        questions.append(text);
        return !confirmAnswers.isEmpty() && confirmAnswers.takeFirst();
    }

    std::optional<QList<int>> ChooseInstruments(QWidget*, const QStringList& names,
                                                const QList<int>& checked) override
    {
        instrumentsOffered.append(names);
        instrumentsChecked.append(checked);
        if (instrumentAnswers.isEmpty())
            return std::nullopt;
        return instrumentAnswers.takeFirst();
    }

    QList<Message> messages;
    QStringList fileNames;
    QStringList filters;
    /// Answers of the choosers that ask where to write, in order (an empty
    /// queue answers "cancelled"), and their filters.
    QStringList saveNames;
    QStringList saveFilters;
    /// Answers of text prompts, in order (an empty queue answers "cancelled"),
    /// and what each prompt showed.
    QStringList inputTexts;
    QStringList prompts;
    QStringList promptTexts;
    QList<int> promptLengths;
    QList<int> shiftAnswers;
    /// Answers of yes-or-no questions, in order (an empty queue answers
    /// "Нет"), and the questions asked.
    QList<bool> confirmAnswers;
    QStringList questions;
    /// Answers of period choosers, in order (an empty queue answers
    /// "cancelled"), and what each offered.
    QList<std::pair<QDate, QDate>> periodAnswers;
    QList<std::pair<QDate, QDate>> periodsOffered;
    QStringList periodTexts;
    /// Answers of the instruments' checklist, in order (an empty queue
    /// answers "cancelled"), and what each offered and had checked.
    QList<QList<int>> instrumentAnswers;
    QList<QStringList> instrumentsOffered;
    QList<QList<int>> instrumentsChecked;

  private:
    ui::DialogService* previous_ = nullptr;
};

/// The control of the window named `name`; a missing one fails the test
/// with its name.
template <class T> T* Get(QObject& root, const QString& name)
{
    T* child = root.findChild<T*>(name);
    if (!child)
        throw std::runtime_error("no control " + name.toStdString());
    return child;
}

/// The text of a label of the window.
inline QString Caption(QObject& form, const QString& name)
{
    return Get<QLabel>(form, name)->text();
}

/// What of a chart's axes would not read whole at its present size: an axis
/// that is not a value axis, two ticks with one label, a label without room
/// up to the next tick (Qt cuts it to "…" or "⋮"), a title longer than the
/// plot; empty when nothing.
QString AxesFault(const QChart& chart);

/// A zeroed instrument record on the heap (it is 9 MB).
std::unique_ptr<Instrument> NewInstrument(const std::string& name);

/// Weekly candles 1..count, dated on consecutive Sundays from 9 January 2005,
/// each with a body of 10 points (no signal at the usual minimums).
void FillQuietWeeks(Instrument& inst, int count);

/// Writes the record as dir + name + ".base".
void WriteInstrument(const TempDir& dir, const std::string& name, const Instrument& inst);

/// Writes "config" with the names, one per line (CR LF).
void WriteConfig(const TempDir& dir, const std::vector<std::string>& names);

/// Writes a random EURUSD of 120 weeks (MakeRandomPair with `seed`) and a
/// config that lists it alone.
void WriteRandomEurUsd(const TempDir& dir, std::uint64_t seed);

/// Zeroes slots 1..30 of the global table, between window starts.
void ClearLoadedSlots();

/// Day serial of a calendar date.
double Day(int year, int month, int day);

/// The ground of the window tests: before each test a fresh program folder,
/// a dialog stub that records every message, an empty instrument table and
/// the start-up date format; after it, all of it undone.
class WindowTest : public QObject {
    Q_OBJECT
  protected:
    /// Writes the instruments into the program folder and a "config" that
    /// lists `names`.
    void Prepare(const std::vector<std::string>& names, const std::vector<const Instrument*>& files);
    /// Starts the main window over the program folder as it stands.
    std::unique_ptr<TForm1> Start();
    /// Prepares the folder and starts the window over it.
    std::unique_ptr<TForm1> Start(const std::vector<std::string>& names,
                                  const std::vector<const Instrument*>& files);

    /// What a test adds to the common ground, and takes away again.
    virtual void SetUpTest() {}
    virtual void TearDownTest() {}

    std::unique_ptr<TempDir> dir_; // the program's folder
    std::unique_ptr<RecordingDialogs> dialogs_;

  private slots:
    void init();
    void cleanup();
};

using WindowTestFactory = std::function<std::unique_ptr<QObject>()>;

/// Adds a QtTest class to the window tests' program (see QUILLET_WINDOW_TEST).
bool RegisterWindowTest(const char* name, WindowTestFactory make);

} // namespace quillet::test

/// Registers the QtTest class `Class` under its own name, in place of QTEST_MAIN.
#define QUILLET_WINDOW_TEST(Class)                                                                           \
    static const bool quilletWindowTest##Class =                                                             \
        ::quillet::test::RegisterWindowTest(#Class, [] { return std::unique_ptr<QObject>(new Class); })
