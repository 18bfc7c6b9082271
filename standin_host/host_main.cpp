// host.exe, the stand-in host as a program: it loads a plug-in as the modelling
// host does, runs command 0 over an OBJ mesh and prints what happened. This is
// its Win32 side (files, code pages, the dialog); host_core.h the rest.
#include <windows.h>

#include <commctrl.h>
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <set>

#include "dialog/resource_ids.h"
#include "numbers/number_text.h"
#include "standin_engine/dialog_driver.h"
#include "standin_engine/wide_text.h"
#include "standin_host/host_core.h"
#include "standin_host/standin_host.h"

// Every message of host.exe's own goes to standard error here; returns the
// exit status.
static int Fail(const std::string &message, int status = 2)
{
    fprintf(stderr, "host: %s\n", message.c_str());
    return status;
}

static bool IsFolder(const std::string &path)
{
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Opens what (the mesh, an output) at path: "" or why not, a folder said as
// such (the system's "Access denied" would send the user looking at the rights).
static std::string Open(const std::string &what, const std::string &path, const wchar_t *mode,
                        FILE *&file)
{
    const std::string named = what + " " + Quoted(path);
    if (IsFolder(path)) return named + " is a folder, not a file";
    file = _wfopen(Widen(path).c_str(), mode);
    if (file) return "";
    const char *doing = mode[0] == L'r' ? ": cannot read it: " : ": cannot write it: ";
    return named + doing + strerror(errno);
}

static std::string ReadMesh(const std::string &path, ObjMesh &mesh)
{
    FILE *file = nullptr;
    const std::string wrong = Open("the mesh", path, L"rb", file);
    if (!wrong.empty()) return wrong;
    std::string bytes;
    char block[65536];
    size_t got = fread(block, 1, sizeof block, file);
    while (got > 0) {
        bytes.append(block, got);
        got = fread(block, 1, sizeof block, file);
    }
    const bool failed = ferror(file);
    fclose(file);
    std::string error = "read error";
    if (!failed && ReadObj(bytes, mesh, error)) return "";
    return "the mesh " + Quoted(path) + ": " + error;
}

// An output file is opened before the dialog asks anything, so that one that
// cannot be written stops the run first ("" or why not), and written once the
// command has run (0, or 2 when that failed).
static std::string OpenOutput(const char *option, const std::string &path, const wchar_t *mode,
                              FILE *&file)
{
    if (path.empty()) return "";
    return Open(option, path, mode, file);
}

static int CloseOutput(const char *option, const std::string &path, FILE *file,
                       const std::string &text)
{
    if (!file) return 0;
    const bool written = fputs(text.c_str(), file) >= 0;
    const bool closed = fclose(file) == 0;
    if (written && closed) return 0;
    return Fail(std::string(option) + " " + Quoted(path) + ": write failed: " + strerror(errno));
}

// Why no window could be opened, in the user's terms: under Wine that is
// almost always the X display (Wine itself only says so on a debug channel).
static std::string NoWindowReason(bool wine, DWORD error)
{
    const char *display = getenv("DISPLAY");
    if (!wine)
        return "no window can be shown on this desktop (error " + std::to_string(error) + ")";
    if (!display || !*display) return "no window can be shown: DISPLAY is not set";
    return "no window can be shown: the X display " + Quoted(display) +
           " cannot be reached (is DISPLAY right and its X server running?)";
}

// A BMP file: its two headers, then the pixel rows. False when it could not
// be written.
static bool WriteBitmap(const std::wstring &path, const BITMAPINFOHEADER &info, const void *pixels,
                        DWORD size)
{
    BITMAPFILEHEADER head = {};
    head.bfType = 0x4D42;  // "BM"
    head.bfOffBits = sizeof head + sizeof info;
    head.bfSize = head.bfOffBits + size;
    FILE *out = _wfopen(path.c_str(), L"wb");
    if (!out) return false;
    bool written = fwrite(&head, sizeof head, 1, out) == 1;
    written = written && fwrite(&info, sizeof info, 1, out) == 1;
    written = written && fwrite(pixels, size, 1, out) == 1;
    const bool closed = fclose(out) == 0;
    return written && closed;
}

// The window as the screen shows it, frame included, as a 24-bit BMP file.
static bool SaveBitmap(HWND window, const std::wstring &path)
{
    const UINT redraw = RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW;
    RedrawWindow(window, nullptr, nullptr, redraw);
    RECT frame;
    GetWindowRect(window, &frame);
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = frame.right - frame.left;
    info.biHeight = frame.bottom - frame.top;  // bottom row first
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const DWORD rowBytes = (info.biWidth * 3 + 3) / 4 * 4;  // a multiple of 4
    HDC screen = GetWindowDC(window);
    HDC memory = CreateCompatibleDC(screen);
    void *pixels = nullptr;
    BITMAPINFO *format = reinterpret_cast<BITMAPINFO *>(&info);
    HBITMAP bitmap = CreateDIBSection(memory, format, DIB_RGB_COLORS, &pixels, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, info.biWidth, info.biHeight, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const bool saved = pixels && WriteBitmap(path, info, pixels, rowBytes * info.biHeight);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, screen);
    return saved;
}

// Whether a step of the script failed (it has said why): the run then exits 1.
static bool g_stepFailed;

static void Snapshot(HWND dialog, const ScriptStep &step)
{
    if (SaveBitmap(dialog, Widen(step.text))) return;
    Fail(step.source + ": cannot write " + step.text + ": " + strerror(errno));
    g_stepFailed = true;
}

// The checkbox that switches on the bound of an edit box.
static int CheckboxOf(int edit)
{
    for (const BoundIds &ids : kBoundIds) {
        if (ids.edit == edit) return ids.check;
    }
    return 0;
}

// The edit box a user's step acts on: its own, or a spin's (a spin goes grey
// with its box, and Wine's takes no click then).
static HWND BoxOf(HWND dialog, const DriverStep &step)
{
    HWND control = GetDlgItem(dialog, step.id);
    if (step.action == DriverAction::Type) return control;
    return reinterpret_cast<HWND>(SendMessageW(control, UDM_GETBUDDY, 0, 0));
}

// A user's step (type, up, down) where a user could take it. On a disabled
// box the script is wrong, and the dialog is cancelled so that nothing is
// applied. (`set` is a program's WM_SETTEXT, which reaches any box.)
static void AsUser(HWND dialog, const DriverStep &step)
{
    HWND box = BoxOf(dialog, step);
    if (IsWindowEnabled(box)) {
        PerformStep(dialog, step);
        return;
    }
    const int id = GetDlgCtrlID(box);
    Fail(step.source + ": edit box " + std::to_string(id) +
         " is disabled, so a user cannot do this (check " + std::to_string(CheckboxOf(id)) +
         " enables it); the dialog is cancelled");
    g_stepFailed = true;
    EndDialog(dialog, IDCANCEL);
}

static bool ActsAsUser(DriverAction action)
{
    if (action == DriverAction::Type) return true;
    return action == DriverAction::SpinUp || action == DriverAction::SpinDown;
}

// A script step as the driver does it, its text typed through the ANSI code
// page as a user's keys would be.
static DriverStep DriverStepOf(const ScriptStep &parsed)
{
    const std::string text = Narrow(Widen(parsed.text), CP_ACP);
    DriverStep step = Step(parsed.action, parsed.id, parsed.value, text.c_str());
    step.source = parsed.source;
    if (parsed.action == DriverAction::Call) step.call = [parsed](HWND d) { Snapshot(d, parsed); };
    if (!ActsAsUser(parsed.action)) return step;
    DriverStep user = Do([step](HWND d) { AsUser(d, step); });
    user.source = step.source;
    return user;
}

// The script's steps for the dialog driver: "" or what is wrong.
static std::string DriverSteps(const std::string &script, std::vector<DriverStep> &steps)
{
    BOOL lossy = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, Widen(script).c_str(), -1, nullptr, 0,
                        nullptr, &lossy);
    if (lossy)
        return "the script holds characters the ANSI code page (" + std::to_string(GetACP()) +
               ") cannot write";
    std::vector<ScriptStep> parsed;
    std::string error;
    if (!ParseScript(script, parsed, error)) return error;
    for (const ScriptStep &step : parsed) {
        steps.push_back(DriverStepOf(step));
    }
    return "";
}

