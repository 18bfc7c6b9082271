// Number text for the edit boxes. The syntax is ours; turning the accepted
// decimal digits into the nearest double is fast_float's job.
#include "numbers/number_text.h"

#include <fast_float/fast_float.h>
#include <stdint.h>
#include <string.h>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// White space of the "C" locale, whatever locale the process runs in.
bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool IsExponentMarker(char c) { return c == 'e' || c == 'E' || c == 'd' || c == 'D'; }

// Significant digits of a 'd'-marked number that are written out for
// fast_float; the rest count only as "some of them are not zero". No double,
// nor any midpoint between two neighbouring doubles, has more than 767
// significant digits, so the digits kept and one sticky 1 after them round
// exactly as the whole number does.
enum { KEPT_DIGITS = 780 };

// The exponent's value, cut at a billion: far past where a double turns to
// zero or infinity, and far from where adding the point's shift overflows.
int64_t ExponentValue(const char *p, const char *last)
{
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    int64_t value = 0;
    for (; p < last && value < 1000000000; ++p) value = value * 10 + (*p - '0');
    return negative ? -value : value;
}

// The double nearest to the unsigned number in [first, last), which the
// caller has checked against the syntax; a 'd' or 'D' marker sits at marker
// (null when the exponent, if any, is marked with 'e' or 'E').
double Convert(const char *first, const char *last, const char *marker)
{
    double value = 0.0;
    if (!marker) {
        fast_float::from_chars(first, last, value);
        return value;
    }
    // fast_float knows only 'e' and 'E', so the number is written again on
    // the stack, whatever its length, as 0.<significant digits>e<exponent>.
    char text[KEPT_DIGITS + 32] = {'0', '.'};
    size_t length = 2, kept = 0;
    int64_t shift = 0;  // where the point goes, from before the first significant digit
    bool afterPoint = false, significant = false, sticky = false;
    for (const char *p = first; p < marker; ++p) {
        if (*p == '.') {
            afterPoint = true;
            continue;
        }
        significant = significant || *p != '0';
        if (!significant) {
            if (afterPoint) --shift;  // a zero between the point and the first digit
            continue;
        }
        if (!afterPoint) ++shift;
        if (kept < KEPT_DIGITS) {
            text[length++] = *p;
            ++kept;
        } else {
            sticky = sticky || *p != '0';
        }
    }
    if (!significant) return 0.0;
    if (sticky) text[length++] = '1';

    int64_t exponent = shift + ExponentValue(marker + 1, last);
    text[length++] = 'e';
    if (exponent < 0) {
        text[length++] = '-';
        exponent = -exponent;
    }
    char digits[20];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + exponent % 10);
        exponent /= 10;
    } while (exponent);
    while (count > 0) text[length++] = digits[--count];
    fast_float::from_chars(text, text + length, value);
    return value;
}

}  // namespace

double ScanNumber(const char *text)
{
    if (!text) return 0.0;
    const char *p = text;
    while (IsBlank(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';

    const char *const first = p;
    bool sawDigit = false;
    for (; IsDigit(*p); ++p) sawDigit = true;
    if (*p == '.')
        for (++p; IsDigit(*p); ++p) sawDigit = true;
    if (!sawDigit) return 0.0;  // nothing converted, not even a sign

    // An exponent counts only with at least one digit: "1e" and "1e+" are 1.
    const char *marker = nullptr;
    if (IsExponentMarker(*p)) {
        const char *q = p + 1;
        if (*q == '+' || *q == '-') ++q;
        if (IsDigit(*q)) {
            marker = p;
            p = q;
            while (IsDigit(*p)) ++p;
        }
    }
    const bool dMarker = marker && (*marker == 'd' || *marker == 'D');
    const double value = Convert(first, p, dMarker ? marker : nullptr);
    return negative ? -value : value;  // a zero keeps its sign
}

int FormatFixed2(float value, char *buffer, size_t size)
{
    // Hundredths of the value: the float times 100 is exact in a double (24
    // significant bits times 7), so "%.2f" is this product rounded to the
    // nearest integer, ties to even, and printed with a point before the last
    // two digits.
    uint32_t bits;
    memcpy(&bits, &value, sizeof bits);
    const bool negative = bits >> 31;  // -0.0 too
    const double magnitude = static_cast<double>(negative ? -value : value);
    char text[24];  // "-", at most 18 digits, ".", NUL
    int length = -1;
    text[0] = 0;
    if (magnitude < FIXED2_LIMIT) {
        const double scaled = magnitude * 100.0;
        int64_t hundredths = static_cast<int64_t>(scaled);             // below 2^60
        const double rest = scaled - static_cast<double>(hundredths);  // exact
        if (rest > 0.5 || (rest == 0.5 && (hundredths & 1))) ++hundredths;

        char reversed[24];
        int digits = 0;
        do {
            reversed[digits++] = static_cast<char>('0' + hundredths % 10);
            hundredths /= 10;
        } while (hundredths || digits < 3);
        length = 0;
        if (negative) text[length++] = '-';
        while (digits > 0) {
            if (digits == 2) text[length++] = '.';
            text[length++] = reversed[--digits];
        }
        text[length] = 0;
    }

    if (size > 0) {
        const size_t full = length > 0 ? static_cast<size_t>(length) : 0;
        const size_t copied = full < size ? full : size - 1;
        memcpy(buffer, text, copied);
        buffer[copied] = 0;
    }
    return length;
}
