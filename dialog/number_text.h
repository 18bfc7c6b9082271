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
// nearest to the decimal value (ties to even); too large gives +-infinity.
double ScanNumber(const char *text);

// Writes value, widened to double, as "%.2f" would in the "C" locale with
// exact decimal rounding (ties to even), into buffer of size bytes, always
// NUL-terminated and cut short like snprintf. Returns the length of the full
// text.
int FormatFixed2(float value, char *buffer, size_t size);
