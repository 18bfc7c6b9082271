// The text of a bound's edit box: which part of it is a number is decided
// here, whatever the C runtime's locale or vendor; the value of that number
// comes from fast_float, a correctly rounding converter.
#pragma once

#include <stddef.h>

// Bytes of an edit box's text that count, and the buffer that carries them.
enum { EDIT_TEXT_BUFFER = 32 };

// The value of the longest numeric prefix of text (NUL-terminated): leading
// white space, an optional sign, digits with at most one '.', then optionally
// an exponent marker (e, E, d or D) with an optional sign and digits. The rest
// is ignored. No hexadecimal, infinity or NaN spellings, and ',' is no decimal
// point. Text with no such prefix reads as 0.0. The result is the double
// nearest to the decimal value (ties to even), subnormals included; too large
// gives +-infinity, and a zero result keeps the text's sign ("-0" is -0.0).
// Any length of text is read exactly; a null pointer reads as 0.0.
double ScanNumber(const char *text);

// Values FormatFixed2 writes: every value a spin shows (at most 419429.6 in
// magnitude) and far beyond.
constexpr double FIXED2_LIMIT = 1e16;

// Writes value, widened to double, as "%.2f" writes it in the "C" locale:
// rounded to the nearest hundredth (ties to even), "-0.00" for a negative
// value that rounds to zero. Writes into buffer of size bytes, cut short and
// NUL-terminated like snprintf (nothing at all when size is 0), and returns
// the length of the full text. A value that is not below FIXED2_LIMIT in
// magnitude (infinities and NaN included) is no bound the dialog shows: it is
// written as an empty text and the result is -1.
int FormatFixed2(float value, char *buffer, size_t size);
