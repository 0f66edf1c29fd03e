#pragma once
// A file a command writes besides its output: a report or a trade list.

#include "cli/Cli.h"

#include <string>

namespace quillet::cli {

/// Writes `text` to `path` through a complete temporary copy. On failure
/// tells why on ctx.err, sets the failure status and returns false.
bool WriteFileOrSay(const std::string& path, const std::string& text, Context& ctx);

} // namespace quillet::cli
