#include "host/dialog_driver.h"

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
    DialogInspector inspector = nullptr;
    size_t next = 0;
    UINT tickMs = 20;
    HHOOK hook = nullptr;
    UINT_PTR timer = 0;
    HWND dialog = nullptr;
    int graceTicks = 0;
    bool timedOut = false;
    bool busy = false;  // a step is running (and may be running a dialog of its own)
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

static bool SaveBitmap(HWND window, const char *path)
{
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RECT r;
    GetWindowRect(window, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC source = GetWindowDC(window);
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;  // bottom-up, as BMP files store rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, source, 0, 0, SRCCOPY);
    GdiFlush();
    const DWORD stride = ((w * 3 + 3) / 4) * 4;
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + stride * h;
    FILE *out = fopen(path, "wb");
    bool ok = out != nullptr;
    if (out) {
        ok = fwrite(&file, sizeof file, 1, out) == 1 &&
             fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
             fwrite(bits, stride * h, 1, out) == 1;
        fclose(out);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, source);
    return ok;
}

static void RunStep(DriverRun &run, const DriverStep &step)
{
    HWND dialog = run.dialog;
    HWND control = GetDlgItem(dialog, step.id);
    switch (step.action) {
    case DriverAction::SpinUp:
    case DriverAction::SpinDown:
        ClickSpin(control, step.action == DriverAction::SpinUp);
        break;
    case DriverAction::SpinNotice:
        // What a spin does for a step: set its position, then tell its parent.
        SendMessageA(control, UDM_SETPOS32, 0, step.value);
        SendMessageA(dialog, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0),
                     reinterpret_cast<LPARAM>(control));
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
    case DriverAction::Inspect:
        if (run.inspector) run.inspector(dialog, step.value);
        break;
    case DriverAction::Call:
        if (step.call) step.call(dialog);
        break;
    case DriverAction::Snapshot:
        if (!SaveBitmap(dialog, step.text.c_str()))
            fprintf(stderr, "host: could not save %s\n", step.text.c_str());
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

void ArmDialogDriver(const std::vector<DriverStep> &steps, DialogInspector inspector, UINT tickMs)
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
    run->inspector = inspector;
    run->tickMs = tickMs;
    run->hook = SetWindowsHookExA(WH_CBT, OnCbt, nullptr, GetCurrentThreadId());
}

// What the last run disarmed on this thread saw.
static thread_local HWND t_lastDialog;
static thread_local bool t_lastTimedOut;

void DisarmDialogDriver()
{
    DriverRun *run = InnermostRun();
    if (!run) return;
    if (run->hook) UnhookWindowsHookEx(run->hook);
    if (run->timer) KillTimer(nullptr, run->timer);
    t_lastDialog = run->dialog;
    t_lastTimedOut = run->timedOut;
    RunsLock lock;
    *run = DriverRun();
}

HWND DrivenDialog()
{
    const DriverRun *run = InnermostRun();
    return run ? run->dialog : t_lastDialog;
}
bool DriverTimedOut()
{
    const DriverRun *run = InnermostRun();
    return run ? run->timedOut : t_lastTimedOut;
}

static DriverStep Step(DriverAction action, int id = 0, int value = 0)
{
    DriverStep step;
    step.action = action;
    step.id = id;
    step.value = value;
    return step;
}

bool ParseDriverScript(const char *script, std::vector<DriverStep> &steps, std::string &error)
{
    steps.clear();
    std::string all(script);
    size_t start = 0;
    while (start <= all.size()) {
        size_t end = all.find(';', start);
        if (end == std::string::npos) end = all.size();
        std::string part = all.substr(start, end - start);
        start = end + 1;
        char word[32] = "";
        int id = 0, consumed = 0;
        if (sscanf(part.c_str(), " %31s%n", word, &consumed) != 1) continue;
        const char *rest = part.c_str() + consumed;
        DriverStep step = Step(DriverAction::Pause);
        auto needId = [&](DriverAction action) {
            int used = 0;
            if (sscanf(rest, " %d%n", &id, &used) != 1) return false;
            step.action = action;
            step.id = id;
            rest += used;
            return true;
        };
        // The same, for a step whose number is a value rather than a control.
        auto needValue = [&](DriverAction action) {
            if (!needId(action)) return false;
            step.value = step.id;
            step.id = 0;
            return true;
        };
        auto textAfter = [&]() {
            while (*rest == ' ') ++rest;
            std::string t(rest);
            while (!t.empty() && t.back() == ' ') t.pop_back();
            return t;
        };
        const std::string w(word);
        bool ok = true;
        if (w == "up")
            ok = needId(DriverAction::SpinUp);
        else if (w == "down")
            ok = needId(DriverAction::SpinDown);
        else if (w == "type") {
            ok = needId(DriverAction::Type);
            step.text = textAfter();
        } else if (w == "set") {
            ok = needId(DriverAction::SetText);
            step.text = textAfter();
        } else if (w == "click" || w == "check")
            ok = needId(DriverAction::Click);
        else if (w == "mode")
            ok = needValue(DriverAction::ChooseMode);
        else if (w == "ok")
            step = Step(DriverAction::Click, IDOK);
        else if (w == "cancel")
            step = Step(DriverAction::Click, IDCANCEL);
        else if (w == "escape")
            step = Step(DriverAction::Key, 0, VK_ESCAPE);
        else if (w == "enter")
            step = Step(DriverAction::Key, 0, VK_RETURN);
        else if (w == "close")
            step = Step(DriverAction::CloseBox);
        else if (w == "pause")
            ok = needValue(DriverAction::Pause);
        else if (w == "snapshot") {
            step.action = DriverAction::Snapshot;
            step.text = textAfter();
            ok = !step.text.empty();
        } else
            ok = false;
        if (!ok) {
            error = "cannot read script step \"" + part + "\"";
            return false;
        }
        steps.push_back(step);
    }
    return true;
}

std::string DescribeDialog(HWND dialog)
{
    struct Bound {
        int check, edit;
        const char *format;  // how the bound reads when it is on
    };
    static const Bound bounds[] = {
        {IDC_MIN_X_CHECK, IDC_MIN_X_EDIT, "%s < x"}, {IDC_MAX_X_CHECK, IDC_MAX_X_EDIT, "x < %s"},
        {IDC_MIN_Y_CHECK, IDC_MIN_Y_EDIT, "%s < y"}, {IDC_MAX_Y_CHECK, IDC_MAX_Y_EDIT, "y < %s"},
        {IDC_MIN_Z_CHECK, IDC_MIN_Z_EDIT, "%s < z"}, {IDC_MAX_Z_CHECK, IDC_MAX_Z_EDIT, "z < %s"},
    };
    std::string out;
    for (const Bound &b : bounds) {
        if (SendDlgItemMessageA(dialog, b.check, BM_GETCHECK, 0, 0) != BST_CHECKED) continue;
        char text[64] = "", part[96];
        GetDlgItemTextA(dialog, b.edit, text, sizeof text);
        snprintf(part, sizeof part, b.format, text);
        out += (out.empty() ? "" : ", ") + std::string(part);
    }
    if (out.empty()) out = "no bound";
    char mode[128] = "";
    GetDlgItemTextA(dialog, IDC_MODE_COMBO, mode, sizeof mode);
    return out + "; " + mode;
}
