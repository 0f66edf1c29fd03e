#include "UiTestSupport.h"

#include "model/Dates.h"
#include "model/Instrument.h"
#include "store/Files.h"
#include "support/RandomPair.h"

#include <QFontMetrics>

#include <algorithm>
#include <cmath>

namespace quillet::test {

QString AxesFault(const QChart& chart)
{
    for (QAbstractAxis* a : chart.axes()) {
        const auto* axis = qobject_cast<const QValueAxis*>(a);
        if (!axis)
            return QStringLiteral("not a value axis: ") + a->titleText();
        // The labels at the ticks as the axis draws them, evenly spaced.
        const double min = axis->min(), max = axis->max();
        const bool dynamic = axis->tickType() == QValueAxis::TicksDynamic;
        const double step = dynamic ? axis->tickInterval() : (max - min) / (axis->tickCount() - 1);
        QStringList labels;
        for (double v = dynamic ? axis->tickAnchor() + std::ceil((min - axis->tickAnchor()) / step) * step
                                : min;
             v <= max + step * 1e-9; v += step)
            labels << QString::asprintf(axis->labelFormat().toLatin1().constData(), v);
        const QString ticks = labels.join(QLatin1Char(' '));
        if (labels.size() < 2 || labels.removeDuplicates() > 0)
            return QStringLiteral("ticks ") + ticks;
        const QFontMetrics font(axis->labelsFont());
        int widest = 0;
        for (const QString& label : labels)
            widest = std::max(widest, font.horizontalAdvance(label));
        const bool across = axis->orientation() == Qt::Horizontal;
        const double length = across ? chart.plotArea().width() : chart.plotArea().height();
        if (length * step / (max - min) < (across ? widest : font.height()))
            return QStringLiteral("no room for the ticks ") + ticks;
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

void WriteRandomEurUsd(const TempDir& dir, std::uint64_t seed)
{
    RandomPairShape shape;
    shape.Seed = seed;
    shape.Weeks = 120;
    auto inst = NewInstrument("EURUSD");
    MakeRandomPair(*inst, shape);
    WriteInstrument(dir, "EURUSD", *inst);
    WriteConfig(dir, {"EURUSD"});
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
