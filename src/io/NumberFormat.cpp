#include "io/NumberFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace io {

namespace {

// Large enough for "%f" of the largest double (309 digits, point, six decimals, sign).
constexpr int kBufferSize = 340;

// "%f" with six decimals or "%g" into `buffer` (kBufferSize chars); the text's length.
std::size_t printDouble(char* buffer, double value, bool fixed) {
#if defined(__cpp_lib_to_chars)
    const auto result = fixed ? std::to_chars(buffer, buffer + kBufferSize, value, std::chars_format::fixed, 6)
                              : std::to_chars(buffer, buffer + kBufferSize, value, std::chars_format::general, 6);
    return static_cast<std::size_t>(result.ptr - buffer);
#else
    return portable::printDouble(buffer, kBufferSize, value, fixed);
#endif
}

bool isCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Reads [p, end) when it starts with a plain decimal of at most 15 digits (and no
// exponent), as pages write their numbers. Such a number and the power of ten under its
// point are both exact doubles, so one division rounds correctly and gives what
// from_chars gives. False, with nothing read, for anything else.
bool parseShortDecimal(const char* p, const char* end, double& value) {
    static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    constexpr int kMaxDigits = 15;
    std::uint64_t mantissa = 0;
    int digits = 0;
    int fraction = 0;
    for (; p != end && isDigit(*p); ++p, ++digits) mantissa = mantissa * 10 + (*p - '0');
    if (p != end && *p == '.') {
        for (++p; p != end && isDigit(*p); ++p, ++digits, ++fraction) {
            mantissa = mantissa * 10 + (*p - '0');
        }
    }
    if (digits == 0 || digits > kMaxDigits || (p != end && (*p == 'e' || *p == 'E'))) {
        return false;
    }
    value = static_cast<double>(mantissa) / kPowersOfTen[fraction];
    return true;
}

}  // namespace

void appendFixed6(std::string& out, double value) {
    char buffer[kBufferSize];
    out.append(buffer, printDouble(buffer, value, true));
}

std::size_t fixed6Length(double value) {
    // Without formatting when rounding to six decimals cannot carry into another integer
    // digit: below next - 1e-6 (as computed, within half an ulp of exact for every next
    // here, or next itself once an ulp exceeds 1e-6) the rounded value stays under next.
    // Room pages weigh every point of every record by this, on the drawing thread.
    const double a = std::fabs(value);
    if (a < 1e15) {  // false for NaN too
        std::size_t digits = 1;
        double next = 10.0;  // powers of ten up to 1e15 are exact doubles
        while (a >= next) {
            ++digits;
            next *= 10.0;
        }
        if (a < next - 1e-6) return (std::signbit(value) ? 1 : 0) + digits + 7;
    }
    char buffer[kBufferSize];
    return printDouble(buffer, value, true);
}

std::string formatFixed6(double value) {
    std::string out;
    appendFixed6(out, value);
    return out;
}

void appendGeneral6(std::string& out, double value) {
    char buffer[kBufferSize];
    out.append(buffer, printDouble(buffer, value, false));
}

std::string formatGeneral6(double value) {
    std::string out;
    appendGeneral6(out, value);
    return out;
}

std::string formatInteger(long long value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string formatUnsigned(unsigned long long value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

double parseLeadingDouble(std::string_view text) {
    const char* p = text.data();
    const char* end = p + text.size();
    while (p != end && isCSpace(*p)) ++p;
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    // from_chars takes neither a sign of its own here nor the hexadecimal prefix.
    if (p == end || *p == '+' || *p == '-') return 0.0;
    double value = 0.0;
    const bool hex = end - p >= 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') &&
                     ((end - p >= 3 && isHexDigit(p[2])) || (end - p >= 4 && p[2] == '.' && isHexDigit(p[3])));
    if (!hex && parseShortDecimal(p, end, value)) return negative ? -value : value;
#if defined(__cpp_lib_to_chars)
    const std::from_chars_result result =
        hex ? std::from_chars(p + 2, end, value, std::chars_format::hex)
            : std::from_chars(p, end, value, std::chars_format::general);
    if (result.ec != std::errc()) return 0.0;
#else
    value = portable::parseUnsigned(p, end, hex);
#endif
    if (!std::isfinite(value)) return 0.0;
    return negative ? -value : value;
}

namespace portable {

std::size_t printDouble(char* buffer, std::size_t size, double value, bool fixed) {
    const int n = std::snprintf(buffer, size, fixed ? "%.6f" : "%g", value);
    return n < 0 ? 0 : std::min(static_cast<std::size_t>(n), size - 1);
}

double parseUnsigned(const char* p, const char* end, bool hex) {
    // strtod wants a terminated string: the run of characters a number may hold. (Pages
    // write short decimals, which never come here.)
    const auto numberChar = [hex](char c) {
        return isDigit(c) || c == '.' || c == '+' || c == '-' ||
               (hex ? (isHexDigit(c) || c == 'x' || c == 'X' || c == 'p' || c == 'P') : (c == 'e' || c == 'E'));
    };
    const std::string text(p, std::find_if_not(p, end, numberChar));
    // A sign where the number starts: strtod would take it, from_chars does not.
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) return 0.0;
    return std::strtod(text.c_str(), nullptr);
}

}  // namespace portable

float parseLeadingFloat(std::string_view text) {
    const float value = static_cast<float>(parseLeadingDouble(text));
    return std::isfinite(value) ? value : 0.0f;
}

}  // namespace io
