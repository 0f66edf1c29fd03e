#pragma once
// The copy of an instrument that a run off the window's thread reads, so
// that nothing the window does to the table meanwhile can reach it.

#include "model/Instrument.h"

#include <memory>

namespace quillet::ui {

/// A byte-for-byte copy of the record in zero-filled pages that stay
/// untouched where the record is zero: a record that fills a third of its
/// series costs a third of its 9 MB, which counts when thirty are swept.
std::shared_ptr<const Instrument> CopyForRun(const Instrument& inst);

} // namespace quillet::ui
