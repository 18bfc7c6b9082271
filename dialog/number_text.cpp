// Number text for the edit boxes, done in integer arithmetic only, so that the
// plug-in reads and writes exactly the same texts whatever C runtime it is
// linked with and whatever the floating-point unit's settings are.
#include "dialog/number_text.h"

#include <stdint.h>
#include <string.h>

namespace {

// ---------------------------------------------------------------------------
// Unsigned integers of fixed capacity on the stack, least significant word
// first. The reader below never needs more than 3802 bits (see ScanNumber);
// the operations still stop at the capacity rather than write past it.

enum { BIG_WORDS = 124 };

struct BigInt {
    uint32_t word[BIG_WORDS];
    int used;  // words in use; word[used - 1] is nonzero, 0 for zero
};

void BigSet(BigInt &a, uint32_t value)
{
    a.word[0] = value;
    a.used = value ? 1 : 0;
}

void BigMulAdd(BigInt &a, uint32_t factor, uint32_t addend)
{
    uint64_t carry = addend;
    for (int i = 0; i < a.used; ++i) {
        const uint64_t t = static_cast<uint64_t>(a.word[i]) * factor + carry;
        a.word[i] = static_cast<uint32_t>(t);
        carry = t >> 32;
    }
    if (carry && a.used < BIG_WORDS) a.word[a.used++] = static_cast<uint32_t>(carry);
}

void BigMulPow10(BigInt &a, int power)
{
    for (; power >= 9; power -= 9) BigMulAdd(a, 1000000000u, 0);
    static const uint32_t small[9] = {1,      10,      100,      1000,     10000,
                                      100000, 1000000, 10000000, 100000000};
    if (power > 0) BigMulAdd(a, small[power], 0);
}

int BigBitLength(const BigInt &a)
{
    if (a.used == 0) return 0;
    int bits = 32 * (a.used - 1);
    for (uint32_t top = a.word[a.used - 1]; top; top >>= 1) ++bits;
    return bits;
}

void BigShiftLeft(BigInt &a, int bits)
{
    if (a.used == 0 || bits <= 0) return;
    const int words = bits / 32, rest = bits % 32;
    int used = a.used + words + 1;
    if (used > BIG_WORDS) used = BIG_WORDS;
    for (int i = used - 1; i >= 0; --i) {
        const int from = i - words;
        uint32_t w = 0;
        if (from >= 0 && from < a.used) w = a.word[from] << rest;
        if (rest && from - 1 >= 0 && from - 1 < a.used) w |= a.word[from - 1] >> (32 - rest);
        a.word[i] = w;
    }
    a.used = used;
    while (a.used > 0 && a.word[a.used - 1] == 0) --a.used;
}

void BigShiftRightOne(BigInt &a)
{
    for (int i = 0; i < a.used; ++i) {
        a.word[i] >>= 1;
        if (i + 1 < a.used) a.word[i] |= a.word[i + 1] << 31;
    }
    while (a.used > 0 && a.word[a.used - 1] == 0) --a.used;
}

int BigCompare(const BigInt &a, const BigInt &b)
{
    if (a.used != b.used) return a.used < b.used ? -1 : 1;
    for (int i = a.used - 1; i >= 0; --i)
        if (a.word[i] != b.word[i]) return a.word[i] < b.word[i] ? -1 : 1;
    return 0;
}

// a -= b, for a >= b.
void BigSubtract(BigInt &a, const BigInt &b)
{
    uint32_t borrow = 0;
    for (int i = 0; i < a.used; ++i) {
        const uint64_t sub = static_cast<uint64_t>(i < b.used ? b.word[i] : 0) + borrow;
        borrow = a.word[i] < sub ? 1 : 0;
        a.word[i] = static_cast<uint32_t>(a.word[i] - sub);
    }
    while (a.used > 0 && a.word[a.used - 1] == 0) --a.used;
}

// ---------------------------------------------------------------------------
// Reading.

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// White space of the "C" locale, whatever locale the process runs in.
bool IsBlank(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Significant digits kept exactly. A halfway point between two doubles has at
// most 768 significant digits, so with 800 kept digits and one nonzero digit
// standing in for everything dropped, the stand-in lies strictly between the
// same two rounding boundaries as the true value and rounds the same way.
enum { KEPT_DIGITS = 800 };

// Exponent digits beyond this bound change nothing: the result is already
// infinity or zero. Keeps the accumulation far from overflow.
const int64_t EXPONENT_CAP = 100000000000000000;  // 1e17

const uint64_t SIGN_BIT = 0x8000000000000000u;
const uint64_t INFINITY_BITS = 0x7FF0000000000000u;

double FromBits(uint64_t bits)
{
    double value;
    memcpy(&value, &bits, sizeof value);
    return value;
}

// The double nearest to (quotient + fraction) * 2^-scale, where quotient has
// 63 or 64 bits and inexact says whether the fraction (below one unit of
// quotient) is nonzero. Ties go to the even neighbour; subnormals and
// overflow to infinity come out of the same bit arithmetic.
uint64_t RoundToDoubleBits(uint64_t quotient, int scale, bool inexact)
{
    const int length = quotient >> 63 ? 64 : 63;
    const int exponent = length - 1 - scale;  // of the leading bit
    if (exponent > 1023) return INFINITY_BITS;
    int drop = length - 53;  // bits below the last one the double keeps
    if (exponent < -1022) drop += -1022 - exponent;
    if (drop > 64) return 0;  // below half the smallest subnormal

    uint64_t kept, half, below;
    if (drop == 64) {
        kept = 0;
        half = quotient >> 63;
        below = quotient & ~SIGN_BIT;
    } else {
        kept = quotient >> drop;
        half = (quotient >> (drop - 1)) & 1;
        below = quotient & ((static_cast<uint64_t>(1) << (drop - 1)) - 1);
    }
    if (half && (below || inexact || (kept & 1))) ++kept;

    // A normal significand carries its leading bit into the exponent field,
    // so exponent + 1022 there yields the biased exponent. A carry out of the
    // significand by rounding moves into the exponent the same way: from the
    // largest subnormal to the smallest normal, and from the largest finite
    // value exactly onto the bits of infinity.
    uint64_t bits = kept;
    if (exponent >= -1022) bits += static_cast<uint64_t>(exponent + 1022) << 52;
    return bits;
}

// The bits of the double nearest to digits (count of them, the first nonzero)
// times 10^power.
uint64_t DecimalToDoubleBits(const char *digits, int count, int power)
{
    BigInt numerator, denominator;
    BigSet(numerator, 0);
    for (int i = 0; i < count;) {
        uint32_t chunk = 0, factor = 1;
        for (int j = 0; j < 9 && i < count; ++j, ++i) {
            chunk = chunk * 10 + static_cast<uint32_t>(digits[i] - '0');
            factor *= 10;
        }
        if (numerator.used == 0)
            BigSet(numerator, chunk);
        else
            BigMulAdd(numerator, factor, chunk);
    }
    BigSet(denominator, 1);
    if (power >= 0)
        BigMulPow10(numerator, power);
    else
        BigMulPow10(denominator, -power);

    // Scale so that the quotient lies in (2^62, 2^64), then divide bit by bit.
    const int scale = 63 - (BigBitLength(numerator) - BigBitLength(denominator));
    if (scale > 0)
        BigShiftLeft(numerator, scale);
    else
        BigShiftLeft(denominator, -scale);
    BigShiftLeft(denominator, 63);
    uint64_t quotient = 0;
    for (int bit = 63; bit >= 0; --bit) {
        if (BigCompare(numerator, denominator) >= 0) {
            BigSubtract(numerator, denominator);
            quotient |= static_cast<uint64_t>(1) << bit;
        }
        BigShiftRightOne(denominator);
    }
    return RoundToDoubleBits(quotient, scale, numerator.used != 0);
}

}  // namespace

double ScanNumber(const char *text)
{
    if (!text) return 0.0;
    const unsigned char *p = reinterpret_cast<const unsigned char *>(text);
    while (IsBlank(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';

    // The significant digits, from the first nonzero one on, and the decimal
    // exponent of the first. Counters are 64-bit: no text in memory is long
    // enough to overflow them.
    char digits[KEPT_DIGITS + 1];
    int count = 0;
    bool dropped = false;  // a nonzero digit beyond the kept ones
    bool sawDigit = false, sawPoint = false;
    int64_t lead = 0, fractionZeros = 0;
    for (;; ++p) {
        if (*p == '.' && !sawPoint) {
            sawPoint = true;
            continue;
        }
        if (!IsDigit(*p)) break;
        sawDigit = true;
        if (count == 0) {
            if (*p == '0') {
                if (sawPoint) ++fractionZeros;
                continue;
            }
            lead = sawPoint ? -(fractionZeros + 1) : 0;
        } else if (!sawPoint) {
            ++lead;
        }
        if (count < KEPT_DIGITS)
            digits[count++] = static_cast<char>(*p);
        else if (*p != '0')
            dropped = true;
    }
    if (!sawDigit) return 0.0;  // nothing converted, not even a sign

    // An exponent counts only with at least one digit: "1e" and "1e+" are 1.
    int64_t exponent = 0;
    if (*p == 'e' || *p == 'E' || *p == 'd' || *p == 'D') {
        const unsigned char *q = p + 1;
        bool exponentNegative = false;
        if (*q == '+' || *q == '-') exponentNegative = *q++ == '-';
        for (; IsDigit(*q); ++q)
            if (exponent < EXPONENT_CAP) exponent = exponent * 10 + (*q - '0');
        if (exponentNegative) exponent = -exponent;
    }

    const uint64_t sign = negative ? SIGN_BIT : 0;
    if (count == 0) return FromBits(sign);  // a zero keeps its sign
    if (dropped) digits[count++] = '1';
    while (digits[count - 1] == '0') --count;

    // Beyond these the value is at least 1e309 or below 1e-324 (under half
    // the smallest subnormal). Within them the power of ten stays in
    // -1124 .. 308, and the quotient's operands under 3802 bits.
    lead += exponent;
    if (lead > 308) return FromBits(sign | INFINITY_BITS);
    if (lead < -324) return FromBits(sign);
    const int power = static_cast<int>(lead) + 1 - count;
    return FromBits(sign | DecimalToDoubleBits(digits, count, power));
}

int FormatFixed2(float value, char *buffer, size_t size)
{
    uint32_t bits;
    memcpy(&bits, &value, sizeof bits);
    char text[48];  // the longest, -FLT_MAX, takes 43
    int length = 0;
    if (bits >> 31) text[length++] = '-';

    const uint32_t biased = (bits >> 23) & 0xFF, fraction = bits & 0x7FFFFF;
    if (biased == 0xFF) {
        memcpy(text + length, fraction ? "nan" : "inf", 3);
        length += 3;
    } else {
        // The value is significand * 2^exponent; hundredths is that times 100
        // rounded to an integer, ties to even. Below 2^136, so five words.
        const uint32_t significand = biased ? (fraction | 0x800000) : fraction;
        const int exponent = biased ? static_cast<int>(biased) - 150 : -149;
        const uint64_t scaled = static_cast<uint64_t>(significand) * 100;  // < 2^31
        uint32_t hundredths[5] = {0, 0, 0, 0, 0};
        if (exponent >= 0) {
            const int words = exponent / 32, rest = exponent % 32;
            const uint64_t shifted = scaled << rest;  // < 2^62
            hundredths[words] = static_cast<uint32_t>(shifted);
            hundredths[words + 1] = static_cast<uint32_t>(shifted >> 32);
        } else if (exponent > -32) {
            // Further down, scaled is below half a unit and rounds to zero.
            const int shift = -exponent;
            uint64_t whole = scaled >> shift;
            const uint64_t rest = scaled & ((static_cast<uint64_t>(1) << shift) - 1);
            const uint64_t half = static_cast<uint64_t>(1) << (shift - 1);
            if (rest > half || (rest == half && (whole & 1))) ++whole;
            hundredths[0] = static_cast<uint32_t>(whole);
            hundredths[1] = static_cast<uint32_t>(whole >> 32);
        }

        // Decimal digits, least significant first; at least "0.00".
        char reversed[48];
        int digitCount = 0;
        bool nonzero = true;
        while (nonzero || digitCount < 3) {
            uint64_t remainder = 0;
            nonzero = false;
            for (int i = 4; i >= 0; --i) {
                const uint64_t part = (remainder << 32) | hundredths[i];
                hundredths[i] = static_cast<uint32_t>(part / 10);
                remainder = part % 10;
                if (hundredths[i]) nonzero = true;
            }
            reversed[digitCount++] = static_cast<char>('0' + remainder);
        }
        while (digitCount > 0) {
            if (digitCount == 2) text[length++] = '.';
            text[length++] = reversed[--digitCount];
        }
    }

    if (size > 0) {
        const size_t copied =
            static_cast<size_t>(length) < size ? static_cast<size_t>(length) : size - 1;
        memcpy(buffer, text, copied);
        buffer[copied] = 0;
    }
    return length;
}
