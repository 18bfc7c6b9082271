// Number text for the edit boxes. The syntax is ours; turning the accepted
// decimal digits into the nearest double is fast_float's job.
#include "numbers/number_text.h"

#include <fast_float/fast_float.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// White space of the "C" locale, whatever locale the process runs in.
bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool IsExponentMarker(char c) { return c == 'e' || c == 'E' || c == 'd' || c == 'D'; }

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
    // fast_float knows only 'e' and 'E', so the 'd' marker is read from a
    // copy. An edit box's text always fits the buffer on the stack.
    char local[128];
    const size_t length = static_cast<size_t>(last - first);
    char *copy = length <= sizeof local ? local : static_cast<char *>(malloc(length));
    if (!copy) return 0.0;  // out of memory on a text of kilobytes: unread
    memcpy(copy, first, length);
    copy[marker - first] = 'e';
    fast_float::from_chars(copy, copy + length, value);
    if (copy != local) free(copy);
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
