// How a bound's value rides on its spin control. A spin holds an integer
// position; position p stands for (p - SPIN_ZERO_POS) * SPIN_STEP, so the
// range 0 .. SPIN_MAX_POS spans -419429.6 .. +419429.6 in steps of 0.1.
#pragma once

#include <stdint.h>

enum : int32_t {
    SPIN_ZERO_POS = 4194296,  // 0x3FFFF8, the position of 0.0
    SPIN_MAX_POS = 8388592,   // 0x7FFFF0, the upper end; also marks our own spins
};

// One position's worth, the single-precision 0.1 (bits 0x3DCCCCCD).
constexpr float SPIN_STEP = 0.1f;

// The position for a typed value: v * 10.0 + SPIN_ZERO_POS in double,
// truncated toward zero, then held to 0 .. SPIN_MAX_POS (which the spin would
// do anyway, and which keeps huge values and infinities out of an undefined
// conversion). A value between grid points lands on the one below it.
int32_t SpinPositionForValue(double value);

// The value a position shows: (p - SPIN_ZERO_POS) as an exact float, times
// SPIN_STEP, rounded to single precision. The difference wraps like 32-bit
// arithmetic for positions far below the range.
float SpinValueForPosition(int32_t position);
