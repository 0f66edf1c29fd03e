// Any bytes as a ".base" file: loaded (whole or cut short), then replayed by
// the single-pair run and the all-pairs run. A loaded record can hold NaN and
// infinite prices, dates far out of range and short strings longer than
// seven characters; nothing may crash, hang or read outside the table.
//
// Input layout: 8 bytes of parameters, the 8-byte Name, weekly candles 0..15
// (768 bytes), then hourly candles from index 0 for the rest.

#include "engine/Portfolio.h"
#include "model/Errors.h"
#include "model/Instrument.h"
#include "report/PortfolioReport.h"
#include "report/SinglePairReport.h"
#include "report/SinglePairRun.h"
#include "store/Files.h"

#include <cstdint>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <unistd.h>

using namespace quillet;

namespace {

constexpr std::size_t kHeader = 16;
constexpr std::size_t kWeekBytes = 16 * sizeof(Candle);
constexpr std::size_t kHourOffset = offsetof(Instrument, Hour);

const std::string& BasePath()
{
    static const std::string path = [] {
        char tmpl[] = "/tmp/quillet-fuzz-XXXXXX";
        return std::string(mkdtemp(tmpl)) + "/FUZZ.base";
    }();
    return path;
}

void WriteSparseBase(const std::uint8_t* data, std::size_t size, bool cutShort)
{
    const int fd = ::open(BasePath().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        std::abort();
    const std::size_t head = std::min(size, kHeader + kWeekBytes) - std::min(size, std::size_t{8});
    if (head > 0 && ::pwrite(fd, data + 8, head, 0) != static_cast<ssize_t>(head))
        std::abort();
    std::size_t hourBytes = 0;
    if (size > kHeader + kWeekBytes) {
        hourBytes = std::min(size - kHeader - kWeekBytes, sizeof(CandleSeries));
        if (::pwrite(fd, data + kHeader + kWeekBytes, hourBytes, kHourOffset) !=
            static_cast<ssize_t>(hourBytes))
            std::abort();
    }
    const std::size_t length = cutShort ? kHourOffset + hourBytes : kInstrumentSize;
    if (::ftruncate(fd, static_cast<off_t>(length)) != 0)
        std::abort();
    ::close(fd);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 8)
        return 0;
    const int flags = data[7];
    BacktestParams params;
    params.SignalMinPoints = (data[0] | data[1] << 8) % 600;
    params.StopLossPoints = data[2];
    params.TakeProfitPoints = data[3];
    params.HoldLimit = static_cast<int>(data[4]) - 1;
    params.RangeRestricted = flags & 2;
    params.FirstWeek = params.RangeRestricted ? data[5] * 3 % 536 : 0;
    params.LastWeek = params.RangeRestricted ? data[6] * 3 % 536 : 535;
    params.LogEnabled = flags & 1;
    params.PairName = flags & 8 ? "GBPJPY" : "EURUSD";
    params.Slot = 1;

    InstrumentTable& table = Table();
    for (int slot = 1; slot <= kPortfolioPairCount; ++slot)
        table.Clear(slot);
    WriteSparseBase(data, size, flags & 4);
    for (int slot = 1; slot <= kPortfolioPairCount; slot += 3) {
        try {
            ReadBaseFile(BasePath(), slot);
        } catch (const Error&) {
            // a short file keeps the bytes it had in the slot
        }
    }

    std::size_t lines = 0;
    BacktestResult result;
    RunSinglePairBacktest(
        params, Table()[params.Slot], result, [&](const std::string& line) { lines += line.size(); }, [] {},
        [](const std::string&) {});
    MakeSinglePairReport(params, result);

    PortfolioParams pp{params.SignalMinPoints, params.StopLossPoints, params.TakeProfitPoints};
    const PortfolioResult pr = RunPortfolioBacktest(pp, {}, Table());
    MakePortfolioReport(pp, pr);
    return 0;
}
