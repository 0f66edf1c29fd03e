#include "model/Numbers.h"

#include "model/Errors.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace quillet {
namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The significant digits and decimal exponent of a value written by printf
// in "%.Ne" form: "d.ddd" + "e" + exponent.
struct Decimal {
    std::string digits; // without the point, first digit non-zero
    int exponent;       // value = 0.d1d2... x 10^(exponent + 1)
};

Decimal SplitScientific(const char* buf)
{
    Decimal d{{}, 0};
    const char* p = buf;
    if (*p == '-')
        ++p;
    for (; *p && *p != 'e'; ++p)
        if (IsDigit(*p))
            d.digits += *p;
    if (*p == 'e')
        d.exponent = std::atoi(p + 1);
    return d;
}

std::string NonFiniteText(long double value)
{
    if (std::isnan(value))
        return "NAN";
    return value < 0 ? "-INF" : "INF";
}

} // namespace

double ParsePrice(std::string_view text)
{
    std::size_t b = 0;
    std::size_t e = text.size();
    while (b < e && text[b] == ' ')
        ++b;
    while (e > b && text[e - 1] == ' ')
        --e;

    // Sign, digits, optional ",digits", optional exponent; at least one digit
    // in the mantissa. Copied with "." for the locale-free conversion below.
    std::string number;
    std::size_t i = b;
    if (i < e && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-')
            number += '-';
        ++i;
    }
    int mantissaDigits = 0;
    while (i < e && IsDigit(text[i])) {
        number += text[i++];
        ++mantissaDigits;
    }
    if (i < e && text[i] == ',') {
        number += '.';
        ++i;
        while (i < e && IsDigit(text[i])) {
            number += text[i++];
            ++mantissaDigits;
        }
    }
    bool valid = mantissaDigits > 0;
    if (valid && i < e && (text[i] == 'e' || text[i] == 'E')) {
        number += 'e';
        ++i;
        if (i < e && (text[i] == '+' || text[i] == '-'))
            number += text[i++];
        int exponentDigits = 0;
        while (i < e && IsDigit(text[i])) {
            number += text[i++];
            ++exponentDigits;
        }
        valid = exponentDigits > 0;
    }
    valid = valid && i == e;

    double value = 0;
    if (valid) {
        const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
        valid = ec == std::errc() && end == number.data() + number.size();
    }
    if (!valid)
        ThrowInvalidPrice(std::string(text));
    return value;
}

std::string FormatPrice(double value)
{
    if (!std::isfinite(value))
        return NonFiniteText(value);
    if (value == 0)
        return "0";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", value);
    Decimal d = SplitScientific(buf);
    while (d.digits.size() > 1 && d.digits.back() == '0')
        d.digits.pop_back();

    std::string out = value < 0 ? "-" : "";
    const int e = d.exponent;
    if (e < -5 || e >= 15) {
        out += d.digits[0];
        if (d.digits.size() > 1) {
            out += ',';
            out.append(d.digits, 1);
        }
        out += 'E';
        out += std::to_string(e);
    } else if (e >= 0) {
        const auto intDigits = static_cast<std::size_t>(e) + 1;
        if (d.digits.size() <= intDigits) {
            out += d.digits + std::string(intDigits - d.digits.size(), '0');
        } else {
            out.append(d.digits, 0, intDigits);
            out += ',';
            out.append(d.digits, intDigits);
        }
    } else {
        out += "0,";
        out.append(static_cast<std::size_t>(-e - 1), '0');
        out += d.digits;
    }
    return out;
}

std::string FormatGeneral2(long double value)
{
    if (!std::isfinite(value))
        return NonFiniteText(value);
    if (value == 0)
        return "0";
    // First 18 significant digits, correctly rounded; then to 2 digits by the
    // third, a third digit of 5 or more rounding away from zero.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17Le", value);
    const Decimal d = SplitScientific(buf);
    int two = (d.digits[0] - '0') * 10 + (d.digits[1] - '0');
    int exponent = d.exponent;
    if (d.digits[2] >= '5' && ++two == 100) {
        two = 10;
        ++exponent;
    }
    const char first = static_cast<char>('0' + two / 10);
    const char second = static_cast<char>('0' + two % 10);
    const int x = exponent + 1; // digits before the decimal point

    std::string out = value < 0 ? "-" : "";
    if (x >= -3 && x <= 2) {
        if (x == 2) {
            out += first;
            out += second;
        } else if (x == 1) {
            out += first;
            if (second != '0')
                out += std::string(",") + second;
        } else {
            out += "0,";
            out.append(static_cast<std::size_t>(-x), '0');
            out += first;
            if (second != '0')
                out += second;
        }
    } else {
        out += first;
        if (second != '0')
            out += std::string(",") + second;
        const int shown = x - 1;
        out += 'E';
        if (shown < 0)
            out += '-';
        const int magnitude = shown < 0 ? -shown : shown;
        if (magnitude < 10)
            out += '0';
        out += std::to_string(magnitude);
    }
    return out;
}

std::int64_t RoundHalfEven(long double value)
{
    // rint follows the current rounding mode, which the program never
    // changes from round-to-nearest-even. Unlike nearbyint it may leave the
    // inexact flag set, which nothing reads, and so it is one instruction
    // instead of a library call that saves the floating-point state.
    return static_cast<std::int64_t>(std::rintl(value));
}

std::int32_t RoundToInt32(long double value)
{
    if (std::isnan(value))
        return 0;
    const long double r = std::rintl(value); // as in RoundHalfEven
    if (r >= static_cast<long double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    if (r <= static_cast<long double>(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(r);
}

} // namespace quillet
