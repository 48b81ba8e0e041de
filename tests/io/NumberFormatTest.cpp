#include <gtest/gtest.h>

#include <cfloat>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <locale>
#include <random>
#include <sstream>

#include "IoTestSupport.h"
#include "io/NumberFormat.h"

namespace {

std::string printfFixed(double v) {
    char text[400];
    std::snprintf(text, sizeof text, "%f", v);
    return text;
}

std::string streamDefault(float v) {
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << v;
    return out.str();
}

// Values around every place where the two formats change shape: rounding at the sixth
// decimal, the exponent thresholds 1e-4 and 1e6, negative zero, float extremes.
std::vector<float> edgeFloats() {
    std::vector<float> values{0.0f,      -0.0f,     1.0f,       0.5f,         100.0f,
                              250.5f,    1e-4f,     9.9999e-5f, 1e-5f,        123456.0f,
                              999999.4f, 999999.6f, 1e6f,       1234567.0f,   -899.999f,
                              0.1f,      1.0f / 3,  2.0f / 3,   0.0000005f,   -0.0000005f,
                              FLT_MAX,   -FLT_MAX,  FLT_MIN,    1.17549e-38f, 3.4e38f};
    std::mt19937 random(7);
    std::uniform_real_distribution<float> canvas(-1000.0f, 2000.0f);
    std::uniform_int_distribution<int> exponent(-40, 38);
    for (int i = 0; i < 4000; ++i) values.push_back(canvas(random));
    for (int i = 0; i < 4000; ++i) {
        values.push_back(std::ldexp(canvas(random) / 1000.0f, exponent(random)));
    }
    return values;
}

// What sscanf("%lf") reads in the C locale, as glibc's does. musl's (the WebAssembly
// build's C library) cannot take back a dangling exponent and fails on "2.5e", where glibc's
// reads 2.5; its strtod reads what glibc's sscanf reads.
double scanDouble(const char* text) {
    double value = 0.0;
#if defined(__GLIBC__)
    if (std::sscanf(text, "%lf", &value) != 1) value = 0.0;
#else
    char* end = nullptr;
    value = std::strtod(text, &end);
    if (end == text) value = 0.0;
#endif
    return value;
}

TEST(NumberFormat, FixedMatchesPrintfAndGeneralMatchesTheStream) {
    std::setlocale(LC_ALL, "C");
    for (const float v : edgeFloats()) {
        ASSERT_EQ(io::formatFixed6(v), printfFixed(v)) << v;
        ASSERT_EQ(io::fixed6Length(v), printfFixed(v).size()) << v;
        ASSERT_EQ(io::formatGeneral6(v), streamDefault(v)) << v;
    }
    // The length's shortcut ends where rounding may carry into another integer digit.
    for (double next = 1.0; next <= 1e17; next *= 10.0) {
        for (const double d : {0.0, 4e-7, 5e-7, 6e-7, 1e-6, 1.1e-6, 1e-3}) {
            for (const double v : {next - d, std::nextafter(next - d, 0.0), -(next - d)}) {
                ASSERT_EQ(io::fixed6Length(v), printfFixed(v).size()) << v;
            }
        }
    }
    EXPECT_EQ(io::formatGeneral6(100.0f), "100");
    EXPECT_EQ(io::formatGeneral6(250.5f), "250.5");
    EXPECT_EQ(io::formatGeneral6(1e-5f), "1e-05");
    EXPECT_EQ(io::formatGeneral6(1234567.0f), "1.23457e+06");
    EXPECT_EQ(io::formatFixed6(1.0), "1.000000");
    EXPECT_EQ(io::formatFixed6(-0.0000004), "-0.000000");
    EXPECT_EQ(io::formatInteger(-42), "-42");
    EXPECT_EQ(io::formatUnsigned(18446744073709551615ull), "18446744073709551615");
}

TEST(NumberFormat, ParsesLikeScanfInTheCLocale) {
    std::setlocale(LC_ALL, "C");
    for (const char* text :
         {"5",   "104.5", "-17.25",       "+3",     "  \t\n12.5",
          "1e3", "1E-3",  "2.5e",         "7.",     ".5",
          "-.5", "0x10",  "0x1p-2",       "0X.8p1", "0x",
          "0xg", "12abc", "1,5",          "3.25.7", "1e+2x",
          "-0",  "00012", "4294967296.5", "1e-320", "123456789012345678901234567890"}) {
        EXPECT_EQ(io::parseLeadingDouble(text), scanDouble(text)) << '"' << text << '"';
    }
}

// Page numbers take a shortcut for plain decimals of up to 15 digits; around its edges
// (digit counts, point positions, exponents and junk after the number) it must read
// exactly what scanf reads.
TEST(NumberFormat, PlainDecimalsOfAnyLengthReadLikeScanf) {
    std::setlocale(LC_ALL, "C");
    std::mt19937 random(11);
    auto pick = [&random](int n) { return static_cast<int>(random() % n); };
    const char* suffixes[] = {"", "", "e5", "E-2", "e", "x", " 1", ".5", "\"", "e+"};
    for (int i = 0; i < 100'000; ++i) {
        std::string text = i % 2 ? printfFixed(std::ldexp(pick(1 << 24), pick(40) - 20)) : "";
        if (text.empty()) {
            text = pick(3) == 0 ? "-" : "";
            const int digits = pick(19);
            const int point = pick(digits + 2);
            for (int d = 0; d < digits; ++d) {
                if (d == point) text += '.';
                text += static_cast<char>('0' + pick(10));
            }
            text += suffixes[pick(10)];
        }
        double expected = scanDouble(text.c_str());
        if (!std::isfinite(expected)) expected = 0.0;
        ASSERT_EQ(io::parseLeadingDouble(text), expected) << '"' << text << '"';
    }
}

#if defined(__cpp_lib_to_chars)
// The WebAssembly build formats and reads through printf and strtod: on random values and
// number texts (both notations, exponents, junk after them) they must give what this
// build's to_chars and from_chars give, or the two builds would write different pages.
TEST(NumberFormat, PrintfAndStrtodFormsMatchTheLibrary) {
    std::setlocale(LC_ALL, "C");
    std::mt19937_64 random(5);
    const char* shapes[] = {"%.17g", "%.3f", "%a", "%.9e", "%.0f"};
    const char* tails[] = {"", "x", "e", "e+", "p", ".5", "-1"};
    for (int i = 0; i < 200'000; ++i) {
        const double v = i % 3 == 0 ? std::ldexp(static_cast<double>(random() >> 11), static_cast<int>(random() % 160) - 110)
                                    : static_cast<double>(static_cast<float>(random() % 2'000'000) / 1000.0f - 900.0f);
        for (const bool fixed : {true, false}) {
            char library[400];
            char portable[400];
            const auto result = fixed ? std::to_chars(library, library + 400, v, std::chars_format::fixed, 6)
                                      : std::to_chars(library, library + 400, v, std::chars_format::general, 6);
            const std::size_t n = io::portable::printDouble(portable, 400, v, fixed);
            ASSERT_EQ(std::string(portable, n), std::string(library, result.ptr)) << v;
        }
        char text[400];
        std::snprintf(text, sizeof text, shapes[i % 5], std::fabs(v));  // the caller takes the sign
        std::string t = std::string(text) + tails[random() % 7];
        const bool hex = t.starts_with("0x");
        double expected = 0.0;
        const auto r = std::from_chars(t.data() + (hex ? 2 : 0), t.data() + t.size(), expected,
                                       hex ? std::chars_format::hex : std::chars_format::general);
        if (r.ec != std::errc() || !std::isfinite(expected)) expected = 0.0;
        double actual = io::portable::parseUnsigned(t.data(), t.data() + t.size(), hex);
        if (!std::isfinite(actual)) actual = 0.0;
        ASSERT_EQ(actual, expected) << '"' << t << '"';
    }
}
#endif

TEST(NumberFormat, NonNumbersAndNonFiniteValuesReadAsZero) {
    for (const char* text : {"", " ", "abc", "-", "+", "+-1", "--1", ".", "e5", "nan", "NaN(1)",
                             "inf", "-Infinity", "1e400", "-1e999", "0x1p99999", "\x01", "\xff"}) {
        EXPECT_EQ(io::parseLeadingDouble(text), 0.0) << '"' << text << '"';
    }
    // Finite doubles beyond the float range would become infinities in the geometry.
    EXPECT_EQ(io::parseLeadingFloat("1e300"), 0.0f);
    EXPECT_EQ(io::parseLeadingFloat("-3.5e38"), 0.0f);
    EXPECT_EQ(io::parseLeadingFloat("3.4e38"), 3.4e38f);
    EXPECT_EQ(io::parseLeadingFloat("104.5"), 104.5f);
}

TEST(NumberFormat, DecimalCommaLocaleChangesNothing) {
    iotest::CommaLocale german;
    IOTEST_REQUIRE_COMMA_LOCALE(german);
    EXPECT_EQ(printfFixed(1.5), "1,500000") << "the locale is in force";
    EXPECT_EQ(io::formatFixed6(104.5), "104.500000");
    EXPECT_EQ(io::formatGeneral6(250.5f), "250.5");
    EXPECT_EQ(io::parseLeadingDouble("104.5"), 104.5);
    EXPECT_EQ(io::parseLeadingDouble("104,5"), 104.0);
}

}  // namespace
