#include "host/dialog_driver.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <commctrl.h>

#include "dialog/resource_ids.h"

static std::vector<DriverStep> g_steps;
static DialogInspector g_inspector;
static size_t g_next;
static UINT g_tickMs;
static HHOOK g_hook;
static UINT_PTR g_timer;
static HWND g_dialog;
static int g_graceTicks;
static bool g_timedOut;

enum { GRACE_TICKS = 100 };

static void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD);

static void Schedule(UINT ms)
{
    if (g_timer) KillTimer(nullptr, g_timer);
    g_timer = SetTimer(nullptr, 0, ms, OnTick);
}

static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND && !g_dialog) {
        HWND window = reinterpret_cast<HWND>(wParam);
        char cls[16] = "";
        GetClassNameA(window, cls, sizeof cls);
        if (strcmp(cls, "#32770") == 0) {
            g_dialog = window;
            Schedule(g_tickMs);  // runs once the modal loop turns
        }
    }
    return CallNextHookEx(g_hook, code, wParam, lParam);
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

static void RunStep(const DriverStep &step)
{
    HWND control = GetDlgItem(g_dialog, step.id);
    switch (step.action) {
    case DriverAction::SpinUp:
    case DriverAction::SpinDown:
        ClickSpin(control, step.action == DriverAction::SpinUp);
        break;
    case DriverAction::SpinNotice:
        // What a spin does for a step: set its position, then tell its parent.
        SendMessageA(control, UDM_SETPOS32, 0, step.value);
        SendMessageA(g_dialog, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0),
                     reinterpret_cast<LPARAM>(control));
        break;
    case DriverAction::Type:
        TypeInto(control, step.text);
        break;
    case DriverAction::SetText:
        SetDlgItemTextA(g_dialog, step.id, step.text.c_str());
        break;
    case DriverAction::Click:
        SendMessageA(control, BM_CLICK, 0, 0);
        break;
    case DriverAction::ChooseMode: {
        HWND list = GetDlgItem(g_dialog, IDC_MODE_COMBO);
        SendMessageA(list, CB_SETCURSEL, step.value, 0);
        SendMessageA(g_dialog, WM_COMMAND, MAKEWPARAM(IDC_MODE_COMBO, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(list));
        break;
    }
    case DriverAction::Key:
        PressKey(g_dialog, step.value);
        break;
    case DriverAction::CloseBox:
        SendMessageA(g_dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    case DriverAction::Inspect:
        if (g_inspector) g_inspector(g_dialog, step.value);
        break;
    case DriverAction::Snapshot:
        if (!SaveBitmap(g_dialog, step.text.c_str()))
            fprintf(stderr, "host: could not save %s\n", step.text.c_str());
        break;
    case DriverAction::Pause:
        break;
    }
}

static void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD)
{
    if (!g_dialog || !IsWindow(g_dialog)) {  // the dialog has ended
        KillTimer(nullptr, g_timer);
        g_timer = 0;
        return;
    }
    if (!IsWindowVisible(g_dialog)) return;  // not shown yet
    if (g_next < g_steps.size()) {
        const DriverStep &step = g_steps[g_next++];
        RunStep(step);
        if (step.action == DriverAction::Pause)
            Schedule(step.value);
        else if (g_timer)
            Schedule(g_tickMs);
        return;
    }
    if (++g_graceTicks >= GRACE_TICKS) {
        g_timedOut = true;
        fprintf(stderr, "host: the script left the dialog open; cancelling it\n");
        EndDialog(g_dialog, IDCANCEL);
    }
}

void ArmDialogDriver(const std::vector<DriverStep> &steps, DialogInspector inspector, UINT tickMs)
{
    DisarmDialogDriver();
    g_steps = steps;
    g_inspector = inspector;
    g_next = 0;
    g_tickMs = tickMs;
    g_dialog = nullptr;
    g_graceTicks = 0;
    g_timedOut = false;
    g_hook = SetWindowsHookExA(WH_CBT, OnCbt, nullptr, GetCurrentThreadId());
}

void DisarmDialogDriver()
{
    if (g_hook) UnhookWindowsHookEx(g_hook);
    if (g_timer) KillTimer(nullptr, g_timer);
    g_hook = nullptr;
    g_timer = 0;
}

HWND DrivenDialog() { return g_dialog; }
bool DriverTimedOut() { return g_timedOut; }

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
