#include "standin_engine/dialog_driver.h"

#include <stdio.h>
#include <string.h>

#include <commctrl.h>

#include "dialog/resource_ids.h"

// One armed script. Runs nest: a step may run the command again, whose own
// dialog is driven by a run armed inside that step; and each thread that
// runs the command drives its own dialog. So each thread keeps a stack of its
// runs, innermost last, where the hook and timer callbacks find theirs.
struct DriverRun {
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

static thread_local DriverRun *t_runs[MAX_RUNS];
static thread_local int t_count;

static DriverRun *InnermostRun() { return t_count ? t_runs[t_count - 1] : nullptr; }

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
        for (int i = t_count; strcmp(cls, "#32770") == 0 && i-- > 0;)
            if (!t_runs[i]->dialog) {
                t_runs[i]->dialog = window;
                Schedule(*t_runs[i], t_runs[i]->tickMs);  // runs once the modal loop turns
                break;
            }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void PerformStep(HWND dialog, const DriverStep &step)
{
    HWND control = GetDlgItem(dialog, step.id);
    switch (step.action) {
    case DriverAction::SpinUp:
    case DriverAction::SpinDown: {
        RECT r;
        GetClientRect(control, &r);
        const bool up = step.action == DriverAction::SpinUp;
        const LPARAM at = MAKELPARAM(r.right / 2, up ? r.bottom / 4 : r.bottom * 3 / 4);
        SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(control, WM_LBUTTONUP, 0, at);
        // The mouse moves on, as a user's does: the arrow is no longer hot.
        SendMessageW(control, WM_MOUSELEAVE, 0, 0);
        break;
    }
    case DriverAction::Type:
        SendMessageA(control, EM_SETSEL, 0, -1);
        if (step.text.empty()) SendMessageA(control, WM_CHAR, VK_BACK, 1);
        for (unsigned char c : step.text) SendMessageA(control, WM_CHAR, c, 1);
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
    case DriverAction::Key: {
        // Posted, so that the modal loop's IsDialogMessage sees them as typed.
        HWND target = GetFocus();
        if (!target || (target != dialog && !IsChild(dialog, target))) target = dialog;
        PostMessageA(target, WM_KEYDOWN, step.value, 1);
        PostMessageA(target, WM_KEYUP, step.value, 0xC0000001);
        break;
    }
    case DriverAction::CloseBox:
        SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    case DriverAction::Call:
        if (step.call) step.call(dialog);
        break;
    case DriverAction::SpinReports:
        SendMessageW(control, UDM_SETPOS32, 0, step.value);
        SendMessageW(dialog, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0),
                     reinterpret_cast<LPARAM>(control));
        break;
    case DriverAction::Pause:
        break;
    }
}

static void CALLBACK OnTick(HWND, UINT, UINT_PTR timer, DWORD)
{
    DriverRun *found = nullptr;
    for (int i = 0; i < t_count; ++i)
        if (t_runs[i]->timer == timer) found = t_runs[i];
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
        PerformStep(run.dialog, step);
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
    if (t_count == MAX_RUNS) {
        fprintf(stderr, "host: more than %d dialog scripts armed at once\n", MAX_RUNS);
        return;
    }
    DriverRun *run = new DriverRun();
    run->steps = steps;
    run->tickMs = tickMs;
    run->hook = SetWindowsHookExA(WH_CBT, OnCbt, nullptr, GetCurrentThreadId());
    t_runs[t_count++] = run;
}

// What the last run disarmed on this thread saw.
static thread_local DriverRun *t_last;
static const DriverRun kNoRun;

// The innermost armed run, or else the last one.
static const DriverRun &Seen()
{
    const DriverRun *run = t_count ? InnermostRun() : t_last;
    return run ? *run : kNoRun;
}

void DisarmDialogDriver()
{
    DriverRun *run = InnermostRun();
    if (!run) return;
    if (run->hook) UnhookWindowsHookEx(run->hook);
    if (run->timer) KillTimer(nullptr, run->timer);
    delete t_last;
    t_last = run;
    --t_count;
}

HWND DrivenDialog() { return Seen().dialog; }
bool DriverTimedOut() { return Seen().timedOut; }
bool DriverStepFailed() { return Seen().stepFailed; }
size_t DriverStepsLeft() { return Seen().steps.size() - Seen().next; }

void FailDriverStep()
{
    DriverRun *run = InnermostRun();
    if (run) run->stepFailed = true;
}
