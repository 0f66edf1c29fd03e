// The page "Сделки" beyond its table: the selected trade on its candles,
// following the selection as the arrow keys move it, and the HTML report,
// the same bytes as quillet-cli backtest --report. The report is read with
// Qt's XML reader (it is written well-formed for that), so no markup is
// picked apart by patterns and no other parser is needed, and its numbers
// are compared with the command's JSON of the same run.

#include "UiTestSupport.h"
#include "cli/Cli.h"
#include "model/Numbers.h"
#include "report/TradePicture.h"
#include "ui/TradeChart.h"
#include "ui/TradesPage.h"
#include "ui/Unit1.h"

#include <QAreaSeries>
#include <QCandlestickSeries>
#include <QCandlestickSet>
#include <QChart>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QFile>
#include <QGraphicsLayout>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPushButton>
#include <QScatterSeries>
#include <QTabWidget>
#include <QTableView>
#include <QXmlStreamReader>
#include <QtTest>

#include <nlohmann/json.hpp>

#include <map>
#include <sstream>

using namespace quillet;
using namespace quillet::test;

namespace {

constexpr qreal kHalfHour = 1'800'000;

template <class S> S* SeriesOf(QChart* chart, const QString& name = {})
{
    for (QAbstractSeries* s : chart->series())
        if (auto* typed = qobject_cast<S*>(s); typed && (name.isEmpty() || s->name() == name))
            return typed;
    throw std::runtime_error("no series " + name.toStdString());
}

// What the report holds, as read by an XML reader: per table id, the value
// cells by their data-key, and the rows of cells of the tables without keys.
struct ReadReport {
    QString Lang;
    std::map<QString, std::map<QString, QString>> Keyed;
    std::map<QString, std::vector<QStringList>> Rows;
    int Svgs = 0;
};

ReadReport ReadHtml(const QByteArray& html)
{
    ReadReport r;
    QXmlStreamReader xml(html);
    QString table;
    QString key;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QStringView name = xml.name();
        if (name == u"html") {
            r.Lang = xml.attributes().value(QStringLiteral("lang")).toString();
        } else if (name == u"svg") {
            ++r.Svgs;
        } else if (name == u"table") {
            table = xml.attributes().value(QStringLiteral("id")).toString();
        } else if (name == u"tr") {
            r.Rows[table].push_back({});
        } else if (name == u"td") {
            key = xml.attributes().value(QStringLiteral("data-key")).toString();
            const QString text = xml.readElementText();
            r.Rows[table].back().append(text);
            if (!key.isEmpty())
                r.Keyed[table][key] = text;
        }
    }
    if (xml.hasError())
        throw std::runtime_error("the report is not well-formed: " + xml.errorString().toStdString());
    return r;
}

double Number(const QString& text)
{
    return ParsePrice(text.toStdString());
}

} // namespace

class TradeReportTest : public WindowTest {
    Q_OBJECT
  private slots:
    void selectedTradeShowsOnItsCandles();
    void candlesReadAtTheFirstSize();
    void reportIsTheCommandsReportAndHoldsItsNumbers();
    void reportHoldsTheCommandsJsonAtCosts_data();
    void reportHoldsTheCommandsJsonAtCosts();
    void reportIntoAMissingFolderSaysWhy();
    void walkForwardReportHoldsTheCommandsJson();

  private:
    std::unique_ptr<TForm1> RunDemo(const QString& pair);
    /// quillet-cli backtest --json over the demo EURUSD with `options`.
    nlohmann::json RunCommand(const std::vector<std::string>& options);
    /// Reads the report as XML and checks every number against the JSON of the same run.
    void CompareWithJson(const std::string& html, const nlohmann::json& json);
};

std::unique_ptr<TForm1> TradeReportTest::RunDemo(const QString& pair)
{
    CopyDemoData(dir_->dir());
    auto form = Start();
    form->show();
    auto* combo = Get<QComboBox>(*form, "ComboBox1");
    const int index = combo->findText(pair);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
    Get<QCheckBox>(*form, "CheckBox6")->setChecked(false);
    Get<QPushButton>(*form, "BitBtn1")->click();
    return form;
}

