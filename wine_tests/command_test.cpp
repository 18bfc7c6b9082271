// The host's menu command end to end, through the real DLL and this host:
// the dialog over the host's window, the record it fills reaching the walk,
// and the walk's calls into the host in order. What each mode does to a
// vertex is tested natively (selection/range_selection_test.cpp).
#include <math.h>
#include <time.h>

#include <limits>

#include <gtest/gtest.h>

#include "dialog/resource_ids.h"
#include "selection/range_selection.h"
#include "wine_tests/command_run.h"
#include "wine_tests/plugin_load.h"

static const float Inf = std::numeric_limits<float>::infinity();

// Vertices along X, on both sides of 0: x < 0 holds for 0, 2 and 6.
static const std::vector<Point3f> kRow = {{-2, 5, 0},    {1, 0, 0},  {-0.5f, 0, 9},  {0, 0, 0},
                                          {-0.0f, 1, 1}, {3, -1, 0}, {-1e-30f, 0, 0}};

TEST(Command, OtherIndexDoesNothing)
{
    TheHost().Reset(kRow);
    BindToThisHost();
    ArmDialogDriver({Click(IDCANCEL)}, 10);
    EXPECT_EQ(Plugin().modifyObject(1, TheHost().doc), 0);
    EXPECT_EQ(Plugin().modifyObject(-1, TheHost().doc), 0);
    EXPECT_EQ(DrivenDialog(), nullptr) << "a dialog opened for a command that does not exist";
    DisarmDialogDriver();
    EXPECT_EQ(HostCalls().size(), 0u);
}

TEST(Command, OnlyOkOrEnterWalks)
{
    // A spin click first (x < 0.10: vertices 0, 2, 3, 4 and 6), then the
    // dialog ends; a changed choice that is not confirmed changes nothing.
    const std::vector<std::string> selected =
        Walked({Call("MQDoc_AddSelectVertex", 0, 0), Call("MQDoc_AddSelectVertex", 0, 2),
                Call("MQDoc_AddSelectVertex", 0, 3), Call("MQDoc_AddSelectVertex", 0, 4),
                Call("MQDoc_AddSelectVertex", 0, 6)});
    const std::vector<std::string> untouched = {Call("MQ_GetWindowHandle")};
    const struct {
        const char *how;
        DriverStep step;
        int result;
        const std::vector<std::string> &calls;
    } ways[] = {
        {"OK", Click(IDOK), 1, selected},          {"Enter", Key(VK_RETURN), 1, selected},
        {"Cancel", Click(IDCANCEL), 0, untouched}, {"Escape", Key(VK_ESCAPE), 0, untouched},
        {"close box", CloseBox(), 0, untouched},
    };
    for (const auto &way : ways) {
        SCOPED_TRACE(way.how);
        TheHost().Reset(kRow);
        BindToThisHost();
        EXPECT_EQ(RunCommand({Up(IDC_MAX_X_SPIN), way.step}), way.result);
        EXPECT_EQ(HostCalls(), way.calls);
    }
}

TEST(Command, DialogSitsOnTheHostsWindow)
{
    TheHost().Reset(kRow);
    BindToThisHost();
    HWND main = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 80, 400,
                                300, nullptr, nullptr, nullptr, nullptr);
    TheHost().mainWindow = main;
    HWND owner = nullptr;
    RunCommand(
        {Do([&owner](HWND dialog) { owner = GetWindow(dialog, GW_OWNER); }), Click(IDCANCEL)});
    EXPECT_EQ(owner, main);
    DestroyWindow(main);
}

TEST(Command, CountTooLargeForABufferReadsNothing)
{
    // (count + 1) * 12 bytes wraps a 32-bit size: the walk must refuse the
    // count before it asks for memory, and the command then answers 0.
    std::vector<std::string> calls = Walked();
    calls.pop_back();  // no MQObj_GetVertexArray
    for (int32_t count : {400000000, std::numeric_limits<int32_t>::max()}) {
        SCOPED_TRACE("count " + std::to_string(count));
        TheHost().Reset(kRow);
        TheHost().overrideCount = true;
        TheHost().reportedCount = count;
        BindToThisHost();
        EXPECT_EQ(RunCommand({Click(IDOK)}), 0);
        EXPECT_EQ(HostCalls(), calls);
    }
}

