// The vertex walk against a fake host: which host calls it makes, in which
// order and with which arguments, and what the selection ends up as. The
// calendar clock the DLL seeds from is Windows' own, tested under Wine
// (Command.RandomSeedsFromTheCalendarClock).
#include <gtest/gtest.h>
#include <math.h>
#include <stdlib.h>

#include <limits>
#include <new>

#include "selection/range_selection.h"
#include "standin_engine/fake_host.h"

namespace {

const float NaN = std::numeric_limits<float>::quiet_NaN();
const float Inf = std::numeric_limits<float>::infinity();

// Heap traffic through every form of operator new, counted while armed; the
// walk's one buffer can also be refused, as an exhausted heap would.
struct HeapCount {
    bool armed = false;
    bool refuse = false;
    int allocations = 0;
    int releases = 0;
    size_t lastSize = 0;
} g_heap;

// A refusal is what the real forms do: the nothrow ones answer null, the
// others throw, so that a walk that took the throwing form fails its own
// test instead of carrying on with a null buffer.
void *Allocate(size_t size, bool nothrow)
{
    if (g_heap.armed) {
        ++g_heap.allocations;
        g_heap.lastSize = size;
        if (g_heap.refuse) {
            if (nothrow) return nullptr;
            throw std::bad_alloc();
        }
    }
    return malloc(size ? size : 1);
}

void Release(void *p)
{
    if (g_heap.armed && p) ++g_heap.releases;
    free(p);
}

// Counts heap traffic from here on, every request refused when refuse is set.
void ArmHeap(bool refuse)
{
    g_heap = HeapCount();
    g_heap.armed = true;
    g_heap.refuse = refuse;
}

// A memory checker (valgrind) puts its own operator new in place of ours;
// the tests that count or refuse heap traffic then have nothing to observe.
bool HeapIsOurs()
{
    ArmHeap(false);
    ::operator delete[](::operator new[](1));  // a call, not an expression the compiler may drop
    const bool ours = g_heap.allocations == 1;
    g_heap = HeapCount();
    return ours;
}

// "MQDoc_AddSelectVertex(document 53440, object 3, vertex 5)".
std::string Describe(const LoggedCall &c)
{
    const uintptr_t document = reinterpret_cast<uintptr_t>(c.doc);
    return std::string(HostFunctionName(c.call)) + "(document " + std::to_string(document) +
           ", object " + std::to_string(c.object) + ", vertex " + std::to_string(c.vertex) + ")";
}

// The walk's clock, set by each test: its seconds are the random seed.
int64_t g_seed = 1;
int g_seedCalls = 0;
int64_t FixedClock()
{
    ++g_seedCalls;
    return g_seed;
}

class Walk : public ::testing::Test {
protected:
    void SetUp() override
    {
        InstallFakeHost(host);
        host.currentIndex = 3;  // not 0, so that a walk that passed 0 would show
        InitRangeParam(param);
        g_seedCalls = 0;
    }
    void TearDown() override { RemoveFakeHost(); }

    int Run() { return ApplyRangeSelectionAt(host.doc, param, FixedClock); }

    LoggedCall Call(HostCall c, VertexIndex v = -1) const
    {
        const bool selection = c == HostCall::MQDoc_IsSelectVertex ||
                               c == HostCall::MQDoc_AddSelectVertex ||
                               c == HostCall::MQDoc_DeleteSelectVertex;
        if (selection) return {c, host.doc, host.currentIndex, v};
        if (c == HostCall::MQDoc_GetCurrentObjectIndex) return {c, host.doc, -1, -1};
        if (c == HostCall::MQDoc_GetObject) return {c, host.doc, host.currentIndex, -1};
        return {c, nullptr, -1, -1};
    }

    // The four calls that open every walk over an existing object.
    std::vector<LoggedCall> Opening() const
    {
        return {Call(HostCall::MQDoc_GetCurrentObjectIndex), Call(HostCall::MQDoc_GetObject),
                Call(HostCall::MQObj_GetVertexCount), Call(HostCall::MQObj_GetVertexArray)};
    }

