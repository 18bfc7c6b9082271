// The text of a bound's edit box, read and written without the C runtime's
// locale- and vendor-dependent number handling.
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

// Writes value, widened to double, as "%.2f" would in the "C" locale with
// exact decimal rounding (ties to even) and glibc's spellings: "-0.00" for a
// negative value that rounds to zero, "inf", "-inf", "nan", "-nan". Writes
// into buffer of size bytes, cut short and NUL-terminated like snprintf
// (nothing at all when size is 0). Returns the length of the full text.
int FormatFixed2(float value, char *buffer, size_t size);
