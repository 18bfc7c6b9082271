#include "standin_engine/dialog_driver.h"

#include <string.h>

#include <memory>

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
    bool busy = false;  // a step is running (and may be running a dialog of its own)
};

enum { GRACE_TICKS = 100 };

static thread_local std::vector<std::unique_ptr<DriverRun>> t_runs;
// What the last run disarmed on this thread saw.
static thread_local std::unique_ptr<DriverRun> t_last;

static void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD);

static void Schedule(DriverRun &run, UINT ms)
{
    if (run.timer) KillTimer(nullptr, run.timer);
    run.timer = SetTimer(nullptr, 0, ms, OnTick);
}

bool IsDialog(HWND window)
{
    char name[16] = "";
    GetClassNameA(window, name, sizeof name);
    return strcmp(name, "#32770") == 0;
}

// The newest run still waiting for its dialog takes this one; its first
// step runs once the modal loop turns.
static void Adopt(HWND dialog)
{
    for (auto run = t_runs.rbegin(); run != t_runs.rend(); ++run) {
        if ((*run)->dialog) continue;
        (*run)->dialog = dialog;
        Schedule(**run, (*run)->tickMs);
        return;
    }
}

static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam)
{
    HWND window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_CREATEWND && IsDialog(window)) Adopt(window);
    return CallNextHookEx(nullptr, code, wParam, lParam);
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

// Posted to the focus, so that the modal loop's IsDialogMessage sees it typed.
static void PressKey(HWND dialog, int virtualKey)
{
    HWND target = GetFocus();
    if (!target || (target != dialog && !IsChild(dialog, target))) target = dialog;
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
        ClickArrow(control, true);
        break;
    case DriverAction::SpinDown:
        ClickArrow(control, false);
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

// This thread's run that owns the timer, or null.
static DriverRun *RunOf(UINT_PTR timer)
{
    for (const std::unique_ptr<DriverRun> &run : t_runs) {
        if (run->timer == timer) return run.get();
    }
    return nullptr;
}

// The run's next step, and when the one after it is due.
static void RunNextStep(DriverRun &run)
{
    const DriverStep step = run.steps[run.next];
    run.next += 1;
    run.busy = true;
    PerformStep(run.dialog, step);
    run.busy = false;
    if (step.action == DriverAction::Pause) {
        Schedule(run, step.value);
        return;
    }
    if (run.timer) Schedule(run, run.tickMs);
}

static void CALLBACK OnTick(HWND, UINT, UINT_PTR timer, DWORD)
{
    DriverRun *found = RunOf(timer);
    if (!found) {
        KillTimer(nullptr, timer);
        return;
    }
    DriverRun &run = *found;
    if (run.busy) return;         // its step runs a dialog of its own; wait for it
    if (!IsWindow(run.dialog)) {  // the dialog has ended
        KillTimer(nullptr, run.timer);
        run.timer = 0;
        return;
    }
    if (!IsWindowVisible(run.dialog)) return;  // not shown yet
    if (run.next < run.steps.size()) {
        RunNextStep(run);
        return;
    }
    run.graceTicks += 1;
    if (run.graceTicks < GRACE_TICKS) return;
    run.timedOut = true;
    EndDialog(run.dialog, IDCANCEL);
}

void ArmDialogDriver(const std::vector<DriverStep> &steps, UINT tickMs)
{
    std::unique_ptr<DriverRun> run(new DriverRun());
    run->steps = steps;
    run->tickMs = tickMs;
    run->hook = SetWindowsHookExA(WH_CBT, OnCbt, nullptr, GetCurrentThreadId());
    t_runs.push_back(std::move(run));
}

void DisarmDialogDriver()
{
    if (t_runs.empty()) return;
    DriverRun &run = *t_runs.back();
    if (run.hook) UnhookWindowsHookEx(run.hook);
    if (run.timer) KillTimer(nullptr, run.timer);
    t_last = std::move(t_runs.back());
    t_runs.pop_back();
}

// The innermost armed run, or else the last one.
static const DriverRun &Seen()
{
    static const DriverRun none;
    if (!t_runs.empty()) return *t_runs.back();
    if (t_last) return *t_last;
    return none;
}

HWND DrivenDialog() { return Seen().dialog; }
bool DriverTimedOut() { return Seen().timedOut; }
size_t DriverStepsLeft() { return Seen().steps.size() - Seen().next; }
