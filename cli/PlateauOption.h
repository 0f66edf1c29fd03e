#pragma once
// The plateau's radii on the command line: "R" for every axis or
// "Rs:Rsl:Rtp[:Rh]", "" for the defaults.

#include "analysis/Plateau.h"

#include <CLI/CLI.hpp>

#include <optional>
#include <string>

namespace quillet::cli {

std::optional<PlateauRadii> ParseRadii(const std::string& text);

/// Refuses what ParseRadii cannot read.
CLI::Validator RadiiValidator();

} // namespace quillet::cli
