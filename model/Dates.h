#pragma once
// Day serials (days since 30 December 1899) and their text forms under the
// one process-wide date format.

#include <string>
#include <string_view>

namespace quillet {

/// The regional short date format the program starts with.
inline constexpr std::string_view kRegionalDateFormat = "dd.MM.yyyy";
/// The format set by the first quote import or base generation of a run.
inline constexpr std::string_view kImportDateFormat = "yyyy mm dd";

/// The date format in force, shared by ParseDate and FormatDate.
const std::string& ActiveDateFormat();
void SetActiveDateFormat(std::string_view format);

/// A run of decimal digits and its value.
struct DigitRun {
    int Value;  // held at 999,999,999 once the run is longer, so it cannot overflow
    int Digits; // 0 when no digit stands at the start
};

/// The run of digits at `pos` of `text`; `pos` moves past it.
DigitRun ScanDigits(std::string_view text, std::size_t& pos);

/// Day serial of a calendar date (no validation).
double DateSerial(int year, int month, int day);

struct CivilDate {
    int Year;
    int Month;
    int Day;
};

/// Calendar date of the integral part of a day serial; false when the serial
/// is not a finite date within years 1 to 9999.
bool DecodeDate(double serial, CivilDate& out);

/// Reads "n.n.n" in the field order of the active format (or of `format`);
/// throws "'%s' is not a valid date" for any other text.
double ParseDate(std::string_view text);
double ParseDate(std::string_view text, std::string_view format);

/// Formats the date part of a serial with the active format (or `format`).
/// A serial outside years 1..9999 (or not a number) gives the format with
/// every field written as question marks.
std::string FormatDate(double serial);
std::string FormatDate(double serial, std::string_view format);

} // namespace quillet
