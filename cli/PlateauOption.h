#pragma once
// The plateau's radii on the command line: "R" for every axis or
// "Rs:Rsl:Rtp[:Rh]", "" for the defaults.

#include "analysis/Plateau.h"

#include <CLI/CLI.hpp>

#include <optional>
#include <string>

namespace quillet::cli {

/// The radii of the text; `count`, when given, takes how many it names.
std::optional<PlateauRadii> ParseRadii(const std::string& text, std::size_t* count = nullptr);

/// Refuses what ParseRadii cannot read, naming the radii's range.
CLI::Validator RadiiValidator();

/// The radii of --plateau for `grid` (nothing without the option), refused
/// before any output when they do not fit it: a fourth radius without a
/// holding axis, or a grid above the plateau's limit.
std::optional<PlateauRadii> PlateauFor(const std::optional<std::string>& text, const SweepGrid& grid);

} // namespace quillet::cli
