#include "standin_engine/dialog_driver.h"

#include <string.h>

#include <deque>

#include <commctrl.h>

#include "dialog/resource_ids.h"

// One armed script. Runs nest: a step may run the command again, whose own
// dialog is driven by a run armed inside that step; and each thread that
// runs the command drives its own dialog. So each thread keeps a stack of its
// runs, innermost last (a deque, so that a run stays where it is while a step
// of it arms another), and one timer: only the innermost run acts, since the
// runs around it are each inside a step.
struct DriverRun {
    std::vector<DriverStep> steps;
    size_t next = 0;
    UINT tickMs = 20;
    HHOOK hook = nullptr;
    HWND dialog = nullptr;
    int graceTicks = 0;
    bool timedOut = false;
    bool busy = false;  // a step is running (and may be running a dialog of its own)
};

enum { GRACE_TICKS = 100 };

static thread_local std::deque<DriverRun> t_runs;
// What the last run disarmed on this thread saw.
static thread_local DriverRun t_last;
static thread_local UINT_PTR t_timer;

bool IsDialog(HWND window)
{
    char name[16] = "";
    GetClassNameA(window, name, sizeof name);
    return strcmp(name, "#32770") == 0;
}

// A mouse click on a spin's upper or lower arrow; then the mouse moves on,
// as a user's does, so the arrow is no longer hot.
static void ClickArrow(HWND spin, bool up)
{
    RECT area;
    GetClientRect(spin, &area);
    const int y = up ? area.bottom / 4 : area.bottom * 3 / 4;
    const LPARAM at = MAKELPARAM(area.right / 2, y);
    SendMessageW(spin, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(spin, WM_LBUTTONUP, 0, at);
    SendMessageW(spin, WM_MOUSELEAVE, 0, 0);
}

// All of the box selected, then the text key by key (no text: a backspace).
static void TypeInto(HWND edit, const std::string &text)
{
    SendMessageA(edit, EM_SETSEL, 0, -1);
    if (text.empty()) SendMessageA(edit, WM_CHAR, VK_BACK, 1);
    for (unsigned char c : text) {
        SendMessageA(edit, WM_CHAR, c, 1);
    }
}

// The entry chosen, and the dialog told as the list tells it.
static void ChooseMode(HWND dialog, int index)
{
    HWND list = GetDlgItem(dialog, IDC_MODE_COMBO);
    SendMessageA(list, CB_SETCURSEL, index, 0);
    const WPARAM changed = MAKEWPARAM(IDC_MODE_COMBO, CBN_SELCHANGE);
    SendMessageA(dialog, WM_COMMAND, changed, reinterpret_cast<LPARAM>(list));
}

// Posted to the focus (or the dialog, when the focus is elsewhere), so that
// the modal loop's IsDialogMessage sees it typed.
static void PressKey(HWND dialog, int virtualKey)
{
    HWND target = GetFocus();
    if (!IsChild(dialog, target)) target = dialog;
    PostMessageA(target, WM_KEYDOWN, virtualKey, 1);
    PostMessageA(target, WM_KEYUP, virtualKey, 0xC0000001);  // a key released after being down
}

// What a spin does for a step it takes: moves, then tells its dialog.
static void ReportSpinStep(HWND dialog, HWND spin, int position)
{
    SendMessageW(spin, UDM_SETPOS32, 0, position);
    const WPARAM moved = MAKEWPARAM(SB_THUMBPOSITION, 0);
    SendMessageW(dialog, WM_VSCROLL, moved, reinterpret_cast<LPARAM>(spin));
}

void PerformStep(HWND dialog, const DriverStep &step)
{
    HWND control = GetDlgItem(dialog, step.id);
    switch (step.action) {
    case DriverAction::SpinUp:
    case DriverAction::SpinDown:
        ClickArrow(control, step.action == DriverAction::SpinUp);
        break;
    case DriverAction::Type:
        TypeInto(control, step.text);
        break;
    case DriverAction::SetText:
        SetWindowTextA(control, step.text.c_str());
        break;
    case DriverAction::Click:
        SendMessageA(control, BM_CLICK, 0, 0);
        break;
    case DriverAction::ChooseMode:
        ChooseMode(dialog, step.value);
        break;
    case DriverAction::Key:
        PressKey(dialog, step.value);
        break;
    case DriverAction::CloseBox:
        SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    case DriverAction::Call:
        if (step.call) step.call(dialog);
        break;
    case DriverAction::SpinReports:
        ReportSpinStep(dialog, control, step.value);
        break;
    case DriverAction::Pause:
        break;
    }
}

// Does the run's next step; returns when the one after it is due, in ms.
static UINT RunNextStep(DriverRun &run)
{
    const DriverStep step = run.steps[run.next];
    run.next += 1;
    run.busy = true;
    PerformStep(run.dialog, step);
    run.busy = false;
    return step.action == DriverAction::Pause ? step.value : run.tickMs;
}

static void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD)
{
    if (t_runs.empty()) return;  // a tick queued before the last run was disarmed
    DriverRun &run = t_runs.back();
    if (run.busy) return;                      // its step runs a dialog of its own; wait for it
    if (!IsWindowVisible(run.dialog)) return;  // not shown yet, or ended
    if (run.next < run.steps.size()) {
        const UINT nextTickMs = RunNextStep(run);
        t_timer = SetTimer(nullptr, t_timer, nextTickMs, OnTick);  // named again: replaced
        return;
    }
    run.graceTicks += 1;
    if (run.graceTicks < GRACE_TICKS) return;
    run.timedOut = true;
    EndDialog(run.dialog, IDCANCEL);
}

// The innermost run, while it waits for its dialog, takes this one; its
// first step runs once the modal loop turns.
static void Adopt(HWND window)
{
    DriverRun &run = t_runs.back();
    if (run.dialog || !IsDialog(window)) return;
    run.dialog = window;
    t_timer = SetTimer(nullptr, t_timer, run.tickMs, OnTick);
}

static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) Adopt(reinterpret_cast<HWND>(wParam));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void ArmDialogDriver(const std::vector<DriverStep> &steps, UINT tickMs)
{
    t_runs.emplace_back();
    DriverRun &run = t_runs.back();
    run.steps = steps;
    run.tickMs = tickMs;
    run.hook = SetWindowsHookExA(WH_CBT, OnCbt, nullptr, GetCurrentThreadId());
}

void DisarmDialogDriver()
{
    if (t_runs.empty()) return;
    UnhookWindowsHookEx(t_runs.back().hook);
    t_last = std::move(t_runs.back());
    t_runs.pop_back();
    if (!t_runs.empty()) return;
    KillTimer(nullptr, t_timer);
    t_timer = 0;
}

// The innermost armed run, or else the last one.
static const DriverRun &Seen()
{
    if (t_runs.empty()) return t_last;
    return t_runs.back();
}

HWND DrivenDialog() { return Seen().dialog; }
bool DriverTimedOut() { return Seen().timedOut; }
size_t DriverStepsLeft() { return Seen().steps.size() - Seen().next; }