void TradeReportTest::selectedTradeShowsOnItsCandles()
{
    auto form = RunDemo(QStringLiteral("AUDJPY"));
    auto* page = Get<ui::TradesPage>(*form, "TabSheet5");
    auto* table = Get<QTableView>(*form, "TradesTable");
    auto* chart = Get<ui::TradeChart>(*form, "TradeChart");
    auto* candles = SeriesOf<QCandlestickSeries>(chart->HoursChart());
    QCOMPARE(candles->count(), 0);
    QVERIFY(page->Trades().size() > 3);

    // The rows are in week order, so row k is trade k.
    const auto expectShown = [&](int row) {
        const ClosedTrade& t = page->Trades()[static_cast<std::size_t>(row)];
        const TradePicture p = MakeTradePicture(t, quillet::Table()[1]);
        QCOMPARE(candles->count(), static_cast<int>(p.Hours.size()));
        for (int i : {0, p.ExitAt, static_cast<int>(p.Hours.size()) - 1}) {
            const QCandlestickSet* set = candles->sets().at(i);
            const PictureCandle& c = p.Hours[static_cast<std::size_t>(i)];
            QCOMPARE(set->timestamp(), ui::PictureMoment(c) + kHalfHour); // in the middle of its hour
            QCOMPARE(set->open(), c.Open);
            QCOMPARE(set->high(), c.High);
            QCOMPARE(set->low(), c.Low);
            QCOMPARE(set->close(), c.Close);
        }
        QCOMPARE(SeriesOf<QLineSeries>(chart->HoursChart(), QStringLiteral("TP"))->at(0).y(),
                 t.TakeProfitLevel);
        QCOMPARE(SeriesOf<QLineSeries>(chart->HoursChart(), QStringLiteral("SL"))->at(1).y(),
                 t.StopLossLevel);
        const QPointF entry = SeriesOf<QScatterSeries>(chart->HoursChart(), QStringLiteral("Вход"))->at(0);
        const QPointF exit = SeriesOf<QScatterSeries>(chart->HoursChart(), QStringLiteral("Выход"))->at(0);
        QCOMPARE(entry, QPointF(ui::PictureMoment(p.Hours.front()) + kHalfHour, t.EntryPrice));
        QCOMPARE(exit, QPointF(ui::PictureMoment(p.Hours[static_cast<std::size_t>(p.ExitAt)]) + kHalfHour,
                               t.ExitPrice));
        // The hours held: from the start of the entry's hour to the end of
        // the exit's, over the nights and weekends between them.
        const QList<QPointF> held = SeriesOf<QAreaSeries>(chart->HoursChart())->upperSeries()->points();
        QCOMPARE(held.front().x(), static_cast<qreal>(ui::PictureMoment(p.Hours.front())));
        QCOMPARE(held.back().x(),
                 ui::PictureMoment(p.Hours[static_cast<std::size_t>(p.ExitAt)]) + 2 * kHalfHour);
        auto* weeks = SeriesOf<QCandlestickSeries>(chart->WeeksChart());
        QCOMPARE(weeks->count(), static_cast<int>(p.Weeks.size()));
        QCOMPARE(weeks->sets().at(p.SignalAt)->timestamp(),
                 static_cast<qreal>(ui::PictureMoment(p.Weeks[static_cast<std::size_t>(p.SignalAt)])));
        QVERIFY(chart->WeeksChart()->title().contains(QStringLiteral("тело %1 п").arg(t.Body)));
    };
    table->setFocus();
    table->setCurrentIndex(table->model()->index(0, 0));
    expectShown(0);
    for (const auto& [key, row] : {std::pair{Qt::Key_Down, 1}, {Qt::Key_Down, 2}, {Qt::Key_Up, 1}}) {
        if (QTest::currentTestFailed())
            return;
        QTest::keyClick(table, key);
        expectShown(row);
    }
}

void TradeReportTest::candlesReadAtTheFirstSize()
{
    auto form = RunDemo(QStringLiteral("AUDJPY"));
    auto* chart = Get<ui::TradeChart>(*form, "TradeChart");
    Get<QTabWidget>(*form, "PageControl1")->setCurrentWidget(Get<ui::TradesPage>(*form, "TabSheet5"));
    Get<QTabWidget>(*form, "TradesViews")->setCurrentWidget(chart);
    auto* table = Get<QTableView>(*form, "TradesTable");
    for (int row = 0; row < 3; ++row) {
        table->setCurrentIndex(table->model()->index(row, 0));
        QApplication::processEvents();
        for (QChart* c : {chart->HoursChart(), chart->WeeksChart()}) {
            // The title whole, and days at midnights with room for their labels.
            qreal left = 0, top = 0, right = 0, bottom = 0;
            c->layout()->getContentsMargins(&left, &top, &right, &bottom);
            const qreal width = c->size().width() - c->margins().left() - c->margins().right() - left - right;
            QVERIFY2(QFontMetrics(c->titleFont()).horizontalAdvance(c->title()) <= width,
                     qPrintable(c->title()));
            auto* days = qobject_cast<QDateTimeAxis*>(c->axes(Qt::Horizontal).front());
            QVERIFY(days->tickCount() <= 4);
            const qint64 span = days->min().msecsTo(days->max());
            if (c == chart->HoursChart()) {
                QCOMPARE(days->min().time(), QTime(0, 0));
                QCOMPARE(span % (qint64{86'400'000} * (days->tickCount() - 1)), 0);
            }
            const int label =
                QFontMetrics(days->labelsFont()).horizontalAdvance(days->min().toString(days->format()));
            QVERIFY(c->plotArea().width() / (days->tickCount() - 1) >= label);
        }
        // A legend of the levels and marks, with room for their names.
        QLegend* legend = chart->HoursChart()->legend();
        const QFontMetrics font(legend->font());
        QStringList named;
        int needed = 0; // each name beside its mark, the mark and the gaps as wide as two lines are high
        for (QLegendMarker* m : legend->markers())
            if (m->isVisible()) {
                named << m->label();
                needed += font.horizontalAdvance(m->label()) + 2 * font.height();
            }
        QCOMPARE(named, (QStringList{"TP", "SL", "Вход", "Выход"}));
        QVERIFY2(needed <= legend->size().width(), qPrintable(QString::number(needed)));
    }
}

