#pragma once
// A price field of a quote file, read as fast as a file of millions of lines
// needs and to the very same double as the three-file import reads it.

#include <string_view>

namespace quillet {

/// The value ParsePrice(PriceCell(field)) gives, and its error for a field
/// it refuses. The common forms (digits, a "." or "," and digits, blanks
/// around them) are converted directly, without building texts.
double ReadQuotePrice(std::string_view field);

} // namespace quillet
