#pragma once
// The HTML report of a run on the command line.

#include "cli/Cli.h"

#include <string>

namespace quillet::cli {

/// Writes the report to `path` through a complete temporary copy. On failure
/// tells why on ctx.err, sets the failure status and returns false.
bool WriteReportFile(const std::string& path, const std::string& html, Context& ctx);

} // namespace quillet::cli
