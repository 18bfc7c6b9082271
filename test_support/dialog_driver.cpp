#include "test_support/dialog_driver.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <commctrl.h>

#include <algorithm>

#include "dialog/resource_ids.h"

// One armed script. Runs nest: a step may run the command again, whose own
// dialog is driven by a run armed inside that step; and each thread that
// runs the command drives its own dialog. So every run keeps its own state,
// and the hook and timer callbacks find theirs by thread and timer.
struct DriverRun {
    bool inUse = false;
    DWORD thread = 0;
    int depth = 0;  // how many runs of this thread were armed before it
    std::vector<DriverStep> steps;
    size_t next = 0;
    UINT tickMs = 20;
    HHOOK hook = nullptr;
    UINT_PTR timer = 0;
    HWND dialog = nullptr;
    int graceTicks = 0;
    bool timedOut = false;
    bool stepFailed = false;  // a step could not do what it says
    bool busy = false;        // a step is running (and may be running a dialog of its own)
};

enum { GRACE_TICKS = 100, MAX_RUNS = 16 };

static DriverRun g_runs[MAX_RUNS];
static SRWLOCK g_runsLock = SRWLOCK_INIT;

struct RunsLock {
    RunsLock() { AcquireSRWLockExclusive(&g_runsLock); }
    ~RunsLock() { ReleaseSRWLockExclusive(&g_runsLock); }
};

// This thread's innermost run that matches, or null.
template <typename Match> static DriverRun *FindRun(Match match)
{
    RunsLock lock;
    DriverRun *found = nullptr;
    const DWORD thread = GetCurrentThreadId();
    for (DriverRun &r : g_runs)
        if (r.inUse && r.thread == thread && match(r) && (!found || r.depth > found->depth))
            found = &r;
    return found;
}

static DriverRun *InnermostRun()
{
    return FindRun([](const DriverRun &) { return true; });
}

static void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD);

static void Schedule(DriverRun &run, UINT ms)
{
    if (run.timer) KillTimer(nullptr, run.timer);
    run.timer = SetTimer(nullptr, 0, ms, OnTick);
}