    void ExpectLog(const std::vector<LoggedCall> &expected)
    {
        const size_t n = std::max(expected.size(), host.log.size());
        for (size_t i = 0; i < n; ++i) {
            const std::string want = i < expected.size() ? Describe(expected[i]) : "(no call)";
            const std::string got = i < host.log.size() ? Describe(host.log[i]) : "(no call)";
            EXPECT_EQ(got, want) << "host call " << i;
        }
        EXPECT_FALSE(host.wrongCall) << "a selection call named another document or object";
    }

    FakeHost host;
    RangeParam param;
};

// Vertices along X at -2, -1, 0, 1, 2 (y = z = 0).
std::vector<Point3f> Row() { return {{-2, 0, 0}, {-1, 0, 0}, {0, 0, 0}, {1, 0, 0}, {2, 0, 0}}; }

// The coordinate of p, and the bounds of param, on axis 0 (x), 1 (y) or 2 (z).
float &OnAxis(Point3f &p, int axis)
{
    if (axis == 0) return p.x;
    if (axis == 1) return p.y;
    return p.z;
}

AxisRange &OnAxis(RangeParam &param, int axis)
{
    if (axis == 0) return param.x;
    if (axis == 1) return param.y;
    return param.z;
}

}  // namespace

// Out of line, so that a memory checker that puts its own in their place
// takes every call, not only the ones the compiler did not inline.
__attribute__((noinline)) void *operator new(size_t size) { return Allocate(size, false); }
__attribute__((noinline)) void *operator new[](size_t size) { return Allocate(size, false); }
__attribute__((noinline)) void *operator new(size_t size, const std::nothrow_t &) noexcept
{
    return Allocate(size, true);
}
__attribute__((noinline)) void *operator new[](size_t size, const std::nothrow_t &) noexcept
{
    return Allocate(size, true);
}
__attribute__((noinline)) void operator delete(void *p) noexcept { Release(p); }
__attribute__((noinline)) void operator delete[](void *p) noexcept { Release(p); }
__attribute__((noinline)) void operator delete(void *p, size_t) noexcept { Release(p); }
__attribute__((noinline)) void operator delete[](void *p, size_t) noexcept { Release(p); }

TEST(RangeParam, InitialState)
{
    RangeParam p;
    memset(&p, 0x5A, sizeof p);
    InitRangeParam(p);
    for (const AxisRange *a : {&p.x, &p.y, &p.z}) {
        EXPECT_EQ(a->min, 0.0f);
        EXPECT_EQ(a->max, 1.0f);
        EXPECT_FALSE(a->useMin);
        EXPECT_FALSE(a->useMax);
    }
    EXPECT_EQ(p.mode, Select);
}

// One axis at a time: the bounds in force, a coordinate, inside or not.
TEST(RangeParam, BoxTestTable)
{
    struct Row {
        bool useMin;
        float min;
        bool useMax;
        float max;
        float coordinate;
        bool inside;
        const char *why;
    };
    const Row rows[] = {
        {false, 0, false, 0, 5, true, "no bound in force"},
        {false, NaN, false, NaN, 5, true, "bounds switched off are ignored, NaN included"},
        {false, 0, false, 0, NaN, true, "NaN passes an axis without bounds"},
        {true, 0, false, 0, 0, false, "equal to the lower bound is outside"},
        {false, 0, true, 0, 0, false, "equal to the upper bound is outside"},
        {true, 0, false, 0, -0.0f, false, "-0.0 equals a lower bound of 0.0"},
        {false, 0, true, -0.0f, 0.0f, false, "0.0 equals an upper bound of -0.0"},
        {true, 0, false, 0, 1e-45f, true, "the smallest float above 0 is inside"},
        {false, 0, true, 0.1f, 0.1f, false, "0.1 typed and 0.1 stored are the same float"},
        {false, 0, true, 0.1f, nextafterf(0.1f, 0), true, "just below the upper bound"},
        {true, 0.1f, false, 0, nextafterf(0.1f, 1), true, "just above the lower bound"},
        {true, -1, true, 1, 0.5f, true, "inside a slab"},
        {true, 1, true, -1, 0, false, "min above max: empty, not swapped"},
        {true, 1, true, 1, 1, false, "min equal to max: empty"},
        {true, 0, false, 0, 1e30f, true, "half-open upwards"},
        {false, 0, true, Inf, 3e38f, true, "+inf upper bound passes finite coordinates"},
        {false, 0, true, Inf, Inf, false, "+inf upper bound fails +inf"},
        {true, -Inf, false, 0, -Inf, false, "-inf lower bound fails -inf"},
        {true, 0, false, 0, NaN, false, "NaN fails a lower bound"},
        {false, 0, true, 0, NaN, false, "NaN fails an upper bound"},
        {true, NaN, false, 0, 1, false, "a NaN bound in force fails everything"},
    };
    for (const Row &r : rows) {
        for (int axis = 0; axis < 3; ++axis) {
            RangeParam p;
            InitRangeParam(p);
            OnAxis(p, axis) = {r.min, r.max, r.useMin, r.useMax};
            Point3f point = {7, 7, 7};
            OnAxis(point, axis) = r.coordinate;
            EXPECT_EQ(InsideRange(p, point), r.inside) << r.why << " (axis " << axis << ")";
        }
    }
}

