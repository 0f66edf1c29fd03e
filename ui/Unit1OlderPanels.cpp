// The hidden panel "Прошлые наработки": the older instrument panels from
// before ".base" files. Their labels are filled at start-up; the import of
// seven instruments from csv files, the save of the seven slots, the memo
// toggle and the echoing track bars are bound but cannot be reached by the
// user while the panel stays hidden.

#include "ui/Unit1.h"

#include "model/Dates.h"
#include "model/Instrument.h"
#include "store/OlderImport.h"
#include "ui/Controls.h"
#include "ui/Dialogs.h"
#include "ui_Unit1.h"

#include <exception>
#include <string>
#include <vector>

using quillet::ui::RunGuarded;
using quillet::ui::ShowError;

namespace {

/// The csv files of the older import lie in this folder of the instrument
/// directory, named as "AUDJPY1.csv" (weekly bars of AUDJPY).
constexpr const char* kOlderQuoteFolder = "33/";
/// The save of slots 1 to 7, in the instrument directory.
constexpr const char* kToolsFileName = "tools.base";

/// The caption of an older panel's label "L" i j k; the panels only have
/// labels for instruments 1 to 3, so others are passed over.
void SetOlderLabel(QWidget* form, int instrument, int series, int role, const QString& text)
{
    const QString name = QStringLiteral("L%1%2%3").arg(instrument).arg(series).arg(role);
    if (auto* label = form->findChild<QLabel*>(name))
        label->setText(text);
}

} // namespace

void TForm1::FillOlderPanelLabels()
{
    static const char* const kTimeframes[] = {" W1", " D1", " H1"};
    const std::vector<std::string> names = quillet::LoadedInstrumentNames();
    for (int i = 1; i <= static_cast<int>(names.size()); ++i) {
        const quillet::Instrument& inst = quillet::Table()[i];
        const quillet::CandleSeries* const series[] = {&inst.Week, &inst.Day, &inst.Hour};
        // A series without candle 1 ends the scan: its labels and those of
        // the series after it keep their captions.
        for (int j = 1; j <= 3 && quillet::CandleExists((*series[j - 1])[1]); ++j) {
            const quillet::CandleSeries& s = *series[j - 1];
            SetOlderLabel(this, i, j, 1,
                          (QString::fromStdString(names[i - 1]) + QLatin1String(kTimeframes[j - 1])).left(9));
            // Candle 0 is the first of a series read by the older import; a
            // generated series leaves it empty (30.12.1899).
            SetOlderLabel(this, i, j, 3, QString::fromStdString(quillet::FormatDate(s[0].Date)));
            SetOlderLabel(this, i, j, 2, QString::number(quillet::FirstEmptyIndex(s, 1)));
        }
    }
}

void TForm1::Button5Click()
{
    // Memo2's lines 0 to 6 name the instruments of slots 1 to 7. The pickers,
    // the instrument list and the labels are not refreshed.
    RunGuarded(this, [&] {
        std::vector<std::string> names;
        for (const QString& line : ui->Memo2->toPlainText().split(QLatin1Char('\n')))
            names.push_back(line.toStdString());
        quillet::ImportOlderInstruments(BaseDir() + kOlderQuoteFolder, names);
    });
}

void TForm1::Button8Click()
{
    RunGuarded(this, [&] { quillet::WriteOlderToolsFile(BaseDir() + kToolsFileName); });
}

void TForm1::Button2Click()
{
    // The memo's own visibility decides; the panel around it stays hidden.
    auto& u = *ui;
    if (!u.Memo1->isHidden()) {
        u.Memo1->hide();
        u.Button3->setText(QStringLiteral(">>"));
    } else {
        u.Memo1->show();
        u.Button3->setText(QStringLiteral("<<"));
    }
}

void TForm1::TrackBar1Change()
{
    ui->Label8->setText(QString::number(ui->TrackBar1->value()));
}
void TForm1::TrackBar2Change()
{
    ui->Label10->setText(QString::number(ui->TrackBar2->value()));
}
void TForm1::TrackBar3Change()
{
    ui->Label18->setText(QString::number(ui->TrackBar3->value()));
}
