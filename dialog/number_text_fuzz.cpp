// libFuzzer target: ScanNumber and FormatFixed2 against the C library.
//
// The reference for ScanNumber finds the numeric prefix with a matcher of its
// own (written apart from the product code), turns the 'd' exponent markers
// into 'e' and hands that prefix to glibc's strtod in the "C" locale. Each
// '#' in the input also stands for a hundred zeros in a second text, so that
// short inputs reach the long-digit paths. FormatFixed2 is compared with
// snprintf "%.2f" on the float whose bits are the input's first four bytes,
// cut to a buffer size taken from the fifth. An input that starts with '@'
// also builds texts around the exact midpoint between the double whose bits
// are its next eight bytes and the next double up, where rounding is hardest.
#include "dialog/number_text.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool Digit(char c) { return c >= '0' && c <= '9'; }

// The numeric prefix of s as strtod should see it: blanks, sign, mantissa
// with at least one digit, exponent only when followed by a digit. Empty
// when there is no mantissa digit.
std::string NumericPrefix(const std::string &s)
{
    size_t i = 0;
    while (i < s.size() && std::strchr(" \t\n\v\f\r", s[i])) ++i;
    const size_t start = i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t mantissaDigits = 0;
    while (i < s.size() && Digit(s[i])) ++i, ++mantissaDigits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && Digit(s[i])) ++i, ++mantissaDigits;
    }
    if (mantissaDigits == 0) return "";
    std::string prefix = s.substr(start, i - start);
    if (i < s.size() && std::strchr("eEdD", s[i])) {
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        if (j < s.size() && Digit(s[j])) {
            while (j < s.size() && Digit(s[j])) ++j;
            prefix += 'e' + s.substr(i + 1, j - i - 1);
        }
    }
    return prefix;
}

void CheckScan(const std::string &text)
{
    // An exactly sized copy, so that a read past the terminator is caught.
    char *copy = new char[text.size() + 1];
    std::memcpy(copy, text.c_str(), text.size() + 1);
    const double mine = ScanNumber(copy);
    delete[] copy;

    const std::string prefix = NumericPrefix(text);
    const double theirs = prefix.empty() ? 0.0 : std::strtod(prefix.c_str(), nullptr);
    uint64_t a, b;
    std::memcpy(&a, &mine, sizeof a);
    std::memcpy(&b, &theirs, sizeof b);
    if (a != b) {
        std::fprintf(stderr, "ScanNumber(\"%s\") = %a (%016llx), strtod(\"%s\") = %a (%016llx)\n",
                     text.c_str(), mine, static_cast<unsigned long long>(a), prefix.c_str(), theirs,
                     static_cast<unsigned long long>(b));
        std::abort();
    }
}

void CheckFormat(const uint8_t *data, size_t size)
{
    if (size < 4) return;
    uint32_t bits;
    std::memcpy(&bits, data, sizeof bits);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    const size_t limit = size > 4 ? data[4] % 48 : 48;

    char mine[64], theirs[64];
    std::memset(mine, '#', sizeof mine);
    std::memset(theirs, '#', sizeof theirs);
    const int mineLength = FormatFixed2(value, mine, limit);
    const int theirLength = std::snprintf(theirs, limit, "%.2f", static_cast<double>(value));
    if (mineLength != theirLength || std::memcmp(mine, theirs, sizeof mine) != 0) {
        std::fprintf(stderr, "FormatFixed2(%08x, %zu) = %d \"%.*s\", snprintf = %d \"%.*s\"\n",
                     bits, limit, mineLength, static_cast<int>(limit), mine, theirLength,
                     static_cast<int>(limit), theirs);
        std::abort();
    }
}

// The exact midpoint between the double with the given bits and the next
// one up, as decimal digits and exponent ("1.25", "e-3"); x86 long double
// holds the midpoint exactly. Empty when either neighbour is not finite.
bool Midpoint(uint64_t bits, std::string &digits, std::string &exponent)
{
    double low;
    std::memcpy(&low, &bits, sizeof low);
    const double high = std::nextafter(low, HUGE_VAL);
    if (!std::isfinite(low) || !std::isfinite(high)) return false;
    const long double mid = (static_cast<long double>(low) + high) / 2;
    char text[1000];
    std::snprintf(text, sizeof text, "%.780Le", mid);
    const char *e = std::strchr(text, 'e');
    const char *last = e - 1;
    while (*last == '0' || *last == '.') --last;
    digits.assign(static_cast<const char *>(text), last + 1);
    exponent = e;
    return true;
}

// Texts at, above and below a midpoint, carrying the rest of the input
// (digits mostly) after the midpoint's own digits.
void CheckAroundMidpoint(const uint8_t *data, size_t size)
{
    uint64_t bits;
    std::memcpy(&bits, data + 1, sizeof bits);
    std::string digits, exponent;
    if (!Midpoint(bits, digits, exponent)) return;
    std::string tail(reinterpret_cast<const char *>(data) + 9, size - 9);
    tail = tail.substr(0, tail.find('\0'));
    if (digits.find('.') == std::string::npos) digits += '.';
    CheckScan(digits + exponent);
    CheckScan(digits + tail + exponent);
    CheckScan(digits + std::string(900, '0') + tail + exponent);
    std::string below = digits;
    size_t i = below.size() - 1;
    if (below[i] == '.') --i;
    below[i] -= 1;  // the last digit is never 0
    CheckScan(below + "9" + tail + exponent);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string raw(reinterpret_cast<const char *>(data), size);
    const std::string text = raw.substr(0, raw.find('\0'));
    CheckScan(text);
    if (text.find('#') != std::string::npos) {
        std::string stretched;
        for (char c : text) stretched += c == '#' ? std::string(100, '0') : std::string(1, c);
        CheckScan(stretched);
    }
    if (size >= 9 && data[0] == '@') CheckAroundMidpoint(data, size);
    CheckFormat(data, size);
    return 0;
}
