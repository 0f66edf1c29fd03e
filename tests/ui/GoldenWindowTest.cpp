// Single-pair runs through the main window over the demo instruments, byte
// for byte against the labels, progress bar, notices and work log kept in
// tests/golden.

#include "UiTestSupport.h"
#include "demo/DemoData.h"
#include "model/Dates.h"
#include "ui/Controls.h"
#include "ui/Unit1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

#include <sstream>

using namespace quillet;
using namespace quillet::test;

namespace {

// The value labels the run writes, in the order the report writes them, and
// the two that choosing a pair writes.
const char* const kRunLabels[] = {"Label79",  "Label64",  "Label71", "Label75",  "Label87", "Label92",
                                  "Label90",  "Label84",  "Label82", "Label157", "Label95", "Label171",
                                  "Label160", "Label162", "Label1",  "Label56"};

} // namespace

class GoldenWindowTest : public quillet::test::WindowTest {
    Q_OBJECT
  private slots:
    void threeRunsMatchTheKeptOutput();

  private:
    void SelectPair(TForm1& form, const QString& name);
    /// Presses "Рассчитать" and describes what the run left in the window.
    void RunAndRecord(TForm1& form, const QString& title, std::string& out);
};

void GoldenWindowTest::SelectPair(TForm1& form, const QString& name)
{
    auto* combo = Get<QComboBox>(form, "ComboBox1");
    const int index = combo->findText(name);
    QVERIFY(index >= 0);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

void GoldenWindowTest::RunAndRecord(TForm1& form, const QString& title, std::string& out)
{
    dialogs_->messages.clear();
    Get<QPushButton>(form, "BitBtn1")->click();
    out += "== " + title.toStdString() + "\n";
    for (const char* label : kRunLabels)
        out += std::string(label) + ": " + Caption(form, label).toStdString() + "\n";
    const auto* bar = Get<QProgressBar>(form, "ProgressBar2");
    out += "ProgressBar2: " + std::to_string(bar->minimum()) + " " + std::to_string(bar->maximum()) + " " +
           std::to_string(bar->value()) + "\n";
    for (const RecordingDialogs::Message& m : dialogs_->messages)
        out += "notice: " + m.Title.toStdString() + ": " + m.Text.toStdString() + "\n";
}

void GoldenWindowTest::threeRunsMatchTheKeptOutput()
{
    // The kept output was made in a process that had just built the demo
    // instruments through the quote import, which leaves its date format.
    CopyDemoData(dir_->dir());
    SetActiveDateFormat(kImportDateFormat);
    TForm1 form(dir_->dir());
    QVERIFY(dialogs_->messages.isEmpty());
    std::string out;

    // EURUSD with the page's defaults and the work log on.
    SelectPair(form, "EURUSD");
    Get<QCheckBox>(form, "CheckBox6")->click();
    RunAndRecord(form, "EURUSD, defaults, logged", out);

    // AUDJPY with the widened signal range, other levels, a holding limit of
    // 30 hours and weeks 20 to 300.
    SelectPair(form, "AUDJPY");
    Get<QCheckBox>(form, "CheckBox4")->click();
    Get<TTrackBar>(form, "TrackBar4")->setValue(100);
    Get<TTrackBar>(form, "TrackBar6")->setValue(60);
    Get<TTrackBar>(form, "TrackBar7")->setValue(90);
    Get<QCheckBox>(form, "CheckBox5")->click();
    Get<TTrackBar>(form, "TrackBar12")->setValue(30);
    Get<QCheckBox>(form, "CheckBox3")->click();
    Get<TTrackBar>(form, "TrackBar5")->setValue(20);
    Get<TTrackBar>(form, "TrackBar11")->setValue(300);
    RunAndRecord(form, "AUDJPY, 100/60/90, hold 30, weeks 20 to 300, logged", out);

    // EURJPY with the same controls and the log off: Memo3 gains nothing.
    SelectPair(form, "EURJPY");
    Get<QCheckBox>(form, "CheckBox6")->click();
    RunAndRecord(form, "EURJPY, same controls, not logged", out);

    out += "== Memo3\n" + Get<QPlainTextEdit>(form, "Memo3")->toPlainText().toStdString() + "\n";
    const std::string difference = CompareWithGolden("window-runs.txt", out);
    QVERIFY2(difference.empty(), difference.c_str());
}

QUILLET_WINDOW_TEST(GoldenWindowTest);
#include "GoldenWindowTest.moc"
