// The record that carries one run's bounds and operation from the range
// dialog to the vertex walk, and the walk itself.
#pragma once

#include <stdint.h>

#include "host_api/host_api.h"

// The bounds of one axis. A coordinate is inside when it is strictly greater
// than min (if useMin) and strictly less than max (if useMax).
struct AxisRange {
    float min;
    float max;
    bool useMin;
    bool useMax;
};

// The operation applied to every vertex inside the bounds; the value is the
// index of the entry chosen in the dialog's operation list. Any other value
// leaves every vertex as it was.
enum SelectMode : int32_t {
    Select = 0,
    Deselect = 1,
    Invert = 2,
    Random = 3,
};

struct RangeParam {
    AxisRange x;
    AxisRange y;
    AxisRange z;
    int32_t mode;  // a SelectMode value, or any other integer
};

static_assert(sizeof(AxisRange) == 12 && sizeof(RangeParam) == 40,
              "the record keeps its plain 32-bit layout");

// min 0.0, max 1.0 and both flags off on every axis; mode Select.
void InitRangeParam(RangeParam &param);

// 1 when p lies strictly inside every bound in force. The six tests run in a
// fixed order (x, y, z lower bounds, then upper bounds) and compare the 32-bit
// floats exactly; a NaN on either side fails.
bool InsideRange(const RangeParam &param, const Point3f &p);

// The largest point buffer the walk asks for, in bytes, in every build, so
// that the same host answers give the same result in both bitnesses. A
// larger vertex count makes the walk read nothing and report 0.
#define POINT_BUFFER_MAX_BYTES static_cast<size_t>(INT32_MAX)

// Applies param.mode to every vertex of the document's current object that
// lies inside the bounds. 1 when the walk ran over the current object, 0 when
// there is none or its points could not be read.
int ApplyRangeSelection(HostDocument doc, const RangeParam &param);

// The same walk with the clock handed in, so that tests can set it. The
// clock gives the calendar time in whole seconds, 64 bits wide;
// ApplyRangeSelection reads the real one. SeedFromCalendarSeconds cuts it
// to the random seed: its low 32 bits.
typedef int64_t (*CalendarClock)(void);
uint32_t SeedFromCalendarSeconds(int64_t seconds);
int ApplyRangeSelectionAt(HostDocument doc, const RangeParam &param, CalendarClock clock);

// The plug-in's own pseudo-random generator, so that the host's C runtime
// sequence is never disturbed: the linear congruential generator of the ISO C
// standard's example, x = x * 1103515245 + 12345, each draw being bits 16 to
// 30 of the new state, uniform over 0 to 32767.
struct RandomDraw {
    uint32_t state;
};

enum { RANDOM_DRAW_MAX = 32767 };

inline void SeedRandom(RandomDraw &rng, uint32_t seed) { rng.state = seed; }

inline int32_t NextRandom(RandomDraw &rng)
{
    rng.state = rng.state * 1103515245u + 12345u;
    return static_cast<int32_t>((rng.state >> 16) & RANDOM_DRAW_MAX);
}
