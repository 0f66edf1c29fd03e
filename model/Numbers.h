#pragma once
// Price and figure text forms with the fixed "," decimal separator, and the
// one rounding rule of the program: to the nearest integer, ties to even.

#include <cstdint>
#include <string>
#include <string_view>

namespace quillet {

/// Reads a decimal number with "," as decimal separator, optional sign and
/// exponent, blanks allowed around it; throws
/// "'%s' is not a valid floating point value" for anything else.
double ParsePrice(std::string_view text);

/// A price in general form: up to 15 significant digits, no trailing zeros,
/// "," as separator; scientific ("1,5E-6") below 0.00001 or from 1E15 on.
std::string FormatPrice(double value);

/// A figure with 2 significant digits: fixed when the rounded value lies in
/// 0.0001 <= |v| < 100 ("5,6", "0,05", "67", "0,00099"), otherwise
/// scientific with a two-digit exponent ("1E02", "1,5E02", "9,9E-05").
std::string FormatGeneral2(long double value);

/// Rounds to the nearest integer, halves to even.
std::int64_t RoundHalfEven(long double value);

/// Rounds to the nearest 32-bit integer, halves to even. A value beyond the
/// 32-bit range is held at its bound and NaN gives 0, so corrupt quotes can
/// never crash a run.
std::int32_t RoundToInt32(long double value);

} // namespace quillet
