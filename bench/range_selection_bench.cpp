// The vertex walk's CPU time over 1 M and 10 M vertices, next to the floor
// (FloorRound below); scripts/bench.sh turns the library's medians into the
// two ratios that matter. The walk is the plug-in's own (ApplyRangeSelection,
// every host call through g_host) over the tests' fake host with its call log
// off, so that its bookkeeping does not hide the walk's cost. Each run
// reports its vertices as items, so the library's items_per_second is
// vertices per second of the thread's CPU time (user and kernel, so page
// faults count), which a busy machine disturbs less than wall-clock time.
//
// Every case runs once per heap behaviour, since the buffer's pages can cost
// more than everything else together: fresh (reused:0), the block straight
// from the system and back on release, each run faulting in and zeroing new
// pages, as the plug-in's heap treats blocks this large; reused (reused:1), the
// block carved again from mapped heap memory, the walk's own work in plain
// sight. Both are pinned: left alone, glibc moves its mmap threshold after the
// first release and treats 1 M (12 MB) and 10 M (120 MB) buffers differently,
// a false non-linearity.
#include <benchmark/benchmark.h>
#include <limits.h>
#include <malloc.h>
#include <math.h>
#include <stdint.h>
#include <string.h>

#include <map>
#include <new>
#include <vector>

#include "selection/range_selection.h"
#include "standin_engine/fake_host.h"

namespace {

// Rings about twice as long as there are rings, the usual UV layout. The
// length is odd, so that no vertex lies at a quarter turn, on the plane x = 0
// along which HalfInside cuts.
int32_t RingLength(int32_t count)
{
    const int32_t length = static_cast<int32_t>(sqrt(2.0 * count));
    return length | 1;
}

// The fake host's current object is a UV sphere of radius 1, stored ring by
// ring as a modeller stores a generated mesh, so that a plane cuts each ring
// into two runs rather than into a random scatter.
std::vector<Point3f> SpherePoints(int32_t count)
{
    const int32_t segments = RingLength(count);
    const int32_t rings = (count + segments - 1) / segments;
    std::vector<Point3f> points;
    points.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        const int32_t ring = i / segments;
        const int32_t segment = i % segments;
        const double theta = M_PI * (ring + 0.5) / rings;  // from the +Z pole
        const double phi = 2.0 * M_PI * segment / segments;
        Point3f point;
        point.x = static_cast<float>(sin(theta) * cos(phi));
        point.y = static_cast<float>(sin(theta) * sin(phi));
        point.z = static_cast<float>(cos(theta));
        points.push_back(point);
    }
    return points;
}

// A host per size, built once and shared by every benchmark of that size.
FakeHost &Sphere(int32_t count)
{
    static std::map<int32_t, FakeHost> hosts;
    FakeHost &host = hosts[count];
    if (host.points.empty()) {
        host.SetPoints(SpherePoints(count));
        host.logCalls = false;
    }
    return host;
}

// Pins the heap behaviour described at the top for the blocks that follow.
void SetHeap(bool reused)
{
    if (reused) {
        mallopt(M_MMAP_MAX, 0);              // every block from the mapped heap
        mallopt(M_TRIM_THRESHOLD, INT_MAX);  // and its top is never handed back
        return;
    }
    mallopt(M_MMAP_MAX, 65536);             // glibc's default
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);  // fixed, so it never moves
    mallopt(M_TRIM_THRESHOLD, 128 * 1024);
    malloc_trim(0);
}

AxisRange Between(float min, float max)
{
    AxisRange range;
    range.min = min;
    range.max = max;
    range.useMin = true;
    range.useMax = true;
    return range;
}

// All six bounds in force: x and y from -2 to 2 and z from zMin to zMax.
RangeParam Box(float zMin, float zMax, int32_t mode)
{
    RangeParam param;
    param.x = Between(-2.0f, 2.0f);
    param.y = Between(-2.0f, 2.0f);
    param.z = Between(zMin, zMax);
    param.mode = mode;
    return param;
}

// Every vertex passes the first five tests and fails the last (z below -2):
// the walk makes every comparison the floor makes, and no host call.
RangeParam AllOutside() { return Box(-4.0f, -2.0f, Select); }