TEST(RangeParam, AnyByteButZeroSwitchesABoundOn)
{
    RangeParam p;
    InitRangeParam(p);
    const unsigned char two = 2;
    memcpy(&p.x.useMax, &two, 1);  // a flag written by someone other than the dialog
    p.x.max = 0;
    EXPECT_FALSE(InsideRange(p, {1, 0, 0}));
    EXPECT_TRUE(InsideRange(p, {-1, 0, 0}));
}

TEST_F(Walk, NoCurrentObjectDoesNothing)
{
    host.SetPoints(Row());
    host.currentIndex = -1;
    ArmHeap(false);
    EXPECT_EQ(Run(), 0);
    g_heap.armed = false;
    ExpectLog({Call(HostCall::MQDoc_GetCurrentObjectIndex)});
    EXPECT_EQ(g_heap.allocations, 0);
    EXPECT_EQ(g_seedCalls, 0);
}

TEST_F(Walk, NullObjectDoesNothing)
{
    host.SetPoints(Row());
    host.objectExists = false;
    EXPECT_EQ(Run(), 0);
    ExpectLog({Call(HostCall::MQDoc_GetCurrentObjectIndex), Call(HostCall::MQDoc_GetObject)});
    EXPECT_EQ(g_seedCalls, 0);
}

TEST_F(Walk, TheReportedCountDecidesTheBuffer)
{
    // One buffer of count + 1 points of 12 bytes, freed before the walk
    // returns, never more than POINT_BUFFER_MAX_BYTES. No vertices and a
    // negative count (none) still run and seed once. A larger count than the
    // limit allows is refused before any request, so it can never wrap into
    // a short buffer either. A refused buffer (as an exhausted heap refuses
    // it) reads nothing and reports nothing done.
    if (!HeapIsOurs()) GTEST_SKIP() << "operator new is not ours here (a memory checker?)";
    const int32_t largest = static_cast<int32_t>(POINT_BUFFER_MAX_BYTES / sizeof(Point3f)) - 1;
    const struct {
        int32_t count;
        bool refuse;
        int allocations;  // each of (count + 1) * 12 bytes, 12 for a negative count
    } cases[] = {{5, false, 1},       {0, false, 1},          {-1, false, 1},
                 {-12, false, 1},     {INT32_MIN, false, 1},  {5, true, 1},
                 {largest, true, 1},  {largest + 1, true, 0}, {400000000, true, 0},
                 {INT32_MAX, true, 0}};
    host.SetPoints(Row());
    host.overrideCount = true;
    param.mode = -1;  // no selection calls
    for (const auto &c : cases) {
        SCOPED_TRACE("count " + std::to_string(c.count));
        host.log.clear();
        host.reportedCount = c.count;
        g_seedCalls = 0;
        ArmHeap(c.refuse);
        const int result = Run();
        g_heap.armed = false;  // before a failure's message needs the heap
        const bool walked = !c.refuse;
        EXPECT_EQ(result, walked ? 1 : 0);
        EXPECT_EQ(g_heap.allocations, c.allocations);
        EXPECT_EQ(g_heap.releases, walked ? 1 : 0);
        const size_t room = (std::max(c.count, 0) + static_cast<size_t>(1)) * 12;
        EXPECT_EQ(g_heap.lastSize, c.allocations ? room : 0);
        EXPECT_EQ(g_seedCalls, walked ? 1 : 0) << "seeded once a run, vertices or not";
        std::vector<LoggedCall> expected = Opening();
        if (c.refuse) expected.pop_back();  // no MQObj_GetVertexArray
        ExpectLog(expected);
    }
}

