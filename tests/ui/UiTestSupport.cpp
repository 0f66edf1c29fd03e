#include "UiTestSupport.h"

#include "model/Dates.h"
#include "model/Instrument.h"
#include "store/Files.h"

namespace quillet::test {

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
