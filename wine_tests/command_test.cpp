// The host's menu command end to end: the dialog over the host's window, then
// the walk over the current object, through the real DLL and this host.
#include <math.h>

#include <limits>

#include <gtest/gtest.h>

#include "dialog/resource_ids.h"
#include "wine_tests/command_run.h"
#include "wine_tests/plugin_load.h"

static const float Inf = std::numeric_limits<float>::infinity();

// Vertices along X, on both sides of 0.
static const std::vector<Point3f> kRow = {{-2, 5, 0},    {1, 0, 0},  {-0.5f, 0, 9},  {0, 0, 0},
                                          {-0.0f, 1, 1}, {3, -1, 0}, {-1e-30f, 0, 0}};

// The calls of a run that reached the walk: the dialog's, the walk's
// opening ones, then these.
static std::vector<std::string> Walked(const std::vector<std::string> &then = {})
{
    std::vector<std::string> calls = {
        Call("MQ_GetWindowHandle"), Call("MQDoc_GetCurrentObjectIndex"), Call("MQDoc_GetObject", 0),
        Call("MQObj_GetVertexCount"), Call("MQObj_GetVertexArray")};
    calls.insert(calls.end(), then.begin(), then.end());
    return calls;
}

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

TEST(Command, OkOnFreshDialogSelectsBelowXZero)
{
    TheHost().Reset(kRow);
    TheHost().selected[1] = true;  // outside: keeps its state
    BindToThisHost();
    EXPECT_EQ(RunCommand({Click(IDOK)}), 1);
    EXPECT_EQ(HostCalls(),
              Walked({Call("MQDoc_AddSelectVertex", 0, 0), Call("MQDoc_AddSelectVertex", 0, 2),
                      Call("MQDoc_AddSelectVertex", 0, 6)}));
    EXPECT_EQ(TheHost().SelectedCount(), 4);
}

TEST(Command, EnterActsAsOk)
{
    TheHost().Reset(kRow);
    BindToThisHost();
    EXPECT_EQ(RunCommand({Key(VK_RETURN)}), 1);
    EXPECT_EQ(TheHost().SelectedCount(), 3);
}

TEST(Command, CancelEscapeAndCloseBoxChangeNothing)
{
    const struct {
        const char *how;
        DriverStep step;
    } ways[] = {{"Cancel", Click(IDCANCEL)}, {"Escape", Key(VK_ESCAPE)}, {"close box", CloseBox()}};
    for (const auto &way : ways) {
        SCOPED_TRACE(way.how);
        TheHost().Reset(kRow);
        BindToThisHost();
        EXPECT_EQ(RunCommand({Up(IDC_MAX_X_SPIN), way.step}), 0);
        EXPECT_EQ(HostCalls(), std::vector<std::string>{Call("MQ_GetWindowHandle")})
            << way.how << " still reached the document";
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

TEST(Command, NoCurrentObjectAfterTheDialog)
{
    TheHost().Reset(kRow);
    TheHost().currentIndex = -1;
    BindToThisHost();
    EXPECT_EQ(RunCommand({Click(IDOK)}), 0);
    EXPECT_EQ(HostCalls(), (std::vector<std::string>{Call("MQ_GetWindowHandle"),
                                                     Call("MQDoc_GetCurrentObjectIndex")}));
    TheHost().currentIndex = 0;
    TheHost().objectExists = false;
    EXPECT_EQ(RunCommand({Click(IDOK)}), 0);
    EXPECT_EQ(HostCalls().size(), 3u);
}

TEST(Command, CountTooLargeForABufferReadsNothing)
{
    for (int32_t count : {400000000, std::numeric_limits<int32_t>::max()}) {
        SCOPED_TRACE("count " + std::to_string(count));
        TheHost().Reset(kRow);
        TheHost().overrideCount = true;
        TheHost().reportedCount = count;
        BindToThisHost();
        EXPECT_EQ(RunCommand({Click(IDOK)}), 0);
        EXPECT_EQ(HostCalls(), (std::vector<std::string>{
                                   Call("MQ_GetWindowHandle"), Call("MQDoc_GetCurrentObjectIndex"),
                                   Call("MQDoc_GetObject", 0), Call("MQObj_GetVertexCount")}));
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
        {"0.1", 0.1f},
        {"-419429.59", -419429.59f},  // a spin's own text
        {"2,5", 2.0f},                // what follows the number is ignored
        {"", 0.0f},
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

TEST(Command, SwitchedOffBoundIsIgnoredWhateverItsText)
{
    TheHost().Reset({{4, 0, 0}, {6, 0, 0}, {-1, 0, 0}});
    BindToThisHost();
    // The upper X bound goes off with 5 in its box: every vertex is inside.
    EXPECT_EQ(RunCommand({Type(IDC_MAX_X_EDIT, "5"), Click(IDC_MAX_X_CHECK), Click(IDOK)}), 1);
    EXPECT_EQ(TheHost().SelectedCount(), 3);
}

TEST(Command, EachModeEndToEnd)
{
    // Inside: x < 0, vertices 0, 2, 6; vertex 2 starts selected.
    const std::vector<std::string> ask = {
        Call("MQDoc_IsSelectVertex", 0, 0), Call("MQDoc_AddSelectVertex", 0, 0),
        Call("MQDoc_IsSelectVertex", 0, 2), Call("MQDoc_DeleteSelectVertex", 0, 2),
        Call("MQDoc_IsSelectVertex", 0, 6), Call("MQDoc_AddSelectVertex", 0, 6)};
    const struct {
        int mode;
        std::vector<std::string> calls;
    } rows[] = {
        {1,
         {Call("MQDoc_DeleteSelectVertex", 0, 0), Call("MQDoc_DeleteSelectVertex", 0, 2),
          Call("MQDoc_DeleteSelectVertex", 0, 6)}},
        {2, ask},
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

TEST(Command, RandomModeDecidesEachInsideVertexOnce)
{
    std::vector<Point3f> points;
    for (int i = 0; i < 2000; ++i) points.push_back({i % 2 ? 1.0f : -1.0f, 0, 0});
    TheHost().Reset(points);
    for (size_t i = 0; i < points.size(); i += 4) TheHost().selected[i] = true;
    const std::vector<bool> before = TheHost().selected;
    BindToThisHost();
    EXPECT_EQ(RunCommand({Type(IDC_MAX_X_EDIT, "0"), Mode(3), Click(IDOK)}), 1);  // x < 0
    const std::vector<std::string> calls = HostCalls();
    EXPECT_EQ(calls.size(), Walked().size() + 1000);
    int added = 0;
    for (size_t i = Walked().size(); i < calls.size(); ++i) {
        const int vertex = static_cast<int>(2 * (i - Walked().size()));
        const bool add = calls[i] == Call("MQDoc_AddSelectVertex", 0, vertex);
        EXPECT_TRUE(add || calls[i] == Call("MQDoc_DeleteSelectVertex", 0, vertex))
            << "random call " << i << ": " << calls[i];
        added += add;
    }
    EXPECT_TRUE(added > 400 && added < 600) << "uneven odds: " << added << " of 1000";
    for (size_t i = 1; i < points.size(); i += 2)
        EXPECT_EQ(TheHost().selected[i], before[i]) << "outside vertex " << i << " changed";
}