// The whole sphere inside the bounds.
RangeParam AllInside(int32_t mode) { return Box(-2.0f, 2.0f, mode); }

// The dialog's starting choice (mode Select): only "x below 0", which cuts the
// sphere in two.
RangeParam HalfInside()
{
    RangeParam param;
    InitRangeParam(param);
    param.x.max = 0.0f;
    param.x.useMax = true;
    return param;
}

// Runs round once untimed (so that a reused block is already mapped and the
// host's points are as warm as in every later run), then as timed; each run
// counts the count vertices as items.
template <typename Round> void Measure(benchmark::State &state, int32_t count, Round round)
{
    SetHeap(state.range(1) != 0);
    round();
    for (auto _ : state) {
        round();
    }
    state.SetItemsProcessed(state.iterations() * count);
}

void Walk(benchmark::State &state, const RangeParam &param)
{
    const int32_t count = static_cast<int32_t>(state.range(0));
    FakeHost &host = Sphere(count);
    host.selected.assign(host.points.size(), false);
    InstallFakeHost(host);
    int result = 1;
    Measure(state, count, [&] { result &= ApplyRangeSelection(host.doc, param); });
    RemoveFakeHost();
    if (result != 1) state.SkipWithError("the walk did not run over the object");
}

// One round of what any walk must pay: a buffer of count + 1 points taken the
// same way, one copy of the host's points into it, and the six comparisons of
// the all-outside case on every point. Returns how many points were inside,
// or -1 without a buffer.
int32_t FloorRound(const FakeHost &host, const RangeParam &p)
{
    const int32_t count = static_cast<int32_t>(host.points.size());
    const size_t slots = static_cast<size_t>(count) + 1;
    void *block = ::operator new[](slots * sizeof(Point3f), std::nothrow);
    if (!block) return -1;
    Point3f *points = static_cast<Point3f *>(block);
    memcpy(points, host.points.data(), static_cast<size_t>(count) * sizeof(Point3f));
    benchmark::DoNotOptimize(points);
    benchmark::ClobberMemory();

    const AxisRange x = p.x;
    const AxisRange y = p.y;
    const AxisRange z = p.z;
    int32_t inside = 0;
    for (int32_t i = 0; i < count; ++i) {
        // Short-circuit, as the walk must test: here each vertex fails the last
        // test, all branches are predictable, and this runs faster than
        // combining the six results without branches.
        const Point3f q = points[i];
        if (x.min < q.x && y.min < q.y && z.min < q.z && q.x < x.max && q.y < y.max && q.z < z.max)
            ++inside;
    }
    ::operator delete[](block);
    return inside;
}

void Floor(benchmark::State &state)
{
    const int32_t count = static_cast<int32_t>(state.range(0));
    const FakeHost &host = Sphere(count);
    const RangeParam param = AllOutside();
    int32_t inside = 0;
    Measure(state, count, [&] {
        inside = FloorRound(host, param);
        benchmark::DoNotOptimize(inside);
    });
    if (inside < 0) state.SkipWithError("no buffer");
    if (inside > 0) state.SkipWithError("the floor's bounds let vertices in");
}

void Cases(benchmark::internal::Benchmark *b)
{
    b->ArgNames({"vertices", "reused"});
    for (int64_t reused : {0, 1}) {
        b->Args({1000000, reused});
        b->Args({10000000, reused});
    }
    b->Unit(benchmark::kMillisecond);
}

BENCHMARK(Floor)->Apply(Cases);
BENCHMARK_CAPTURE(Walk, AllOutside, AllOutside())->Apply(Cases);
BENCHMARK_CAPTURE(Walk, AllInsideSelect, AllInside(Select))->Apply(Cases);
BENCHMARK_CAPTURE(Walk, AllInsideInvert, AllInside(Invert))->Apply(Cases);
BENCHMARK_CAPTURE(Walk, AllInsideRandom, AllInside(Random))->Apply(Cases);
BENCHMARK_CAPTURE(Walk, HalfInsideSelect, HalfInside())->Apply(Cases);

}  // namespace

BENCHMARK_MAIN();