// The run, with the dialog's choice read as it closes, while its controls
// still exist (a dialog goes before its children): each bound that is on,
// with the value the command read (ScanNumber of the box's ANSI text, as a
// float) and its text as typed, read as Unicode (the same on every code page).
static RunRecord g_run;
static HHOOK g_watch;

static UsedBound ReadBound(HWND dialog, int row)
{
    const int edit = kBoundIds[row].edit;
    char ansi[EDIT_TEXT_BUFFER] = "";
    GetDlgItemTextA(dialog, edit, ansi, sizeof ansi);
    wchar_t typed[256] = L"";
    GetDlgItemTextW(dialog, edit, typed, 256);
    UsedBound bound;
    bound.axis = "xyz"[row % 3];
    bound.upper = row >= 3;
    bound.value = static_cast<float>(ScanNumber(ansi));
    bound.shown = ShowBound(bound.value, Utf8(typed));
    return bound;
}

static void ReadChoice(HWND dialog, RunRecord &run)
{
    run.opened = true;
    for (int row : kAxisByAxis) {
        const int check = kBoundIds[row].check;
        if (SendDlgItemMessageA(dialog, check, BM_GETCHECK, 0, 0) != BST_CHECKED) continue;
        run.bounds.push_back(ReadBound(dialog, row));
    }
    wchar_t mode[128] = L"";
    GetDlgItemTextW(dialog, IDC_MODE_COMBO, mode, 128);
    run.operationName = Utf8(mode);
    const LRESULT chosen = SendDlgItemMessageW(dialog, IDC_MODE_COMBO, CB_GETCURSEL, 0, 0);
    run.operation = static_cast<int>(chosen);
}