static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        HWND window = reinterpret_cast<HWND>(wParam);
        char cls[16] = "";
        GetClassNameA(window, cls, sizeof cls);
        // The newest run still waiting for its dialog takes this one.
        DriverRun *run = strcmp(cls, "#32770") == 0
                             ? FindRun([](const DriverRun &r) { return r.hook && !r.dialog; })
                             : nullptr;
        if (run) {
            run->dialog = window;
            Schedule(*run, run->tickMs);  // runs once the modal loop turns
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

static void ClickSpin(HWND spin, bool up)
{
    RECT r;
    GetClientRect(spin, &r);
    const LPARAM at = MAKELPARAM(r.right / 2, up ? r.bottom / 4 : r.bottom * 3 / 4);
    SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(spin, WM_LBUTTONUP, 0, at);
}

static void TypeInto(HWND edit, const std::string &text)
{
    SendMessageA(edit, EM_SETSEL, 0, -1);
    if (text.empty()) SendMessageA(edit, WM_CHAR, VK_BACK, 1);
    for (unsigned char c : text) SendMessageA(edit, WM_CHAR, c, 1);
}

static void PressKey(HWND dialog, int key)
{
    // Posted, so that the modal loop's IsDialogMessage sees them as typed.
    HWND target = GetFocus();
    if (!target || (target != dialog && !IsChild(dialog, target))) target = dialog;
    PostMessageA(target, WM_KEYDOWN, key, 1);
    PostMessageA(target, WM_KEYUP, key, 0xC0000001);
}

static void RunStep(const DriverRun &run, const DriverStep &step)
{
    HWND dialog = run.dialog;
    HWND control = GetDlgItem(dialog, step.id);
    switch (step.action) {
    case DriverAction::SpinUp:
    case DriverAction::SpinDown:
        ClickSpin(control, step.action == DriverAction::SpinUp);
        break;
    case DriverAction::Type:
        TypeInto(control, step.text);
        break;
    case DriverAction::SetText:
        SetDlgItemTextA(dialog, step.id, step.text.c_str());
        break;
    case DriverAction::Click:
        SendMessageA(control, BM_CLICK, 0, 0);
        break;
    case DriverAction::ChooseMode: {
        HWND list = GetDlgItem(dialog, IDC_MODE_COMBO);
        SendMessageA(list, CB_SETCURSEL, step.value, 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_MODE_COMBO, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(list));
        break;
    }
    case DriverAction::Key:
        PressKey(dialog, step.value);
        break;
    case DriverAction::CloseBox:
        SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    case DriverAction::Call:
        if (step.call) step.call(dialog);
        break;
    case DriverAction::Pause:
        break;
    }
}

static void CALLBACK OnTick(HWND, UINT, UINT_PTR timer, DWORD)
{
    DriverRun *found = FindRun([timer](const DriverRun &r) { return r.timer == timer; });
    if (!found) {
        KillTimer(nullptr, timer);
        return;
    }
    DriverRun &run = *found;
    if (run.busy) return;                        // its step runs a dialog of its own; wait for it
    if (!run.dialog || !IsWindow(run.dialog)) {  // the dialog has ended
        KillTimer(nullptr, run.timer);
        run.timer = 0;
        return;
    }
    if (!IsWindowVisible(run.dialog)) return;  // not shown yet
    if (run.next < run.steps.size()) {
        const DriverStep step = run.steps[run.next++];
        run.busy = true;
        RunStep(run, step);
        run.busy = false;
        if (step.action == DriverAction::Pause)
            Schedule(run, step.value);
        else if (run.timer)
            Schedule(run, run.tickMs);
        return;
    }
    if (++run.graceTicks >= GRACE_TICKS) {
        run.timedOut = true;
        fprintf(stderr, "host: the script left the dialog open; cancelling it\n");
        EndDialog(run.dialog, IDCANCEL);
    }
}

void ArmDialogDriver(const std::vector<DriverStep> &steps, UINT tickMs)
{
    DriverRun *run = nullptr;
    {
        RunsLock lock;
        const DWORD thread = GetCurrentThreadId();
        int depth = 0;
        for (DriverRun &r : g_runs)
            if (r.inUse && r.thread == thread) depth = std::max(depth, r.depth + 1);
        for (DriverRun &r : g_runs)
            if (!r.inUse) {
                run = &r;
                break;
            }
        if (!run) {
            fprintf(stderr, "host: more than %d dialog scripts armed at once\n", MAX_RUNS);
            return;
        }
        *run = DriverRun();
        run->inUse = true;
        run->thread = thread;
        run->depth = depth;
    }
    run->steps = steps;
    run->tickMs = tickMs;
    run->hook = SetWindowsHookExA(WH_CBT, OnCbt, nullptr, GetCurrentThreadId());
}

// What a run saw, and what the last run disarmed on this thread saw.
struct Outcome {
    HWND dialog;
    bool timedOut;
    bool stepFailed;
    size_t stepsLeft;
};
static thread_local Outcome t_last;

static Outcome OutcomeOf(const DriverRun &run)
{
    return {run.dialog, run.timedOut, run.stepFailed, run.steps.size() - run.next};
}

// The innermost armed run's, or else the last one's.
static Outcome CurrentOutcome()
{
    const DriverRun *run = InnermostRun();
    return run ? OutcomeOf(*run) : t_last;
}

void DisarmDialogDriver()
{
    DriverRun *run = InnermostRun();
    if (!run) return;
    if (run->hook) UnhookWindowsHookEx(run->hook);
    if (run->timer) KillTimer(nullptr, run->timer);
    t_last = OutcomeOf(*run);
    RunsLock lock;
    *run = DriverRun();
}

HWND DrivenDialog() { return CurrentOutcome().dialog; }
bool DriverTimedOut() { return CurrentOutcome().timedOut; }
bool DriverStepFailed() { return CurrentOutcome().stepFailed; }
size_t DriverStepsLeft() { return CurrentOutcome().stepsLeft; }

void FailDriverStep()
{
    DriverRun *run = InnermostRun();
    if (run) run->stepFailed = true;
}
