#pragma once
// The main window: four pages of controls over the instrument table and the
// page of the latest run's trades, the loading panel shown while start-up
// runs, the hidden panel of older controls and the menu. The handlers only
// gather inputs from the controls, call the core, and write its outputs back
// into controls.

#include "store/CostsFile.h"
#include "store/HourlyImport.h"
#include "store/Startup.h"

#include <QMainWindow>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QCloseEvent;
class QLineSeries;
class TDateTimePicker;

namespace Ui {
class TForm1;
}

namespace quillet::ui {
class TOpenDialog;
class DataCheckWindow;
class TradesPage;
class OptimisationPage;
class WalkForwardPage;
struct ChosenCombination;
} // namespace quillet::ui

class TForm1 : public QMainWindow {
    Q_OBJECT
  public:
    /// Creates the window and runs its start-up over the instruments kept in
    /// `baseDir` (the program's DataDir(), or a test's folder).
    explicit TForm1(const std::string& baseDir, QWidget* parent = nullptr);
    ~TForm1() override;

    /// The directory of "config" and the ".base" files, with a trailing separator.
    const std::string& BaseDir() const { return baseDir_; }

    /// The settings window that the menu and Button1 show.
    void SetSettingsWindow(QWidget* form2) { form2_ = form2; }

    /// The line series of Chart1 (it has no QObject parent in the window).
    QLineSeries* Series1() const { return series1_; }

    quillet::ui::TOpenDialog* OpenDialog1() const { return openDialog1_; }
    /// The page "Оптимизация", the last tab of PageControl1.
    quillet::ui::OptimisationPage* Optimisation() const { return optimisation_; }
    quillet::ui::WalkForwardPage* WalkForward() const { return walkForward_; }
    quillet::ui::TOpenDialog* OpenDialog2() const { return openDialog2_; }
    /// The page "Сделки".
    quillet::ui::TradesPage* Trades() const { return tradesPage_; }

    /// The costs of every instrument as the runs use them.
    const quillet::CostsTable& Costs() const { return costs_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private slots:
    // Start-up and shut-down.
    void FormCreate();
    void FormClose(QCloseEvent* event);
    void Button6Click();

    // Value labels of the track bars.
    void TrackBar4Change();
    void TrackBar6Change();
    void TrackBar7Change();
    void TrackBar8Change();
    void TrackBar9Change();
    void TrackBar10Change();
    void TrackBar12Change();

    // Range and holding-limit switches, the week range and its dates.
    void CheckBox4Click();
    void CheckBox3Click();
    void CheckBox5Click();
    void TrackBar5Change();
    void TrackBar11Change();
    void DateTimePicker1Change();
    void DateTimePicker2Change();
    void ComboBox1Select();

    // The single-pair run.
    void BitBtn1Click();

    // Settings window, menu and work log.
    void Button1Click();
    void N2Click();
    void N3Click();
    void Button10Click();

    // Quote import, base generation and the instrument list (Unit1Quotes.cpp).
    void Button14Click();
    void Button13Click();
    void Button15Click();
    void Button16Click();
    void Button17Click();
    void BitBtn3Click();
    void Button18Click();
    void BitBtn4Click();

    // An instrument from one hourly quote file (Unit1HourlyImport.cpp).
    void N4Click();

    // The menu "Справка": where the files are, and the demo instruments
    // written there (Unit1DataFolder.cpp).
    void AboutItemClick();
    void DemoDataItemClick();

    // The menu item "Издержки...": the costs of the listed instruments, kept
    // in the file "costs" (Unit1Costs.cpp).
    void CostsItemClick();

    // The all-pairs run and the per-pair switch (Unit1Portfolio.cpp).
    void BitBtn2Click();
    void CheckBox7Click();

    // A combination picked on the page "Оптимизация", run on the single-pair
    // page (Unit1Optimisation.cpp).
    void ShowCombination(const quillet::ui::ChosenCombination& choice);

    // The hidden panel of older controls (Unit1OlderPanels.cpp).
    void Button5Click();
    void Button8Click();
    void Button2Click();
    void TrackBar1Change();
    void TrackBar2Change();
    void TrackBar3Change();

  private:
    void ConnectHandlers();
    void SetUpChart();
    void SetUpGlyphs();
    void CheckPickerDate(TDateTimePicker* picker);
    /// The label half of Button6Click: L111 to L333 of the older panels.
    void FillOlderPanelLabels();
    void SetUpOptimisationPage();
    /// Tells the pages added to the window that the loaded instruments, as
    /// the single-pair picker lists them, have changed.
    void InstrumentsChanged();
    /// Builds `base` from the hourly file off the window's thread; a file of
    /// too many hours asks for a period first. Nothing when the user cancels.
    std::optional<quillet::HourlySummary> ImportHours(const std::string& base, const std::string& name,
                                                      const std::string& source, const QString& file,
                                                      int shiftHours);
    // The check of an instrument's quotes (Unit1DataCheck.cpp): its report,
    // shown in the window of the check; the check of a listed instrument
    // that the list's menu asks for; the line a run's figures show.
    std::vector<std::string> DataCheckReport(const quillet::Instrument& instrument,
                                             const std::string& name) const;
    void ShowDataCheck(const QString& name, const std::vector<std::string>& report);
    void DataCheckItemClick();
    void SetUpDataCheck();
    void ShowRunDataLine(const quillet::Instrument& instrument, int firstWeek, int lastWeek);
    /// Adds a newly loaded instrument to the four pickers.
    void AddToPickers(const QString& name);
    /// Reads the costs file at start-up; an error or a line left out is
    /// shown and the file is then left alone until the program ends.
    void LoadCosts();
    /// Tells the pages that show costs what they now are.
    void CostsChanged();
    /// The costs of the pair chosen on the single-pair page (zero for none).
    quillet::TradeCosts SinglePairCosts() const;

    std::unique_ptr<Ui::TForm1> ui;
    std::string baseDir_;
    bool listUnread_ = false; // "config" was there but could not be read at start-up
    quillet::CostsTable costs_;
    bool costsUnread_ = false; // "costs" was there but could not be read at start-up
    QStringList costsIgnored_; // why each line of "costs" that did not read was left out
    QWidget* form2_ = nullptr;
    QLineSeries* series1_ = nullptr;
    quillet::ui::TOpenDialog* openDialog1_ = nullptr;
    quillet::ui::TOpenDialog* openDialog2_ = nullptr;
    quillet::ui::TradesPage* tradesPage_ = nullptr; // the page "Сделки", after the work log
    quillet::ui::OptimisationPage* optimisation_ = nullptr;
    quillet::ui::WalkForwardPage* walkForward_ = nullptr;
    quillet::ui::DataCheckWindow* dataCheck_ = nullptr; // made when first shown
};
