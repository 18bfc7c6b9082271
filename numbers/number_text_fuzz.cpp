// libFuzzer target: any text an edit box may hold, read as the dialog reads
// it, against a reference that shares no code with the product's syntax.
//
// Which part of a text is the number: a regular expression written from the
// accepted syntax picks the numeric prefix, and ScanNumber must read the
// whole text as it reads that prefix alone, written with an 'e' marker. The
// value of such a number is checked against the C library's in
// number_text_test.cpp, where the rounding is hardest. The spin position that
// typing gives comes from its defining formula. Each '#' of the input stands,
// in a second reading, for a hundred zeros, so that short inputs reach the
// long digit runs a 'd' marker's copy must carry. ScanNumber reads an exactly
// sized copy, so that a read past the end is caught.
#include "numbers/number_text.h"
#include "numbers/spin_encoding.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <string>

namespace {

// Leading blanks of the "C" locale; an optional sign; digits with at most one
// '.' among them, at least one digit; optionally an exponent marker e, E, d
// or D with an optional sign and at least one digit. Every quantifier is
// greedy and the exponent is tried first, so the match is the longest prefix.
const std::regex NUMERIC_PREFIX("^[ \t\n\v\f\r]*"
                                "([+-]?)"
                                "([0-9]+\\.?[0-9]*|\\.[0-9]+)"
                                "(?:[eEdD]([+-]?[0-9]+))?");

// The numeric prefix of text, its blanks left out and its exponent marked
// 'e'; empty when text has none.
std::string NumericPrefix(const std::string &text)
{
    std::smatch match;
    const auto from_start = std::regex_constants::match_continuous;
    if (!std::regex_search(text, match, NUMERIC_PREFIX, from_start)) return "";
    std::string number = match.str(1) + match.str(2);
    if (match[3].matched) number += "e" + match.str(3);
    return number;
}

// Typing: v * 10.0 + 4194296.0 in double, truncated toward zero; the spin
// holds any position outside 0 .. 8388592 at the nearer end.
int32_t ReferencePosition(double value)
{
    const double scaled = value * 10.0;
    const double truncated = std::trunc(scaled + 4194296.0);
    if (truncated <= 0.0) return 0;
    if (truncated >= 8388592.0) return 8388592;
    return static_cast<int32_t>(truncated);
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

[[noreturn]] void Mismatch(const char *what, const std::string &text)
{
    std::fprintf(stderr, "MISMATCH in %s for \"%s\"\n", what, text.c_str());
    std::abort();
}

double Scan(const std::string &text)
{
    char *copy = new char[text.size() + 1];
    std::memcpy(copy, text.c_str(), text.size() + 1);
    const double value = ScanNumber(copy);
    delete[] copy;
    return value;
}

void Check(const std::string &text)
{
    const double value = Scan(text);
    const std::string prefix = NumericPrefix(text);
    const double expected = Scan(prefix);
    if (!SameBits(value, expected)) {
        std::fprintf(stderr, "ScanNumber = %a, of \"%s\" = %a\n", value, prefix.c_str(), expected);
        Mismatch("the value", text);
    }
    const int32_t position = SpinPositionForValue(value);
    const int32_t reference = ReferencePosition(value);
    if (position != reference) {
        std::fprintf(stderr, "position %d, reference %d\n", position, reference);
        Mismatch("the spin position", text);
    }
}

std::string Stretched(const std::string &text)
{
    std::string stretched;
    for (char c : text) {
        if (c == '#') {
            stretched += std::string(100, '0');
        } else {
            stretched += c;
        }
    }
    return stretched;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string raw(reinterpret_cast<const char *>(data), size);
    const std::string text = raw.substr(0, raw.find('\0'));
    Check(text);
    if (text.find('#') != std::string::npos) Check(Stretched(text));
    return 0;
}
