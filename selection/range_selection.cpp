#include "selection/range_selection.h"

#include <new>
#include <time.h>

void InitRangeParam(RangeParam &param)
{
    const AxisRange initial = {0.0f, 1.0f, false, false};
    param.x = initial;
    param.y = initial;
    param.z = initial;
    param.mode = Select;
}

bool InsideRange(const RangeParam &param, const Point3f &p)
{
    // Written as "a < b" throughout so that a NaN on either side fails.
    if (param.x.useMin && !(param.x.min < p.x)) return false;
    if (param.y.useMin && !(param.y.min < p.y)) return false;
    if (param.z.useMin && !(param.z.min < p.z)) return false;
    if (param.x.useMax && !(p.x < param.x.max)) return false;
    if (param.y.useMax && !(p.y < param.y.max)) return false;
    if (param.z.useMax && !(p.z < param.z.max)) return false;
    return true;
}

static uint32_t CalendarSeconds(void)
{
    return static_cast<uint32_t>(time(nullptr));
}

int ApplyRangeSelection(HostDocument doc, const RangeParam &param)
{
    return ApplyRangeSelectionSeeded(doc, param, CalendarSeconds);
}

// Room for count + 1 points, or null. The size is checked before anything is
// multiplied, so a huge count from the host can never wrap into a short
// buffer that the host would then write past.
static Point3f *NewPointBuffer(int32_t count)
{
    const size_t slots = static_cast<size_t>(count) + 1;
    if (slots > static_cast<size_t>(PTRDIFF_MAX) / sizeof(Point3f)) return nullptr;
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

int ApplyRangeSelectionSeeded(HostDocument doc, const RangeParam &param, SeedSource seed)
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
    SeedRandom(rng, seed());

    for (VertexIndex i = 0; i < count; ++i) {
        if (InsideRange(param, points[i])) ApplyMode(doc, object, i, param.mode, rng);
    }

    ::operator delete[](points);
    return 1;
}