TEST(Seed, CalendarSecondsPast2038KeepTheirLowBits)
{
    // The 64-bit time's low 32 bits: one second apart stays one apart, across
    // the 32-bit time's last second (2038-01-19 03:14:07) and far beyond it.
    const struct {
        int64_t seconds;
        uint32_t seed;
    } cases[] = {
        {0, 0u},
        {2147483647, 0x7FFFFFFFu},  // the 32-bit time's last second
        {2147483648, 0x80000000u},  // the one after: -1 from a 32-bit time()
        {4102444800, 0xF4865700u},  // 2100-01-01
        {4294967296 + 5, 5u},       // 2106-02-07, past 32 unsigned bits
    };
    for (const auto &c : cases) {
        EXPECT_EQ(SeedFromCalendarSeconds(c.seconds), c.seed) << c.seconds;
    }
}

// Each mode's calls for the vertices inside x < 0: 0, 2, 3, 5, 6 and 8 of
// nine; 1, 2, 4 and 6 start selected.
TEST_F(Walk, EachModesCallsForTheInsideVertices)
{
    std::vector<Point3f> points;
    for (bool inside : {1, 0, 1, 1, 0, 1, 1, 0, 1}) {
        const float x = inside ? -1.0f : 1.0f;
        points.push_back({x, 0, 0});
    }
    const HostCall ask = HostCall::MQDoc_IsSelectVertex;
    const HostCall add = HostCall::MQDoc_AddSelectVertex;
    const HostCall remove = HostCall::MQDoc_DeleteSelectVertex;
    const struct {
        int32_t mode;
        std::vector<LoggedCall> calls;
    } rows[] = {
        {Select,
         {Call(add, 0), Call(add, 2), Call(add, 3), Call(add, 5), Call(add, 6), Call(add, 8)}},
        {Deselect,
         {Call(remove, 0), Call(remove, 2), Call(remove, 3), Call(remove, 5), Call(remove, 6),
          Call(remove, 8)}},
        // Asks, then flips.
        {Invert,
         {Call(ask, 0), Call(add, 0), Call(ask, 2), Call(remove, 2), Call(ask, 3), Call(add, 3),
          Call(ask, 5), Call(add, 5), Call(ask, 6), Call(remove, 6), Call(ask, 8), Call(add, 8)}},
        // One draw per inside vertex, in order, whatever its state. The ISO C
        // example generator seeded with 1 draws 16838, 5758, 10113, 17515,
        // 31051, 5627: below 16384 adds, from 16384 on removes.
        {Random,
         {Call(remove, 0), Call(add, 2), Call(add, 3), Call(remove, 5), Call(remove, 6),
          Call(add, 8)}},
        // Not an operation: nothing changes, yet the walk runs.
        {-1, {}},
        {4, {}},
        {1000, {}},
        {INT32_MIN, {}},
    };
    g_seed = 1;
    param.x.useMax = true;
    param.x.max = 0;
    for (const auto &row : rows) {
        SCOPED_TRACE("mode " + std::to_string(row.mode));
        host.SetPoints(points);
        host.selected = {false, true, true, false, true, false, true, false, false};
        host.log.clear();
        g_seedCalls = 0;
        param.mode = row.mode;
        EXPECT_EQ(Run(), 1);
        std::vector<LoggedCall> expected = Opening();
        expected.insert(expected.end(), row.calls.begin(), row.calls.end());
        ExpectLog(expected);
        EXPECT_EQ(g_seedCalls, 1);
    }
}