static LRESULT CALLBACK WatchDialog(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT &message = *reinterpret_cast<const CWPSTRUCT *>(lParam);
    const bool closing = code == HC_ACTION && message.message == WM_DESTROY;
    if (closing && !g_run.opened && IsDialog(message.hwnd)) ReadChoice(message.hwnd, g_run);
    return CallNextHookEx(g_watch, code, wParam, lParam);
}

// host.exe prints UTF-8 on every code page; the plug-in's identity strings are
// Shift-JIS whatever the system (the host's interface), not ANSI text.
static std::string FromShiftJis(const char *text)
{
    if (!text) return "(null)";
    return Utf8(Widen(text, 932));
}

static void PrintIdentity(const LoadedPlugin &plugin, int32_t bound)
{
    uint32_t product = 0;
    uint32_t id = 0;
    plugin.getPlugInId(&product, &id);
    printf("plug-in: %s\n", FromShiftJis(plugin.getPlugInName()).c_str());
    printf("  version 0x%X, type %d, id %08X:%08X, command 0: %s\n", plugin.checkVersion(0),
           plugin.getPlugInType(), product, id, FromShiftJis(plugin.enumString(0)).c_str());
    printf("  bound the host's functions: %s\n", bound ? "yes" : "no");
    fflush(stdout);
}

// Under Wine the terminal and the files belong to a Linux system: lines end
// in LF there, and in CRLF on Windows itself.
static bool UnderWine()
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

