#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Locale-independent number text for the XML files. printf and strtod follow the
// process locale (Qt sets it from the environment, so a German
// desktop writes "1,5"); these never do.
namespace io {

// printf "%f": fixed notation, six decimals, '-' for negatives, never an exponent.
std::string formatFixed6(double value);
void appendFixed6(std::string& out, double value);
// The length of formatFixed6(value), without building it.
std::size_t fixed6Length(double value);

// What std::ostream writes by default (printf "%g", six significant digits): trailing
// zeros and point dropped, exponent below 1e-4 and from 1e6 on ("1e-05", "1.5e+06").
std::string formatGeneral6(double value);
void appendGeneral6(std::string& out, double value);

// Decimal integers.
std::string formatInteger(long long value);
std::string formatUnsigned(unsigned long long value);

// Reads a double the way sscanf("%lf") does in the C locale: leading white space, an
// optional sign, then a decimal or hexadecimal number, as much as forms one. Text that
// does not start with a number, and infinities, NaNs and out-of-range values, read as 0.
double parseLeadingDouble(std::string_view text);

// parseLeadingDouble narrowed to float; values beyond the float range read as 0 too.
float parseLeadingFloat(std::string_view text);

// What the functions above use where the C++ library has no floating-point to_chars and
// from_chars (the WebAssembly build): printf and strtod, which give the same text and values
// where the process's locale is "C", as it always is there. Tests hold them to the library's.
namespace portable {
// "%.6f" (fixed) or "%g" of `value` into `buffer` of `size` chars; the text's length.
std::size_t printDouble(char* buffer, std::size_t size, double value, bool fixed);
// The unsigned decimal (or, with `hex`, hexadecimal with its "0x") number at the start of
// [p, end), as from_chars reads it; infinities and out-of-range values as strtod gives them.
double parseUnsigned(const char* p, const char* end, bool hex);
}  // namespace portable

}  // namespace io
