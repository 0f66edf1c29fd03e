#include "UiTestSupport.h"

#include "model/Dates.h"
#include "model/Instrument.h"
#include "store/Files.h"

#include <QFontMetrics>

#include <algorithm>
#include <cmath>

namespace quillet::test {

namespace {

std::vector<double> TickValues(const QValueAxis& axis)
{
    std::vector<double> ticks;
    const double min = axis.min(), max = axis.max();
    if (axis.tickType() == QValueAxis::TicksDynamic) {
        const double step = axis.tickInterval();
        for (double v = axis.tickAnchor() + std::ceil((min - axis.tickAnchor()) / step) * step; v <= max;
             v += step)
            ticks.push_back(v);
        return ticks;
    }
    for (int i = 0; i < axis.tickCount(); ++i)
        ticks.push_back(min + (max - min) * i / (axis.tickCount() - 1));
    return ticks;
}

// Whether each label has room up to the next tick: its width along a
// horizontal axis, the font's height along a vertical one.
bool LabelsHaveRoom(const QChart& chart, const QValueAxis& axis)
{
    const std::vector<double> ticks = TickValues(axis);
    const QStringList labels = TickLabels(axis);
    const QFontMetrics metrics(axis.labelsFont());
    const bool across = axis.orientation() == Qt::Horizontal;
    const double length = across ? chart.plotArea().width() : chart.plotArea().height();
    for (int i = 0; i + 1 < labels.size(); ++i) {
        const double room = length *
                            (ticks[static_cast<std::size_t>(i) + 1] - ticks[static_cast<std::size_t>(i)]) /
                            (axis.max() - axis.min());
        const int needed =
            across ? std::max(metrics.horizontalAdvance(labels[i]), metrics.horizontalAdvance(labels[i + 1]))
                   : metrics.height();
        if (room < needed)
            return false;
    }
    return true;
}

} // namespace

QStringList TickLabels(const QValueAxis& axis)
{
    QStringList labels;
    for (const double v : TickValues(axis))
        labels << QString::asprintf(axis.labelFormat().toLatin1().constData(), v);
    return labels;
}

QString AxesFault(const QChart& chart)
{
    for (QAbstractAxis* a : chart.axes()) {
        const auto* axis = qobject_cast<const QValueAxis*>(a);
        if (!axis)
            return QStringLiteral("not a value axis: ") + a->titleText();
        QStringList labels = TickLabels(*axis);
        const QString ticks = labels.join(QLatin1Char(' '));
        if (labels.size() < 2 || labels.removeDuplicates() > 0)
            return QStringLiteral("ticks ") + ticks;
        if (!LabelsHaveRoom(chart, *axis))
            return QStringLiteral("no room for the ticks ") + ticks;
        const double length =
            axis->orientation() == Qt::Horizontal ? chart.plotArea().width() : chart.plotArea().height();
        if (QFontMetrics(axis->titleFont()).horizontalAdvance(axis->titleText()) > length)
            return QStringLiteral("no room for the title ") + axis->titleText();
    }
    return {};
}

std::unique_ptr<Instrument> NewInstrument(const std::string& name)
{
    auto inst = std::make_unique<Instrument>(); // value-initialised: all zero
    SetShortString(inst->Name, name);
    return inst;
}

void FillQuietWeeks(Instrument& inst, int count)
{
    const double first = DateSerial(2005, 1, 9);
    for (int i = 1; i <= count; ++i)
        SetCandle(inst.Week[i], first + 7.0 * (i - 1), "00", 1.2000, 1.2030, 1.1980, 1.2010);
}

void WriteInstrument(const TempDir& dir, const std::string& name, const Instrument& inst)
{
    WriteBaseFile(dir.file(name + ".base"), inst);
}

void WriteConfig(const TempDir& dir, const std::vector<std::string>& names)
{
    WriteInstrumentList(dir.file("config"), names);
}

void ClearLoadedSlots()
{
    for (int slot = 1; slot <= kLastSlot; ++slot)
        Table().Clear(slot);
}

double Day(int year, int month, int day)
{
    return DateSerial(year, month, day);
}

void WindowTest::init()
{
    ClearLoadedSlots();
    SetActiveDateFormat(kRegionalDateFormat);
    dir_ = std::make_unique<TempDir>();
    dialogs_ = std::make_unique<RecordingDialogs>();
    SetUpTest();
}

void WindowTest::cleanup()
{
    TearDownTest();
    dialogs_.reset();
    dir_.reset();
    ClearLoadedSlots();
    // An import or a generation changes the date format for the process.
    SetActiveDateFormat(kRegionalDateFormat);
}

void WindowTest::Prepare(const std::vector<std::string>& names, const std::vector<const Instrument*>& files)
{
    for (const Instrument* inst : files)
        WriteInstrument(*dir_, ShortStringText(inst->Name), *inst);
    WriteConfig(*dir_, names);
}

std::unique_ptr<TForm1> WindowTest::Start()
{
    return std::make_unique<TForm1>(dir_->dir());
}

std::unique_ptr<TForm1> WindowTest::Start(const std::vector<std::string>& names,
                                          const std::vector<const Instrument*>& files)
{
    Prepare(names, files);
    return Start();
}

} // namespace quillet::test