static void SetUpOutput(bool wine)
{
    if (!wine) {
        SetConsoleOutputCP(CP_UTF8);
        return;
    }
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

// The wrapper says when it made the display itself: nobody sees that one.
static bool OnVirtualDisplay()
{
    const char *virtualDisplay = getenv("CUBRIK_VIRTUAL_DISPLAY");
    return virtualDisplay && strcmp(virtualDisplay, "1") == 0;
}

// What the run needs, all checked before the dialog opens.
struct Inputs {
    std::vector<DriverStep> steps;
    ObjMesh mesh;
    LoadedPlugin plugin;
    FILE *selectionOut = nullptr;
    FILE *json = nullptr;
};

// "" or what is wrong. The outputs come last, so that a run stopped by a
// mistake leaves an earlier output file as it was.
static std::string Prepare(const HostOptions &o, bool wine, Inputs &in)
{
    std::string error;
    if (o.hasScript) error = DriverSteps(o.script, in.steps);
    if (error.empty()) error = ReadMesh(o.mesh, in.mesh);
    if (!error.empty()) return error;
    if (IsFolder(o.plugin)) return "the plug-in " + Quoted(o.plugin) + " is a folder, not a file";
    error = LoadPlugin(o.plugin, in.plugin);
    if (!error.empty()) return "the plug-in " + Quoted(o.plugin) + " " + error;
    const wchar_t *textMode = wine ? L"wb" : L"w";
    error = OpenOutput("--selection-out", o.selectionOut, textMode, in.selectionOut);
    if (!error.empty()) return error;
    return OpenOutput("--json", o.json, L"wb", in.json);
}

static float Coordinate(const Point3f &point, int axis)
{
    const float xyz[3] = {point.x, point.y, point.z};
    return xyz[axis];
}

static void SelectBelow(FakeHost &host, const HostOptions &o)
{
    if (o.belowAxis < 0) return;
    for (size_t i = 0; i < host.points.size(); ++i) {
        host.selected[i] = Coordinate(host.points[i], o.belowAxis) < o.belowValue;
    }
}

// The vertices the command asked about: the ones inside its range.
static int Inside(const FakeHost &host)
{
    std::set<int> touched;
    for (const LoggedCall &call : host.log) {
        if (call.vertex >= 0) touched.insert(call.vertex);
    }
    return static_cast<int>(touched.size());
}

// The run's own exit status (0 or 1), saying what went wrong.
static int RunStatus(const std::vector<DriverStep> &steps)
{
    if (!g_run.opened) return Fail("the plug-in's dialog did not open, so nothing was chosen", 1);
    if (DriverTimedOut()) return Fail("the script left the dialog open, so it was cancelled", 1);
    const size_t left = DriverStepsLeft();
    if (g_stepFailed) return 1;
    if (left == 0) return 0;
    const std::string count = std::to_string(left) + (left == 1 ? " step" : " steps");
    const std::string next = steps[steps.size() - left].source;
    return Fail("the dialog ended before " + next + " ran (" + count + " not run)", 1);
}

int wmain(int argc, wchar_t **argv)
{
    const bool wine = UnderWine();
    SetUpOutput(wine);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(Utf8(argv[i]));
    }
    HostOptions o;
    const std::string wrong = ParseOptions(args, o);
    if (o.help) {
        fputs(kUsage, stdout);
        return 0;
    }
    if (!wrong.empty()) return Fail(wrong + " (see host.exe --help)");
    if (!o.hasScript && OnVirtualDisplay())
        return Fail("host.exe is interactive (without --script its dialog waits for you), but "
                    "nobody can see the virtual display it would open on: it needs a display. Run "
                    "it in a desktop session, or give it a --script");
    Inputs in;
    const std::string error = Prepare(o, wine, in);
    if (!error.empty()) return Fail(error);

    FakeHost &host = TheHost();
    host.Reset(in.mesh.points);
    SelectBelow(host, o);
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    const int32_t bound = in.plugin.init(self);
    if (!o.quiet) PrintIdentity(in.plugin, bound);

    // A main window for the dialog to sit on, as the host's would.
    HWND main =
        CreateWindowExA(0, "STATIC", "cubrik stand-in host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40,
                        40, 520, 360, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!main) return Fail("the dialog cannot open: " + NoWindowReason(wine, GetLastError()), 1);
    host.mainWindow = main;

    if (o.hasScript) ArmDialogDriver(in.steps);
    g_watch = SetWindowsHookExA(WH_CALLWNDPROC, WatchDialog, nullptr, GetCurrentThreadId());
    RunRecord &run = g_run;
    run.before = host.SelectedCount();
    host.log.clear();
    run.result = in.plugin.modifyObject(0, host.doc);
    DisarmDialogDriver();
    if (g_watch) UnhookWindowsHookEx(g_watch);

    run.inside = Inside(host);
    std::string list;
    std::string lines;
    for (uint32_t i = 0; i < host.selected.size(); ++i) {
        if (!host.selected[i]) continue;
        run.selected.push_back(i);
        list += " " + std::to_string(i);
        lines += std::to_string(i) + "\n";
    }
    printf("%s\n", SummaryLine(run, in.mesh).c_str());
    const unsigned count = static_cast<unsigned>(run.selected.size());
    if (o.list) printf("selected (%u):%s\n", count, list.c_str());
    fflush(stdout);
    int status = RunStatus(in.steps);  // (a call the plug-in must never make exits 5)
    if (CloseOutput("--selection-out", o.selectionOut, in.selectionOut, lines)) status = 2;
    if (CloseOutput("--json", o.json, in.json, RunJson(run, in.mesh))) status = 2;
    DestroyWindow(main);
    FreeLibrary(in.plugin.module);
    return status;
}
