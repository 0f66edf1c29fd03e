#pragma once
// The options of a command that reads one quote file into a record (the
// hourly or minute file of make-base --hourly, the file of check): the
// period, the time shift, and the import itself with the command's wording
// of a file of too many hours.

#include "store/HourlyImport.h"

#include <CLI/CLI.hpp>

#include <optional>
#include <ostream>
#include <string>

namespace quillet::cli {

struct QuoteFileOptions {
    std::string from, to;
    int shift = 0;
    const CLI::Option* fromOption = nullptr;
    const CLI::Option* toOption = nullptr;
    const CLI::Option* shiftOption = nullptr;

    /// Whether any of them was given.
    bool Given() const;
    /// The import's settings; a date that does not read, or a --from after
    /// --to, is a bad option.
    QuoteImportSettings Settings() const;
};

/// Adds --from, --to and --shift to `cmd`; with `needs`, each needs that option.
void AddQuoteFileOptions(CLI::App* cmd, QuoteFileOptions& opts, const std::string& whose,
                         CLI::Option* needs = nullptr);

/// Builds the table's scratch slot from the file (and writes it as `basePath`
/// unless that is empty). Too many hours are refused naming the file and the
/// options of a period that fits.
HourlySummary ImportQuoteFile(const std::string& file, const std::string& name,
                              const QuoteImportSettings& settings, const std::string& basePath = {});

/// The shape of a quote file, or nothing for a ".base": a file not named
/// ".base" is quote text when its first lines read as such, and a base all
/// the same when they do not and it is as long as a record. A shorter file
/// that is no quote text is refused naming it.
std::optional<QuoteShape> QuoteShapeOf(const std::string& path);

/// The lines make-base prints about what it read: the format, the step of a
/// minute file and a shift other than 0.
void PrintQuoteSummary(std::ostream& out, const HourlySummary& summary, int shiftHours);

} // namespace quillet::cli
