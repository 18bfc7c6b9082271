#include "numbers/spin_encoding.h"

int32_t SpinPositionForValue(double value)
{
    // Two statements, so no compiler fuses them into one multiply-add: the
    // product is rounded to double before the offset is added.
    const double scaled = value * 10.0;
    const double position = scaled + static_cast<double>(SPIN_ZERO_POS);
    // Out-of-range values (infinities included) stop at the spin's ends
    // before any conversion to an integer.
    if (!(position > 0.0)) return 0;
    if (position >= static_cast<double>(SPIN_MAX_POS)) return SPIN_MAX_POS;
    return static_cast<int32_t>(position);  // toward zero
}

float SpinValueForPosition(int32_t position)
{
    // The difference wraps like 32-bit hardware arithmetic, so a position
    // from outside the spin's range cannot overflow a signed int.
    const int32_t steps = static_cast<int32_t>(static_cast<uint32_t>(position) -
                                               static_cast<uint32_t>(SPIN_ZERO_POS));
    return static_cast<float>(steps) * SPIN_STEP;
}
