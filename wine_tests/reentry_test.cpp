// The host on its worst day, through the real DLL: the command started again
// while its dialog is open (from a timer on the same thread, or on another
// thread), and a quit message arriving while the dialog is open. Each run
// must apply exactly its own user's choice, and only an OK may walk.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dialog/resource_ids.h"
#include "selection/range_selection.h"
#include "wine_tests/command_run.h"
#include "wine_tests/plugin_load.h"

namespace {

// Vertices along X at -2, -1, 0, 1, 2.
const std::vector<Point3f> kRow = {{-2, 0, 0}, {-1, 0, 0}, {0, 0, 0}, {1, 0, 0}, {2, 0, 0}};

// Two choices that differ in every field the record carries.
// Outer: x < 1.5, select. Inner: 0.5 < x, deselect.
const std::vector<DriverStep> kOuterChoice = {SetText(IDC_MAX_X_EDIT, "1.5")};
const std::vector<DriverStep> kInnerChoice = {
    Click(IDC_MIN_X_CHECK), SetText(IDC_MIN_X_EDIT, "0.5"), Click(IDC_MAX_X_CHECK), Mode(Deselect)};

// The walks of the two choices over kRow.
const std::vector<std::string> kInnerWalk =
    Walked({Call("MQDoc_DeleteSelectVertex", 0, 3), Call("MQDoc_DeleteSelectVertex", 0, 4)});
const std::vector<std::string> kOuterWalk =
    Walked({Call("MQDoc_AddSelectVertex", 0, 0), Call("MQDoc_AddSelectVertex", 0, 1),
            Call("MQDoc_AddSelectVertex", 0, 2), Call("MQDoc_AddSelectVertex", 0, 3)});
// The same walk as it follows a run nested in its dialog: its owner window
// was asked for before the nested run.
const std::vector<std::string> kOuterWalkAfterInner(kOuterWalk.begin() + 1, kOuterWalk.end());

// A signal between the two threads of a run. Waiting answers the messages
// other threads send to this one's windows (activation, as the other dialog
// opens) but dispatches nothing else, so the waiting dialog stays still.
struct Signal {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ~Signal() { CloseHandle(event); }
    void Raise() const { SetEvent(event); }
    bool Await() const
    {
        const DWORD until = GetTickCount() + 20000;
        for (;;) {
            const DWORD now = GetTickCount();
            if (static_cast<LONG>(until - now) <= 0) return false;
            const DWORD woke =
                MsgWaitForMultipleObjects(1, &event, FALSE, until - now, QS_SENDMESSAGE);
            if (woke == WAIT_OBJECT_0) return true;
            MSG m;
            PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
};

struct ThreadRun {
    std::vector<DriverStep> steps;
    const Signal *startAfter;  // null: at once
    const Signal *finished;    // raised when the command has returned
    DWORD thread = 0;
    int result = -1;
    bool timedOut = false;
};

DWORD WINAPI RunOnItsThread(void *param)
{
    ThreadRun &run = *static_cast<ThreadRun *>(param);
    if (run.startAfter) run.startAfter->Await();
    ArmDialogDriver(run.steps, 10);
    run.result = Plugin().modifyObject(0, TheHost().doc);
    run.timedOut = DriverTimedOut();
    DisarmDialogDriver();
    run.finished->Raise();
    return 0;
}

// A step that raises one signal and waits for another.
DriverStep Handover(const Signal &raise, const Signal &await)
{
    return Do([&raise, &await](HWND) {
        raise.Raise();
        EXPECT_TRUE(await.Await()) << "the other thread never got there";
    });
}

}  // namespace

TEST(CommandReentry, EachOpenDialogAppliesItsOwnChoice)
{
    // The outer dialog is open with its own choice made when a host timer
    // runs the command again; the inner dialog is confirmed or cancelled,
    // and then the outer one is confirmed.
    const std::vector<std::string> window = {Call("MQ_GetWindowHandle")};
    const struct {
        const char *inner;
        DriverStep innerEnd;
        int innerResult;
        std::vector<std::string> calls;  // both runs', in order
    } cases[] = {
        {"inner OK", Click(IDOK), 1,
         Concat<std::string>({window, kInnerWalk, kOuterWalkAfterInner})},
        {"inner Cancel", Click(IDCANCEL), 0, Concat<std::string>({window, kOuterWalk})},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.inner);
        TheHost().Reset(kRow);
        BindToThisHost();
        int innerResult = -1;
        const DriverStep runAgain = Do([&](HWND) {
            ArmDialogDriver(Concat<DriverStep>({kInnerChoice, {c.innerEnd}}), 10);
            innerResult = Plugin().modifyObject(0, TheHost().doc);
            EXPECT_FALSE(DriverTimedOut()) << "the inner script left its dialog open";
            DisarmDialogDriver();
        });
        EXPECT_EQ(RunCommand(Concat<DriverStep>({kOuterChoice, {runAgain, Click(IDOK)}})), 1);
        EXPECT_EQ(innerResult, c.innerResult);
        EXPECT_EQ(HostCalls(), c.calls);
    }
}

TEST(CommandReentry, TwoThreadsEachApplyTheirOwnChoice)
{
    // Each thread runs the command with its own choice on its own dialog,
    // both open at once: A chooses while B's dialog is open, B confirms while
    // A's is open with its choice made, then A confirms. The threads take
    // turns (Wine's drawing is not safe from two threads at once); the
    // choices select disjoint vertices.
    TheHost().Reset(kRow);
    BindToThisHost();
    Signal aOpen;
    Signal bOpen;
    Signal aChosen;
    Signal aDone;
    Signal bDone;
    ThreadRun runs[] = {
        // x < -0.5: vertices 0 and 1.
        {{Handover(aOpen, bOpen), SetText(IDC_MAX_X_EDIT, "-0.5"), Handover(aChosen, bDone),
          Click(IDOK)},
         nullptr,
         &aDone},
        // 0.5 < x: vertices 3 and 4.
        {{Handover(bOpen, aChosen), Click(IDC_MIN_X_CHECK), SetText(IDC_MIN_X_EDIT, "0.5"),
          Click(IDC_MAX_X_CHECK), Click(IDOK)},
         &aOpen,
         &bDone},
    };
    HANDLE threads[2];
    for (int i = 0; i < 2; ++i)
        threads[i] = CreateThread(nullptr, 0, RunOnItsThread, &runs[i], 0, &runs[i].thread);
    ASSERT_EQ(WaitForMultipleObjects(2, threads, TRUE, 60000), WAIT_OBJECT_0);
    for (HANDLE t : threads) {
        CloseHandle(t);
    }

    const std::vector<std::string> expected[] = {
        Walked({Call("MQDoc_AddSelectVertex", 0, 0), Call("MQDoc_AddSelectVertex", 0, 1)}),
        Walked({Call("MQDoc_AddSelectVertex", 0, 3), Call("MQDoc_AddSelectVertex", 0, 4)}),
    };
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE("thread " + std::to_string(i));
        EXPECT_EQ(runs[i].result, 1);
        EXPECT_FALSE(runs[i].timedOut) << "the script left the dialog open";
        EXPECT_EQ(HostCalls(runs[i].thread), expected[i]);
    }
}

