#include "selection/range_selection.h"

#include <new>
#include <string.h>
#include <time.h>

#include <utility>

void InitRangeParam(RangeParam &param)
{
    const AxisRange initial = {0.0f, 1.0f, false, false};
    param.x = initial;
    param.y = initial;
    param.z = initial;
    param.mode = Select;
}

// bit when the flag's byte is not zero, whatever non-zero value it holds.
static unsigned IfInForce(const bool &flag, unsigned bit)
{
    unsigned char byte;
    memcpy(&byte, &flag, 1);
    return byte ? bit : 0u;
}

// One bit per bound in force, in the order the box test takes them.
static unsigned BoundsInForce(const RangeParam &param)
{
    return IfInForce(param.x.useMin, 1u) | IfInForce(param.y.useMin, 2u) |
           IfInForce(param.z.useMin, 4u) | IfInForce(param.x.useMax, 8u) |
           IfInForce(param.y.useMax, 16u) | IfInForce(param.z.useMax, 32u);
}

// The box test over the bounds named by tests (a BoundsInForce value). The
// walk passes a compile-time constant, which leaves only the comparisons in
// force and no test of a flag for each vertex.
static inline __attribute__((always_inline)) bool
PassesBounds(unsigned tests, const RangeParam &param, const Point3f &p)
{
    // Written as "a < b" throughout so that a NaN on either side fails.
    if ((tests & 1) && !(param.x.min < p.x)) return false;
    if ((tests & 2) && !(param.y.min < p.y)) return false;
    if ((tests & 4) && !(param.z.min < p.z)) return false;
    if ((tests & 8) && !(p.x < param.x.max)) return false;
    if ((tests & 16) && !(p.y < param.y.max)) return false;
    if ((tests & 32) && !(p.z < param.z.max)) return false;
    return true;
}

bool InsideRange(const RangeParam &param, const Point3f &p)
{
    return PassesBounds(BoundsInForce(param), param, p);
}

uint32_t SeedFromCalendarSeconds(int64_t seconds) { return static_cast<uint32_t>(seconds); }

// The calendar time in whole seconds, 64 bits wide everywhere: the C
// runtime's 32-bit time() has no value after 2038-01-19.
static int64_t CalendarSeconds(void)
{
#ifdef _WIN32
    return _time64(nullptr);
#else
    static_assert(sizeof(time_t) == 8, "a 64-bit time_t");
    return time(nullptr);
#endif
}

int ApplyRangeSelection(HostDocument doc, const RangeParam &param)
{
    return ApplyRangeSelectionAt(doc, param, CalendarSeconds);
}

// Room for count + 1 points, or null. The size is checked before anything is
// multiplied, so a huge count from the host can never wrap into a short
// buffer that the host would then write past; and the limit is the same for
// every build, so the same host answers give the same result everywhere.
static Point3f *NewPointBuffer(int32_t count)
{
    const size_t slots = static_cast<size_t>(count) + 1;
    if (slots > POINT_BUFFER_MAX_BYTES / sizeof(Point3f)) return nullptr;
    // Point3f is trivial, so the raw array form needs no construction; it also
    // keeps the size check in our hands rather than the compiler's throwing one.
    return static_cast<Point3f *>(::operator new[](slots * sizeof(Point3f), std::nothrow));
}

static void ApplyMode(HostDocument doc, ObjectIndex object, VertexIndex i, int32_t mode,
                      RandomDraw &rng)
{
    switch (mode) {
    case Select:
        g_host.MQDoc_AddSelectVertex(doc, object, i);
        break;
    case Deselect:
        g_host.MQDoc_DeleteSelectVertex(doc, object, i);
        break;
    case Invert:
        if (g_host.MQDoc_IsSelectVertex(doc, object, i))
            g_host.MQDoc_DeleteSelectVertex(doc, object, i);
        else
            g_host.MQDoc_AddSelectVertex(doc, object, i);
        break;
    case Random:
        // r * 2^-14 truncated: 0 for r in 0..16383, 1 for 16384..32767.
        if (NextRandom(rng) >> 14)
            g_host.MQDoc_DeleteSelectVertex(doc, object, i);
        else
            g_host.MQDoc_AddSelectVertex(doc, object, i);
        break;
    default:  // not an operation: the vertex stays as it is
        break;
    }
}

// The loop over the points for one set of bounds in force.
template <unsigned TESTS>
static void WalkPoints(HostDocument doc, ObjectIndex object, const RangeParam &box,
                       const Point3f *points, int32_t count, RandomDraw &rng)
{
    for (VertexIndex i = 0; i < count; ++i) {
        if (PassesBounds(TESTS, box, points[i])) ApplyMode(doc, object, i, box.mode, rng);
    }
}

typedef void (*PointWalk)(HostDocument, ObjectIndex, const RangeParam &, const Point3f *, int32_t,
                          RandomDraw &);

// WalkPoints for each of the 64 sets of bounds in force, by BoundsInForce.
struct PointWalks {
    PointWalk forBounds[64];
};

template <size_t... TESTS> static constexpr PointWalks MakePointWalks(std::index_sequence<TESTS...>)
{
    return {{WalkPoints<TESTS>...}};
}

static constexpr PointWalks POINT_WALKS = MakePointWalks(std::make_index_sequence<64>());

int ApplyRangeSelectionAt(HostDocument doc, const RangeParam &param, CalendarClock clock)
{
    const ObjectIndex object = g_host.MQDoc_GetCurrentObjectIndex(doc);
    if (object < 0) return 0;
    const HostObject obj = g_host.MQDoc_GetObject(doc, object);
    if (!obj) return 0;

    int32_t count = g_host.MQObj_GetVertexCount(obj);
    if (count < 0) count = 0;  // a misbehaving host: treat as no vertices

    Point3f *points = NewPointBuffer(count);
    if (!points) return 0;
    g_host.MQObj_GetVertexArray(obj, points);

    RandomDraw rng;
    SeedRandom(rng, SeedFromCalendarSeconds(clock()));

    // One snapshot of the record for the whole walk: the bounds in force pick
    // the loop once, and no host call can reach the copy.
    const RangeParam box = param;
    POINT_WALKS.forBounds[BoundsInForce(box)](doc, object, box, points, count, rng);

    ::operator delete[](points);
    return 1;
}