// A text typed into the X upper bound, and the float OK stores for it: seen
// through vertices at the float just below it (selected), at it and just
// above it (not selected). One row per kind of text: how each text reads is
// tested natively (numbers/), full-width digits in dialog_test.cpp.
TEST(Command, TypedTextReachesTheWalkAsAFloat)
{
    const struct {
        const char *text;
        float value;
    } rows[] = {
        {"0.1", 0.1f},  // the nearest float, not one on either side
        {"1e39", Inf},  // beyond a float: infinity, no clamp
        // 40 bytes, of which an edit box hands over the first 31: 1e30, not 1e39.
        {"1000000000000000000000000000000000000000", 1e30f},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(std::string("typed \"") + row.text + "\"");
        const float below = nextafterf(row.value, -Inf);
        const float above = nextafterf(row.value, Inf);
        TheHost().Reset({{below, 0, 0}, {row.value, 0, 0}, {above, 0, 0}});
        BindToThisHost();
        EXPECT_EQ(RunCommand({Type(IDC_MAX_X_EDIT, row.text), Click(IDOK)}), 1);
        EXPECT_EQ(TheHost().selected, (std::vector<bool>{true, false, false}))
            << "\"" << row.text << "\" did not reach the walk as "
            << testing::PrintToString(row.value);
    }
}

TEST(Command, EveryBoundIsReadFromItsOwnBox)
{
    // Lower bounds on X, Y, Z and upper bounds on Y, Z, X, each with its own
    // value; a vertex just outside each one, and one inside them all.
    TheHost().Reset({{0, 0, 0},
                     {-1.0f, 0, 0},
                     {0, -2.0f, 0},
                     {0, 0, -3.0f},
                     {1.5f, 0, 0},
                     {0, 2.5f, 0},
                     {0, 0, 3.5f}});
    BindToThisHost();
    EXPECT_EQ(RunCommand(
                  {Click(IDC_MIN_X_CHECK), Type(IDC_MIN_X_EDIT, "-1"), Click(IDC_MIN_Y_CHECK),
                   Type(IDC_MIN_Y_EDIT, "-2"), Click(IDC_MIN_Z_CHECK), Type(IDC_MIN_Z_EDIT, "-3"),
                   Type(IDC_MAX_X_EDIT, "1.5"), Click(IDC_MAX_Y_CHECK), Type(IDC_MAX_Y_EDIT, "2.5"),
                   Click(IDC_MAX_Z_CHECK), Type(IDC_MAX_Z_EDIT, "3.5"), Click(IDOK)}),
              1);
    EXPECT_EQ(HostCalls(), Walked({Call("MQDoc_AddSelectVertex", 0, 0)}));
}

TEST(Command, TheChosenModeReachesTheWalk)
{
    // Inside: x < 0, vertices 0, 2 and 6; vertex 2 starts selected.
    const struct {
        int mode;
        std::vector<std::string> calls;
    } rows[] = {
        {Deselect,
         {Call("MQDoc_DeleteSelectVertex", 0, 0), Call("MQDoc_DeleteSelectVertex", 0, 2),
          Call("MQDoc_DeleteSelectVertex", 0, 6)}},
        {Invert,
         {Call("MQDoc_IsSelectVertex", 0, 0), Call("MQDoc_AddSelectVertex", 0, 0),
          Call("MQDoc_IsSelectVertex", 0, 2), Call("MQDoc_DeleteSelectVertex", 0, 2),
          Call("MQDoc_IsSelectVertex", 0, 6), Call("MQDoc_AddSelectVertex", 0, 6)}},
        {-1, {}},  // no list entry chosen: nothing changes, yet the walk ran
    };
    for (const auto &row : rows) {
        SCOPED_TRACE("mode " + std::to_string(row.mode));
        TheHost().Reset(kRow);
        TheHost().selected[2] = true;
        BindToThisHost();
        EXPECT_EQ(RunCommand({Mode(row.mode), Click(IDOK)}), 1);
        EXPECT_EQ(HostCalls(), Walked(row.calls));
    }
}

// Random's calls over vertices 0 to count - 1, all inside, by the generator
// seeded with this calendar second: a draw in the upper half removes, one in
// the lower half adds.
static std::vector<std::string> RandomDecisions(int64_t seconds, int count)
{
    RandomDraw rng;
    SeedRandom(rng, SeedFromCalendarSeconds(seconds));
    std::vector<std::string> calls;
    for (int v = 0; v < count; ++v) {
        const bool removes = NextRandom(rng) > RANDOM_DRAW_MAX / 2;
        calls.push_back(Call(removes ? "MQDoc_DeleteSelectVertex" : "MQDoc_AddSelectVertex", 0, v));
    }
    return calls;
}

TEST(Command, RandomSeedsFromTheCalendarClock)
{
    // Each vertex takes one draw of the generator seeded with the second of
    // the run, as Windows' calendar clock reads it.
    const int count = 64;
    TheHost().Reset(std::vector<Point3f>(count, Point3f{-1, 0, 0}));
    BindToThisHost();
    const int64_t start = _time64(nullptr);
    EXPECT_EQ(RunCommand({Mode(Random), Click(IDOK)}), 1);
    const int64_t end = _time64(nullptr);
    const std::vector<std::string> calls = HostCalls();
    bool seeded = false;
    for (int64_t second = start; second <= end; ++second) {
        if (calls == Walked(RandomDecisions(second, count))) seeded = true;
    }
    EXPECT_TRUE(seeded) << "the calls are not those of a run seeded from the clock between "
                        << start << " and " << end;
}
