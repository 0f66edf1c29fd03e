#pragma once
// The demo EURUSD that the benchmarks run on: the demo instruments are
// written once per process, and EURUSD goes to slot 1 of a table of its own.

#include "demo/DemoData.h"
#include "model/Instrument.h"
#include "store/Files.h"
#include "support/TestSupport.h"

#include <memory>
#include <sstream>

namespace quillet::bench {

inline const InstrumentTable& DemoEurUsd()
{
    static test::TempDir dir;
    static const std::unique_ptr<InstrumentTable> table = [] {
        std::ostringstream progress;
        demo::WriteDemoData(dir.dir(), progress);
        auto t = std::make_unique<InstrumentTable>();
        ReadBaseFile(dir.file("EURUSD.base"), 1, *t);
        return t;
    }();
    return *table;
}

} // namespace quillet::bench