TEST(CommandReentry, AQuitMessageIsNoOk)
{
    // The host closing down posts WM_QUIT while the dialog is open: the
    // dialog ends, nothing is selected, and the message is still there for
    // the host's own loop.
    TheHost().Reset(kRow);
    BindToThisHost();
    const DriverStep quit = Do([](HWND) { PostQuitMessage(42); });
    EXPECT_EQ(RunCommand({SetText(IDC_MAX_X_EDIT, "9"), quit}), 0);
    EXPECT_EQ(HostCalls(), std::vector<std::string>{Call("MQ_GetWindowHandle")});
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        << "the host's quit message was swallowed";
    EXPECT_EQ(message.wParam, 42u);
}

TEST(CommandReentry, BindingAgainWhileTheDialogIsOpen)
{
    // The host calls MQInit while the dialog is open, then the user presses
    // OK: the walk runs only through a whole table into a loaded module.
    const struct {
        std::string file;
        int bound;
        int result;
        std::vector<std::string> calls;
    } cases[] = {
        // A name missing: the table of the first binding stays in use.
        {BesideTests("standin_lacking.dll"), 0, 1, kOuterWalk},
        // Every name, from a file unmapped as MQInit returns: no walk at all.
        {BesideTests("standin_full.dll"), 1, 0, {Call("MQ_GetWindowHandle")}},
        // This program once more: the new table is as good as the old.
        {ThisProgram(), 1, 1, kOuterWalk},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        TheHost().Reset(kRow);
        BindToThisHost();
        int bound = -1;
        const DriverStep bindAgain = Do([&](HWND) { bound = Plugin().init(c.file.c_str()); });
        EXPECT_EQ(RunCommand(Concat<DriverStep>({kOuterChoice, {bindAgain, Click(IDOK)}})),
                  c.result);
        EXPECT_EQ(bound, c.bound);
        EXPECT_EQ(HostCalls(), c.calls);
    }
    BindToThisHost();
}