void TradeReportTest::reportIsTheCommandsReportAndHoldsItsNumbers()
{
    auto form = RunDemo(QStringLiteral("EURUSD"));
    const std::string windowFile = dir_->file("window.html");
    dialogs_->saveNames << QString::fromStdString(windowFile);
    Get<QPushButton>(*form, "SaveReportButton")->click();
    QVERIFY(dialogs_->messages.isEmpty());
    QCOMPARE(dialogs_->saveFilters, QStringList{QStringLiteral("Файлы HTML|*.html")});

    // The command reads the file into slot 1 of this process, after the
    // window is done with it. A cost option of 0 adds the figures to its JSON.
    const std::string cliFile = dir_->file("cli.html");
    const auto json = RunCommand({"--report", cliFile, "--spread", "0"});
    const std::string html = ReadFile(windowFile);
    QVERIFY(html == ReadFile(cliFile));
    CompareWithJson(html, json);
}

void TradeReportTest::reportHoldsTheCommandsJsonAtCosts_data()
{
    QTest::addColumn<QStringList>("costs");
    QTest::newRow("spread") << QStringList{"--spread", "2.5"};
    QTest::newRow("all four") << QStringList{"--spread",    "1.2",  "--commission", "0.7",
                                             "--swap-long", "-0.3", "--swap-short", "0.1"};
    QTest::newRow("swap earned") << QStringList{"--swap-long", "4.5", "--swap-short", "3"};
}

void TradeReportTest::reportHoldsTheCommandsJsonAtCosts()
{
    QFETCH(QStringList, costs);
    CopyDemoData(dir_->dir());
    const std::string file = dir_->file("costs.html");
    std::vector<std::string> args = {"--report", file};
    for (const QString& a : costs)
        args.push_back(a.toStdString());
    const auto json = RunCommand(args);
    CompareWithJson(ReadFile(file), json);
}

nlohmann::json TradeReportTest::RunCommand(const std::vector<std::string>& options)
{
    const std::string base = dir_->file("EURUSD.base");
    std::vector<const char*> argv = {"quillet-cli", "backtest", base.c_str(), "--json"};
    for (const std::string& o : options)
        argv.push_back(o.c_str());
    std::ostringstream out, err;
    if (cli::RunCli(static_cast<int>(argv.size()), argv.data(), out, err) != 0)
        throw std::runtime_error("quillet-cli backtest failed: " + err.str());
    return nlohmann::json::parse(out.str());
}

void TradeReportTest::CompareWithJson(const std::string& html, const nlohmann::json& json)
{
    const ReadReport r = ReadHtml(QByteArray::fromStdString(html));
    QCOMPARE(r.Lang, QStringLiteral("ru"));
    QCOMPARE(r.Svgs, 2);
    QCOMPARE(r.Keyed.at("parameters").at("pair").toStdString(), json["pair"].get<std::string>());
    // The fourteen values, as the window's labels show them.
    const auto& results = r.Keyed.at("results");
    QCOMPARE(results.size(), json["labels"].size());
    QCOMPARE(static_cast<int>(results.size()), 14);
    for (const auto& [label, text] : json["labels"].items())
        QCOMPARE(results.at(QString::fromStdString(label)).toStdString(), text.get<std::string>());

    // The figures after costs ("-" where the JSON has null), and by year.
    const auto& figures = r.Keyed.at("figures");
    QCOMPARE(figures.size(), json["stats"].size() - 1); // all but by_year
    for (const auto& [key, value] : json["stats"].items()) {
        if (key == "by_year")
            continue;
        const QString text = figures.at(QString::fromStdString(key));
        if (value.is_null())
            QCOMPARE(text, QStringLiteral("-"));
        else
            QCOMPARE(Number(text), value.get<double>());
    }
    const std::vector<QStringList>& years = r.Rows.at("years");
    const auto& byYear = json["stats"]["by_year"];
    QCOMPARE(years.size(), byYear.size() + 1); // the header row has no cells
    const char* const yearFields[] = {"year", "trades", "wins", "net", "max_drawdown"};
    for (std::size_t i = 0; i < byYear.size(); ++i)
        for (int f = 0; f < 5; ++f)
            QCOMPARE(Number(years[i + 1].at(f)), byYear[i][yearFields[f]].get<double>());

    // Every trade, field by field.
    const std::vector<QStringList>& rows = r.Rows.at("trades");
    const auto& trades = json["trades"];
    QCOMPARE(rows.size(), trades.size() + 1);
    QVERIFY(rows.front().isEmpty());
    const std::pair<int, const char*> numbers[] = {
        {0, "week"},        {3, "body"},   {5, "entry_price"}, {6, "take_profit"}, {7, "stop_loss"},
        {10, "exit_price"}, {11, "hours"}, {12, "drawdown"},   {13, "points"},     {14, "cumulative_points"},
        {15, "nights"},     {16, "costs"}, {17, "net_points"}};
    long long netTenths = 0; // the running sum of the net points, column 18
    for (std::size_t i = 0; i < trades.size(); ++i) {
        for (const auto& [column, field] : numbers)
            QCOMPARE(Number(rows[i + 1].at(column)), trades[i][field].get<double>());
        netTenths += std::llround(trades[i]["net_points"].get<double>() * 10);
        QCOMPARE(Number(rows[i + 1].at(18)), static_cast<double>(netTenths) / 10);
    }
    QVERIFY(trades.size() > 100);
}