// The walk picks its loop by the bounds in force: for every one of the 64
// sets, it must select exactly the points that the box test admits.
TEST_F(Walk, EverySetOfBoundsSelectsWhatTheBoxTestAdmits)
{
    const float values[] = {-Inf, -1, -0.0f, 0, 0.1f, 1, Inf, NaN};
    std::vector<Point3f> points;
    for (float x : values) {
        for (float y : values) {
            for (float z : values) {
                points.push_back({x, y, z});
            }
        }
    }
    host.logCalls = false;
    for (unsigned set = 0; set < 64; ++set) {
        param.x = {-0.5f, 0.5f, (set & 1) != 0, (set & 8) != 0};
        param.y = {0.0f, 1.0f, (set & 2) != 0, (set & 16) != 0};
        param.z = {-Inf, 0.1f, (set & 4) != 0, (set & 32) != 0};
        host.SetPoints(points);
        ASSERT_EQ(Run(), 1);
        for (size_t i = 0; i < points.size(); ++i)
            ASSERT_EQ(host.selected[i], InsideRange(param, points[i]))
                << "bounds set " << set << ", point " << i;
    }
}

TEST_F(Walk, RandomDecidesBySeedAloneWithEvenOdds)
{
    // From nothing selected and from everything selected, the same seed
    // selects the same vertices, about half of them; the next seed others.
    const int n = 200000;
    host.logCalls = false;
    param.mode = Random;
    std::vector<bool> previousSeed;
    for (uint32_t seed : {1u, 42u, 1733500000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        g_seed = seed;
        host.SetPoints(std::vector<Point3f>(n, Point3f{0, 0, 0}));
        Run();
        const std::vector<bool> fromNone = host.selected;
        host.selected.assign(n, true);
        Run();
        EXPECT_TRUE(host.selected == fromNone) << "the decisions hang on the state before";
        EXPECT_FALSE(host.selected == previousSeed) << "the seed does not decide";
        previousSeed = fromNone;
        // Four standard deviations of a fair coin over n draws: 0.0045.
        const double share = static_cast<double>(host.SelectedCount()) / n;
        EXPECT_NEAR(share, 0.5, 0.0045);
    }
}

// The fake host keeps a host's word, so that the tests above that run the
// walk against it test the walk: it fills the plug-in's buffer with no more
// points than the count it reported, and its selection calls act on its own
// current object only.
TEST(FakeHost, WritesNoMorePointsThanReported)
{
    // As many points as the count reported, never more than it has: a
    // negative count is none.
    const struct {
        int32_t count;
        size_t written;
    } cases[] = {{-1, 0}, {INT32_MIN, 0}, {0, 0}, {2, 2}, {9, 5}};
    for (const auto &c : cases) {
        SCOPED_TRACE("count " + std::to_string(c.count));
        FakeHost host;
        host.SetPoints(Row());
        host.overrideCount = true;
        host.reportedCount = c.count;
        const Point3f canary = {7, 7, 7};
        std::vector<Point3f> buffer(8, canary);
        host.MQObj_GetVertexArray(host.object, buffer.data());
        size_t written = 0;
        while (written < buffer.size() && buffer[written].x != canary.x) {
            ++written;
        }
        EXPECT_EQ(written, c.written);
        for (size_t i = written; i < buffer.size(); ++i) {
            EXPECT_EQ(buffer[i].x, canary.x) << i;
        }
    }
}

TEST(FakeHost, SelectionCallsActOnTheCurrentObjectOnly)
{
    FakeHost host;
    host.SetPoints(Row());
    const HostDocument other = reinterpret_cast<HostDocument>(0xBAD);
    EXPECT_EQ(host.MQDoc_AddSelectVertex(other, host.currentIndex, 1), 0);
    EXPECT_EQ(host.MQDoc_AddSelectVertex(host.doc, host.currentIndex + 1, 1), 0);
    EXPECT_EQ(host.MQDoc_AddSelectVertex(host.doc, host.currentIndex, 5), 0);
    EXPECT_EQ(host.MQDoc_AddSelectVertex(host.doc, host.currentIndex, -1), 0);
    EXPECT_EQ(host.SelectedCount(), 0) << "a call for another document, object or vertex";
    EXPECT_TRUE(host.wrongCall);
    EXPECT_EQ(host.log.size(), 4u) << "every call is logged, the wrong ones too";
    EXPECT_EQ(host.MQDoc_GetObject(other, host.currentIndex), nullptr);
    EXPECT_EQ(host.MQDoc_GetObject(host.doc, host.currentIndex), host.object);
}
