// libFuzzer target: the path an edit box's text takes through the dialog,
// against a reference that shares no code with the product.
//
// The path: the first 31 bytes of the text (all an edit box hands over), the
// double read from them, the float that OK stores, the spin position typing
// gives, and the texts the spin shows there and one click either way, the
// first of them read back once more. The reference: a regular expression written from the
// accepted syntax picks the numeric prefix, whose exponent marker becomes 'e'
// for glibc's strtod in the "C" locale; the position and a position's value
// come from their defining formulas, a position's text from snprintf "%.2f".
//
// Besides: ScanNumber on the whole text uncut when it is longer, and once more with each '#'
// standing for a hundred zeros, so that short inputs reach long digit runs;
// FormatFixed2 on the float whose bits are the input's first four bytes, cut
// to a buffer size taken from the fifth; and, for an input that starts with
// '@', texts around the exact midpoint between the double whose bits are its
// next eight bytes and the next double up, where rounding is hardest.
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

// What an edit box hands over: its first 31 bytes. The reference's own
// figure, so that a wrong buffer in the product shows as a mismatch.
const size_t kEditTextBytes = 31;

// Leading blanks of the "C" locale; an optional sign; digits with at most one
// '.' among them, at least one digit; optionally an exponent marker e, E, d
// or D with an optional sign and at least one digit. Every quantifier is
// greedy and the exponent is tried first, so the match is the longest prefix.
const std::regex NUMERIC_PREFIX("^[ \t\n\v\f\r]*"
                                "([+-]?)"
                                "([0-9]+\\.?[0-9]*|\\.[0-9]+)"
                                "(?:[eEdD]([+-]?[0-9]+))?");

double ReferenceValue(const std::string &text)
{
    std::smatch m;
    if (!std::regex_search(text, m, NUMERIC_PREFIX, std::regex_constants::match_continuous))
        return 0.0;
    std::string number = m.str(1) + m.str(2);
    if (m[3].matched) number += "e" + m.str(3);
    return std::strtod(number.c_str(), nullptr);
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

// Stepping: (p - 4194296) converted exactly, times the float with bits
// 0x3DCCCCCD, rounded to float.
float ReferenceSpinValue(int32_t position)
{
    const uint32_t stepBits = 0x3DCCCCCD;
    float step;
    std::memcpy(&step, &stepBits, sizeof step);
    return static_cast<float>(position - 4194296) * step;
}

template <typename T> bool SameBits(T a, T b) { return std::memcmp(&a, &b, sizeof a) == 0; }

[[noreturn]] void Mismatch(const char *what, const std::string &text)
{
    std::fprintf(stderr, "MISMATCH in %s for \"%s\"\n", what, text.c_str());
    std::abort();
}

// ScanNumber on an exactly sized copy, so that a read past the end is caught.
double Scan(const std::string &text)
{
    char *copy = new char[text.size() + 1];
    std::memcpy(copy, text.c_str(), text.size() + 1);
    const double value = ScanNumber(copy);
    delete[] copy;
    return value;
}

void CheckScan(const std::string &text)
{
    const double mine = Scan(text), theirs = ReferenceValue(text);
    if (!SameBits(mine, theirs)) {
        std::fprintf(stderr, "ScanNumber = %a, reference = %a\n", mine, theirs);
        Mismatch("the value", text);
    }
}

void CheckDialogPath(const std::string &typed, bool readBack)
{
    const std::string kept = typed.substr(0, kEditTextBytes);
    const double value = Scan(kept), expected = ReferenceValue(kept);
    if (!SameBits(value, expected)) {
        std::fprintf(stderr, "ScanNumber = %a, reference = %a\n", value, expected);
        Mismatch("the value read", typed);
    }
    if (!SameBits(static_cast<float>(value), static_cast<float>(expected)))
        Mismatch("the float stored on OK", typed);

    const int32_t position = SpinPositionForValue(value);
    if (position != ReferencePosition(expected)) {
        std::fprintf(stderr, "position %d, reference %d\n", position, ReferencePosition(expected));
        Mismatch("the spin position", typed);
    }
    for (int32_t p = position - 1; p <= position + 1; ++p) {
        if (p < 0 || p > 8388592) continue;
        char shown[kEditTextBytes + 1], theirs[kEditTextBytes + 1];
        FormatFixed2(SpinValueForPosition(p), shown, sizeof shown);
        std::snprintf(theirs, sizeof theirs, "%.2f", static_cast<double>(ReferenceSpinValue(p)));
        if (std::strcmp(shown, theirs) != 0) {
            std::fprintf(stderr, "position %d shows \"%s\", reference \"%s\"\n", p, shown, theirs);
            Mismatch("the text shown", typed);
        }
        if (readBack && p == position) CheckDialogPath(shown, false);
    }
}

void CheckFormat(const uint8_t *data, size_t size)
{
    if (size < 4) return;
    float value;
    std::memcpy(&value, data, sizeof value);
    const size_t limit = size > 4 ? data[4] % 48 : 48;

    char mine[64], theirs[64];
    std::memset(mine, '#', sizeof mine);
    std::memset(theirs, '#', sizeof theirs);
    const int mineLength = FormatFixed2(value, mine, limit);
    int theirLength = -1;
    if (std::fabs(value) < 1e16)
        theirLength = std::snprintf(theirs, limit, "%.2f", static_cast<double>(value));
    else if (limit > 0)
        theirs[0] = 0;
    if (mineLength != theirLength || std::memcmp(mine, theirs, sizeof mine) != 0) {
        std::fprintf(stderr, "FormatFixed2(%a, %zu) = %d \"%.*s\", reference %d \"%.*s\"\n",
                     static_cast<double>(value), limit, mineLength, static_cast<int>(limit), mine,
                     theirLength, static_cast<int>(limit), theirs);
        std::abort();
    }
}

// The exact midpoint between the double with the given bits and the next
// one up, as decimal digits and exponent ("1.25", "e-3"); x86 long double
// holds the midpoint exactly. False when either neighbour is not finite.
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
    CheckDialogPath(text, true);
    if (text.size() > kEditTextBytes) CheckScan(text);
    if (text.find('#') != std::string::npos) {
        std::string stretched;
        for (char c : text) stretched += c == '#' ? std::string(100, '0') : std::string(1, c);
        CheckScan(stretched);
    }
    if (size >= 9 && data[0] == '@') CheckAroundMidpoint(data, size);
    CheckFormat(data, size);
    return 0;
}
