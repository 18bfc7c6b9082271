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

#include <map>
#include <vector>

#include "selection/range_selection.h"
#include "standin_engine/fake_host.h"

namespace {

// A UV sphere of radius 1, stored ring by ring as a modeller stores a
// generated mesh, so that a plane cuts each ring into two runs rather than
// into a random scatter. Rings are about twice as long as there are rings,
// the usual UV layout; the length is odd, so that no vertex lies at a quarter
// turn, on the plane x = 0 along which HalfInside cuts.
std::vector<Point3f> SpherePoints(int64_t count)
{
    const int64_t segments = static_cast<int64_t>(sqrt(2.0 * count)) | 1;
    const int64_t rings = (count + segments - 1) / segments;
    std::vector<Point3f> points(count);
    for (int64_t i = 0; i < count; ++i) {
        const float theta = M_PI * (i / segments + 0.5f) / rings;  // from the +Z pole
        const float phi = 2.0f * M_PI * (i % segments) / segments;
        points[i].x = sinf(theta) * cosf(phi);
        points[i].y = sinf(theta) * sinf(phi);
        points[i].z = cosf(theta);
    }
    return points;
}

// A host per size, built once and shared by every benchmark of that size.
FakeHost &Sphere(int64_t count)
{
    static std::map<int64_t, FakeHost> hosts;
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
// From -4 to -2, every vertex passes the first five tests and fails the last:
// the walk makes every comparison the floor makes, and no host call. From -2
// to 2, the whole sphere is inside.
RangeParam Box(float zMin, float zMax, int32_t mode)
{
    RangeParam param;
    param.x = Between(-2.0f, 2.0f);
    param.y = Between(-2.0f, 2.0f);
    param.z = Between(zMin, zMax);
    param.mode = mode;
    return param;
}

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
// counts the vertices as items.
template <typename Round> void Measure(benchmark::State &state, Round round)
{
    SetHeap(state.range(1) != 0);
    round();
    for (auto _ : state) {
        round();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void Walk(benchmark::State &state, const RangeParam &param)
{
    FakeHost &host = Sphere(state.range(0));
    host.selected.assign(host.points.size(), false);
    InstallFakeHost(host);
    int result = 1;
    Measure(state, [&] { result &= ApplyRangeSelection(host.doc, param); });
    RemoveFakeHost();
    if (result != 1) state.SkipWithError("the walk did not run over the object");
}

// One round of what any walk must pay: a buffer from the same heap holding
// one copy of the host's points (the walk's has one point more, which makes no
// difference), and the six comparisons of the all-outside case on every
// point. Returns how many points were inside.
int32_t FloorRound(const std::vector<Point3f> &hostPoints, const RangeParam &p)
{
    const std::vector<Point3f> points(hostPoints);
    benchmark::DoNotOptimize(points.data());
    benchmark::ClobberMemory();

    const AxisRange x = p.x;
    const AxisRange y = p.y;
    const AxisRange z = p.z;
    int32_t inside = 0;
    for (const Point3f &q : points) {
        // Short-circuit, as the walk must test: here each vertex fails the last
        // test, all branches are predictable, and this runs faster than
        // combining the six results without branches.
        if (x.min < q.x && y.min < q.y && z.min < q.z && q.x < x.max && q.y < y.max && q.z < z.max)
            ++inside;
    }
    return inside;
}

void Floor(benchmark::State &state)
{
    const std::vector<Point3f> &points = Sphere(state.range(0)).points;
    const RangeParam param = Box(-4.0f, -2.0f, Select);
    Measure(state, [&] { benchmark::DoNotOptimize(FloorRound(points, param)); });
}

void Cases(benchmark::internal::Benchmark *b)
{
    b->ArgNames({"vertices", "reused"});
    b->ArgsProduct({{1000000, 10000000}, {0, 1}});
    b->Unit(benchmark::kMillisecond);
}

BENCHMARK(Floor)->Apply(Cases);
BENCHMARK_CAPTURE(Walk, AllOutside, Box(-4.0f, -2.0f, Select))->Apply(Cases);
BENCHMARK_CAPTURE(Walk, AllInsideSelect, Box(-2.0f, 2.0f, Select))->Apply(Cases);
BENCHMARK_CAPTURE(Walk, AllInsideInvert, Box(-2.0f, 2.0f, Invert))->Apply(Cases);
BENCHMARK_CAPTURE(Walk, AllInsideRandom, Box(-2.0f, 2.0f, Random))->Apply(Cases);
BENCHMARK_CAPTURE(Walk, HalfInsideSelect, HalfInside())->Apply(Cases);

}  // namespace

BENCHMARK_MAIN();