void TradeReportTest::reportIntoAMissingFolderSaysWhy()
{
    auto form = RunDemo(QStringLiteral("AUDJPY"));
    const std::string path = dir_->file("missing/report.html");
    dialogs_->saveNames << QString::fromStdString(path);
    Get<QPushButton>(*form, "SaveReportButton")->click();
    QCOMPARE(dialogs_->messages.size(), 1);
    QVERIFY(dialogs_->messages.front().Text.contains(QStringLiteral("нет папки")));
    QVERIFY(!QFile::exists(QString::fromStdString(path)));
}

// walkforward --report beside walkforward --json of the same analysis: the
// windows' choices and out-of-sample results, the figures with the
// efficiency, and one row per out-of-sample trade.
void TradeReportTest::walkForwardReportHoldsTheCommandsJson()
{
    CopyDemoData(dir_->dir());
    const std::string file = dir_->file("walkforward.html");
    const std::string base = dir_->file("AUDJPY.base");
    const std::vector<const char*> argv = {
        "quillet-cli", "walkforward", base.c_str(), "--in-sample", "104",        "--out-of-sample",
        "52",          "--signal",    "85:110",     "--sl",        "10:60",      "--tp",
        "10:60",       "--spread",    "1.5",        "--report",    file.c_str(), "--json"};
    std::ostringstream out, err;
    QCOMPARE(cli::RunCli(static_cast<int>(argv.size()), argv.data(), out, err), 0);
    const auto json = nlohmann::json::parse(out.str());
    const ReadReport r = ReadHtml(QByteArray::fromStdString(ReadFile(file)));
    QCOMPARE(r.Lang, QStringLiteral("ru"));
    QCOMPARE(r.Keyed.at("parameters").at("pair").toStdString(), json["pair"].get<std::string>());

    const std::vector<QStringList>& windows = r.Rows.at("windows");
    QCOMPARE(windows.size(), json["windows"].size() + 1);
    for (std::size_t k = 0; k < json["windows"].size(); ++k) {
        const auto& w = json["windows"][k];
        const QStringList& row = windows[k + 1];
        if (w["chosen"].is_null()) { // a window with no eligible combination trades nothing
            QCOMPARE(row.at(3), QStringLiteral("-"));
            continue;
        }
        QCOMPARE(Number(row.at(3)), w["chosen"]["signal"].get<double>());
        QCOMPARE(Number(row.at(4)), w["chosen"]["sl"].get<double>());
        QCOMPARE(Number(row.at(5)), w["chosen"]["tp"].get<double>());
        QCOMPARE(Number(row.at(8)), w["out_of_sample_net"].get<double>());
        QCOMPARE(Number(row.at(9)), w["out_of_sample_result"]["Entries"].get<double>());
    }
    const auto& figures = r.Keyed.at("figures");
    for (const auto& [key, value] : json["stats"].items())
        if (key != "by_year" && !value.is_null())
            QCOMPARE(Number(figures.at(QString::fromStdString(key))), value.get<double>());
    QVERIFY(std::abs(Number(figures.at("efficiency")) - json["efficiency"].get<double>()) <= 0.005);
    QCOMPARE(r.Rows.at("trades").size(), json["trades"].size() + 1);
    QVERIFY(json["trades"].size() > 20);
}

QUILLET_WINDOW_TEST(TradeReportTest);
#include "TradeReportTest.moc"
