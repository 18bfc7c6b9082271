#include "numbers/number_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace {

uint64_t Bits(double d)
{
    uint64_t b;
    std::memcpy(&b, &d, sizeof b);
    return b;
}

float FloatFromBits(uint32_t b)
{
    float f;
    std::memcpy(&f, &b, sizeof f);
    return f;
}

const double INF = HUGE_VAL;

TEST(ScanNumber, ReadsTheLongestNumericPrefix)
{
    const struct {
        const char *text;
        double value;
    } cases[] = {
        {"abc", 0.0},
        {"", 0.0},
        {" 2.5", 2.5},
        {"2,5", 2.0},
        {"1e1", 10.0},
        {"1d1", 10.0},
        {"1e", 1.0},
        {"0x10", 0.0},
        {"inf", 0.0},
        {"nan", 0.0},
        {"1e400", INF},
        {"-1e400", -INF},
        {"1e+", 1.0},
        {"1E-", 1.0},
        {"1ex", 1.0},
        {"1D-2", 0.01},
        {"2E+3", 2000.0},
        {"+.5", 0.5},
        {"5.", 5.0},
        {"5.e1", 50.0},
        {".", 0.0},
        {"-", 0.0},
        {"-.", 0.0},
        {"+-1", 0.0},
        {"1.2.3", 1.2},
        {"1_000", 1.0},
        {"\t\n\v\f\r 7", 7.0},
        {"\xA0\x35", 0.0},  // a no-break space before "5" is no blank
        {"- 1", 0.0},
        {"0.1", 0.1},
        {"000123.4500", 123.45},
        {"0.000123", 0.000123},
        {"1e-400", 0.0},
        {"123456789012345678901234567890", 123456789012345678901234567890.0},
        {"9007199254740993", 9007199254740992.0},
        {"9007199254740995", 9007199254740996.0},
        {"9007199254740993.0000000000001", 9007199254740994.0},
        {"1.7976931348623157e308", DBL_MAX},
        {"1.7976931348623158e308", DBL_MAX},
        {"1.7976931348623159e308", INF},
        {"2.2250738585072011e-308", 2.2250738585072011e-308},
        {"2.2250738585072014e-308", DBL_MIN},
        {"4.9e-324", 4.9e-324},
        {"2.4703282292062328e-324", 4.9e-324},
        {"2.4703282292062327e-324", 0.0},
        {"1e99999999999999999999", INF},
        {"0e99999999999999999999", 0.0},
        {"1e-99999999999999999999", 0.0},
        {"0.000000000000000000001e21", 1.0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Bits(ScanNumber(c.text)), Bits(c.value)) << '"' << c.text << '"';
}

TEST(ScanNumber, ZeroKeepsItsSignOnlyWhenSomethingWasConverted)
{
    const struct {
        const char *text;
        bool negative;
    } cases[] = {
        {"  -0", true}, {"-0.000e5", true}, {"-1e-400", true}, {"-", false},
        {"-.", false},  {"-x", false},      {"+0", false},
    };
    for (const auto &c : cases) {
        const double v = ScanNumber(c.text);
        EXPECT_EQ(v, 0.0) << c.text;
        EXPECT_EQ(std::signbit(v), c.negative) << c.text;
    }
}

TEST(ScanNumber, DigitsFarBeyondThoseKeptStillDecideTies)
{
    const std::string zeros(1000, '0');
    const struct {
        std::string text;
        double value;
    } cases[] = {
        {"9007199254740993." + zeros, 9007199254740992.0},
        {"9007199254740993." + zeros + "1", 9007199254740994.0},
        {"9007199254740993" + zeros + "e-1000", 9007199254740992.0},
        {"9007199254740993" + zeros + "1e-1001", 9007199254740994.0},
        {"0." + zeros + "1e1001", 1.0},
        {"1" + zeros + zeros + "e-2000", 1.0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Bits(ScanNumber(c.text.c_str())), Bits(c.value)) << c.text.size();
}

// A 'd' or 'D' marker is read from a copy on the stack, whatever the length
// of the text: it reads as 'e' does.
TEST(ScanNumber, DExponentReadsLikeEAtAnyLength)
{
    for (size_t zeros = 0; zeros < 300; ++zeros) {
        const std::string mantissa = "1." + std::string(zeros, '0') + "5";
        for (const char *exponent : {"d1", "D-1", "d+0", "D330"}) {
            std::string reference = mantissa + exponent;
            reference[mantissa.size()] = 'e';
            const std::string text = " -" + mantissa + exponent + "x";
            ASSERT_EQ(Bits(ScanNumber(text.c_str())),
                      Bits(-std::strtod(reference.c_str(), nullptr)))
                << text;
        }
    }
}

// Texts in the grammar, read both by ScanNumber and by the C library's strtod
// (whose own syntax is the same apart from the 'd' marker, which it does not
// know, and the hexadecimal, infinity and NaN forms, which are never made).
TEST(ScanNumber, AgreesWithTheCLibraryOnGeneratedTexts)
{
    std::mt19937 rng(20240611);
    auto pick = [&](const char *set) { return set[rng() % std::strlen(set)]; };
    for (int n = 0; n < 200000; ++n) {
        std::string text, reference;
        for (int i = rng() % 3; i > 0; --i) text += pick(" \t\n");
        if (rng() % 2) text += pick("+-");
        const int whole = rng() % 22, fraction = rng() % 22;
        for (int i = 0; i < whole; ++i) text += rng() % 4 ? pick("0123456789") : '0';
        if (rng() % 2 || whole == 0) text += '.';
        for (int i = 0; i < fraction; ++i) text += pick("0123456789");
        if (rng() % 2) {
            text += pick("eEdD");
            if (rng() % 2) text += pick("+-");
            text += std::to_string(rng() % 700);
        }
        for (char c : text) reference += c == 'd' || c == 'D' ? 'e' : c;
        text += pick("x,+- #");  // never extends the number
        ASSERT_EQ(Bits(ScanNumber(text.c_str())), Bits(std::strtod(reference.c_str(), nullptr)))
            << text;
    }
}

// The exact midpoints between neighbouring doubles (hundreds of digits long)
// and the texts just around them are where a reader most easily rounds wrong.
TEST(ScanNumber, AgreesWithTheCLibraryAroundHalfwayPoints)
{
    std::mt19937_64 rng(7);
    char text[1200];
    for (int n = 0; n < 3000; ++n) {
        uint64_t b = rng() & 0x7FFFFFFFFFFFFFFFu;
        if (n % 3 == 0) b &= 0x001FFFFFFFFFFFFFu;  // subnormals and the smallest normals
        if (n % 3 == 1) b &= 0xFFFFFu;             // subnormals of few bits
        double low;
        std::memcpy(&low, &b, sizeof low);
        if (!std::isfinite(std::nextafter(low, INF))) continue;
        const long double mid =
            (static_cast<long double>(low) + std::nextafter(low, INF)) / 2;  // exact
        const int len = std::snprintf(text, sizeof text, "%.780Le", mid);
        ASSERT_LT(len, static_cast<int>(sizeof text) - 2);
        char *e = std::strchr(text, 'e');
        char *last = e - 1;
        while (*last == '0') --last;
        if (*last == '.') continue;  // a one-digit midpoint: nothing to vary
        const std::string exponent(e + 1), digits(text, last + 1);
        *last -= 1;  // just below the midpoint (its last digit is 5)
        const std::string below = std::string(text, last + 1) + "9999";
        // The midpoint, just above it (near and, past the digits a 'd'
        // marker's copy keeps, far) and just below it; each with 'e' and 'd'.
        const std::string variants[] = {digits, digits + "1", digits + "0000000001",
                                        digits + std::string(100, '0') + "1", below};
        for (const std::string &v : variants) {
            const std::string withE = v + "e" + exponent, withD = v + "d" + exponent;
            const double expected = std::strtod(withE.c_str(), nullptr);
            ASSERT_EQ(Bits(ScanNumber(withE.c_str())), Bits(expected)) << withE;
            ASSERT_EQ(Bits(ScanNumber(withD.c_str())), Bits(expected)) << withD;
        }
    }
}

TEST(FormatFixed2, WritesTwoDecimalsRoundedExactly)
{
    const struct {
        float value;
        const char *text;
    } cases[] = {
        {0.0f, "0.00"},
        {-0.0f, "-0.00"},
        {-0.001f, "-0.00"},
        {0.5f, "0.50"},
        {0.125f, "0.12"},
        {0.375f, "0.38"},
        {-0.625f, "-0.62"},
        {0.005f, "0.00"},
        {0.015f, "0.01"},
        {2.675f, "2.67"},
        {1.005f, "1.00"},
        {0.1f, "0.10"},
        {12345.678f, "12345.68"},
        {1e10f, "10000000000.00"},
        {16777217.0f, "16777216.00"},
        {FLT_TRUE_MIN, "0.00"},
        {-FLT_TRUE_MIN, "-0.00"},
        {9999999198822400.0f, "9999999198822400.00"},  // the largest float below the limit
        {-9999999198822400.0f, "-9999999198822400.00"},
    };
    for (const auto &c : cases) {
        char buffer[EDIT_TEXT_BUFFER * 2];
        EXPECT_EQ(FormatFixed2(c.value, buffer, sizeof buffer),
                  static_cast<int>(std::strlen(c.text)))
            << c.text;
        EXPECT_STREQ(buffer, c.text);
    }
}

TEST(FormatFixed2, CutsShortLikeSnprintfAndReturnsTheFullLength)
{
    const struct {
        size_t size;
        const char *text;
    } cases[] = {
        {1, ""}, {2, "-"}, {4, "-41"}, {10, "-419429.5"}, {11, "-419429.59"}, {32, "-419429.59"},
    };
    for (const auto &c : cases) {
        char buffer[40];
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(FormatFixed2(-419429.59f, buffer, c.size), 10);
        EXPECT_STREQ(buffer, c.text);
        EXPECT_EQ(buffer[c.size], '#') << "wrote past " << c.size;
    }
    char untouched = '#';
    EXPECT_EQ(FormatFixed2(1.0f, &untouched, 0), 4);
    EXPECT_EQ(untouched, '#');
}

// The values a spin can hold lie far inside the limit; the rest of the range
// up to it is checked on random floats.
TEST(FormatFixed2, AgreesWithTheCLibraryOnRandomFloatsBelowTheLimit)
{
    std::mt19937 rng(42);
    char mine[EDIT_TEXT_BUFFER], theirs[EDIT_TEXT_BUFFER];
    int checked = 0;
    for (int n = 0; n < 1000000; ++n) {
        uint32_t b = rng();
        if (n % 4 == 0) b = (b & 0x83FFFFFF) | 0x3C000000;  // magnitudes around 0.01 .. 1000
        const float f = FloatFromBits(b);
        if (!(std::fabs(f) < FIXED2_LIMIT)) continue;
        FormatFixed2(f, mine, sizeof mine);
        std::snprintf(theirs, sizeof theirs, "%.2f", static_cast<double>(f));
        ASSERT_STREQ(mine, theirs) << std::hex << b;
        ++checked;
    }
    EXPECT_GT(checked, 500000);
}

TEST(FormatFixed2, WritesNoNumberForValuesBeyondTheLimit)
{
    const float cases[] = {
        1e16f,
        -1e16f,
        FLT_MAX,
        -FLT_MAX,
        HUGE_VALF,
        -HUGE_VALF,
        FloatFromBits(0x7FC00000),
        FloatFromBits(0xFFC00000),
    };
    for (const float value : cases) {
        char buffer[EDIT_TEXT_BUFFER];
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(FormatFixed2(value, buffer, sizeof buffer), -1) << value;
        EXPECT_STREQ(buffer, "") << value;
    }
}

}  // namespace
