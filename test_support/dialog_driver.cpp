#include "test_support/dialog_driver.h"

#include <errno.h>
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
    case DriverAction::Snapshot:
        if (!SaveBitmap(dialog, step.text.c_str())) {
            fprintf(stderr, "host: %s: cannot write %s: %s\n", step.source.c_str(),
                    step.text.c_str(), strerror(errno));
            run.stepFailed = true;
        }
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
};
static thread_local Outcome t_last;

static Outcome OutcomeOf(const DriverRun &run)
{
    return {run.dialog, run.timedOut, run.stepFailed};
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

static DriverStep Step(DriverAction action, int id = 0, int value = 0)
{
    DriverStep step;
    step.action = action;
    step.id = id;
    step.value = value;
    return step;
}

// The controls a step may name, by kind; a script naming any other number is
// wrong before it runs.
struct ControlKind {
    const char *name;
    int ids[8];  // zero-terminated
};
static const ControlKind SPINS = {"a spin",
                                  {IDC_MIN_X_SPIN, IDC_MAX_X_SPIN, IDC_MIN_Y_SPIN, IDC_MAX_Y_SPIN,
                                   IDC_MIN_Z_SPIN, IDC_MAX_Z_SPIN}};
static const ControlKind EDITS = {"an edit box",
                                  {IDC_MIN_X_EDIT, IDC_MAX_X_EDIT, IDC_MIN_Y_EDIT, IDC_MAX_Y_EDIT,
                                   IDC_MIN_Z_EDIT, IDC_MAX_Z_EDIT}};
static const ControlKind BUTTONS = {"a checkbox or button",
                                    {IDC_MIN_X_CHECK, IDC_MAX_X_CHECK, IDC_MIN_Y_CHECK,
                                     IDC_MAX_Y_CHECK, IDC_MIN_Z_CHECK, IDC_MAX_Z_CHECK, IDOK,
                                     IDCANCEL}};
enum { MODE_COUNT = 4, LONGEST_PAUSE_MS = 60000 };

// "" when id is one of kind's controls, else why not, with the valid numbers.
static std::string CheckControl(int id, const ControlKind &kind)
{
    std::string valid;
    for (int known : kind.ids) {
        if (!known) break;
        if (known == id) return "";
        valid += (valid.empty() ? "" : " ") + std::to_string(known);
    }
    return std::to_string(id) + " is not " + kind.name + " of the dialog (those are " + valid + ")";
}

bool ParseDriverScript(const char *script, std::vector<DriverStep> &steps, std::string &error)
{
    steps.clear();
    std::string all(script);
    size_t start = 0;
    for (int number = 1; start <= all.size(); ++number) {
        size_t end = all.find(';', start);
        if (end == std::string::npos) end = all.size();
        std::string part = all.substr(start, end - start);
        start = end + 1;
        char word[32] = "";
        int consumed = 0;
        if (sscanf(part.c_str(), " %31s%n", word, &consumed) != 1) {
            --number;  // an empty step, as after a last ";"
            continue;
        }
        const char *rest = part.c_str() + consumed;
        std::string problem;
        auto readNumber = [&](int &out) {
            int used = 0;
            if (sscanf(rest, " %d%n", &out, &used) != 1) {
                problem = "a number must follow \"" + std::string(word) + "\"";
                return false;
            }
            rest += used;
            return true;
        };
        auto nothingMore = [&]() {
            while (*rest == ' ' || *rest == '\t') ++rest;
            if (*rest) problem = "unexpected \"" + std::string(rest) + "\" after the number";
            return problem.empty();
        };
        auto textAfter = [&]() {
            while (*rest == ' ' || *rest == '\t') ++rest;
            std::string t(rest);
            while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.pop_back();
            return t;
        };
        // A step on one control of the given kind, its number next.
        auto onControl = [&](DriverAction action, const ControlKind &kind, bool textFollows) {
            DriverStep step = Step(action);
            if (!readNumber(step.id)) return step;
            if (textFollows)
                step.text = textAfter();
            else
                nothingMore();
            if (problem.empty()) problem = CheckControl(step.id, kind);
            return step;
        };
        const std::string w(word);
        DriverStep step = Step(DriverAction::Pause);
        if (w == "up")
            step = onControl(DriverAction::SpinUp, SPINS, false);
        else if (w == "down")
            step = onControl(DriverAction::SpinDown, SPINS, false);
        else if (w == "type")
            step = onControl(DriverAction::Type, EDITS, true);
        else if (w == "set")
            step = onControl(DriverAction::SetText, EDITS, true);
        else if (w == "click" || w == "check")
            step = onControl(DriverAction::Click, BUTTONS, false);
        else if (w == "mode") {
            step = Step(DriverAction::ChooseMode);
            if (readNumber(step.value) && nothingMore() &&
                (step.value < 0 || step.value >= MODE_COUNT))
                problem = "the operation list has entries 0 to " + std::to_string(MODE_COUNT - 1);
        } else if (w == "pause") {
            if (readNumber(step.value) && nothingMore() &&
                (step.value < 0 || step.value > LONGEST_PAUSE_MS))
                problem = "a pause lasts 0 to " + std::to_string(LONGEST_PAUSE_MS) + " ms";
        } else if (w == "ok" || w == "cancel" || w == "escape" || w == "enter" || w == "close") {
            if (w == "ok") step = Step(DriverAction::Click, IDOK);
            if (w == "cancel") step = Step(DriverAction::Click, IDCANCEL);
            if (w == "escape") step = Step(DriverAction::Key, 0, VK_ESCAPE);
            if (w == "enter") step = Step(DriverAction::Key, 0, VK_RETURN);
            if (w == "close") step = Step(DriverAction::CloseBox);
            nothingMore();
        } else if (w == "snapshot") {
            step.action = DriverAction::Snapshot;
            step.text = textAfter();
            if (step.text.empty()) problem = "snapshot needs a file name";
        } else
            problem = "unknown word \"" + w +
                      "\" (the words: up down type set click check mode ok cancel escape enter "
                      "close pause snapshot)";
        while (!part.empty() && (part[0] == ' ' || part[0] == '\t')) part.erase(0, 1);
        while (!part.empty() && (part.back() == ' ' || part.back() == '\t')) part.pop_back();
        step.source = "script step " + std::to_string(number) + " \"" + part + "\"";
        if (!problem.empty()) {
            error = step.source + ": " + problem;
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
    // The operation's name as the list shows it, whatever the ANSI code page.
    wchar_t mode[128] = L"";
    GetDlgItemTextW(dialog, IDC_MODE_COMBO, mode, 128);
    char utf8[3 * 128] = "";
    WideCharToMultiByte(CP_UTF8, 0, mode, -1, utf8, sizeof utf8, nullptr, nullptr);
    return out + "; " + utf8;
}
