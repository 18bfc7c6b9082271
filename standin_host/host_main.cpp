// host.exe, the stand-in host as a program: it loads a plug-in as the modelling
// host does, runs command 0 over an OBJ mesh and prints what happened. This is
// its Win32 side (files, code pages, the dialog); host_core.h the rest.
#include <windows.h>

#include <gdiplus.h>

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <fstream>
#include <set>

#include "dialog/resource_ids.h"
#include "numbers/number_text.h"
#include "standin_engine/dialog_driver.h"
#include "standin_engine/wide_text.h"
#include "standin_host/host_core.h"
#include "standin_host/standin_host.h"

using std::string;
using std::to_string;
using std::vector;
using std::wstring;

// Every message of host.exe's own goes to standard error here; returns the
// exit status.
static int Fail(const string &message, int status = 2)
{
    fprintf(stderr, "host: %s\n", message.c_str());
    return status;
}

static bool IsFolder(const string &path)
{
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The mesh at path, read: "" or why not, a folder said as such (the system's
// "Access denied" would send the user looking at the rights).
static string ReadMesh(const string &path, ObjMesh &mesh)
{
    const string named = "the mesh " + Quoted(path);
    if (IsFolder(path)) return named + " is a folder, not a file";
    std::ifstream file(Widen(path).c_str(), std::ios::binary);
    if (!file) return named + ": cannot read it: " + strerror(errno);
    const string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    string error = "read error";
    if (!file.bad() && ReadObj(bytes, mesh, error)) return "";
    return named + ": " + error;
}

// Writes text to the file an option names (none: not asked for): "" or why
// not, a folder said as such.
static string WriteOutput(const string &option, const string &path, const string &text)
{
    if (path.empty()) return "";
    const string named = option + " " + Quoted(path);
    if (IsFolder(path)) return named + " is a folder, not a file";
    std::ofstream file(Widen(path).c_str(), std::ios::binary);
    file << text;
    file.close();
    if (file) return "";
    return named + ": cannot write it: " + strerror(errno);
}

// Why no window could be opened, in the user's terms: under Wine (whose ntdll
// has wine_get_version) that is almost always the X display, which Wine
// itself only names on a debug channel.
static string NoWindowReason(DWORD error)
{
    const char *display = getenv("DISPLAY");
    if (!GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version"))
        return "no window can be shown on this desktop (error " + to_string(error) + ")";
    if (!display || !*display) return "no window can be shown: DISPLAY is not set";
    return "no window can be shown: the X display " + Quoted(display) +
           " cannot be reached (is DISPLAY right and its X server running?)";
}

// The window as the screen shows it, frame included, saved as a BMP file by
// GDI+'s BMP encoder (the CLSID below): false when it could not be.
static bool SaveBitmap(HWND window, const wstring &path)
{
    const UINT redraw = RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW;
    RedrawWindow(window, nullptr, nullptr, redraw);
    RECT frame;
    GetWindowRect(window, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    HDC screen = GetWindowDC(window);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    DeleteDC(memory);  // which lets the bitmap go, for GDI+ to read
    ReleaseDC(window, screen);
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR gdiplus = 0;
    Gdiplus::GdiplusStartup(&gdiplus, &input, nullptr);
    CLSID bmp;
    CLSIDFromString(L"{557CF400-1A04-11D3-9A73-0000F81EF32E}", &bmp);
    Gdiplus::Bitmap *picture = Gdiplus::Bitmap::FromHBITMAP(bitmap, nullptr);
    const bool saved = picture->Save(path.c_str(), &bmp, nullptr) == Gdiplus::Ok;
    delete picture;
    DeleteObject(bitmap);
    Gdiplus::GdiplusShutdown(gdiplus);
    return saved;
}

// Whether a step of the script failed (it has said why): the run then exits 1.
static bool g_stepFailed;

// The dialog's picture in the step's file. GDI+ would not say why a file
// cannot be written, so the file is made first, which does.
static void Snapshot(HWND dialog, const ScriptStep &step)
{
    const wstring path = Widen(step.text);
    FILE *file = _wfopen(path.c_str(), L"wb");
    string why = "GDI+ could not save the picture";
    if (!file) why = strerror(errno);
    if (file) {
        fclose(file);
        if (SaveBitmap(dialog, path)) return;
        _wremove(path.c_str());  // no empty picture left behind
    }
    Fail(step.source + ": cannot write " + step.text + ": " + why + "; the dialog is cancelled");
    g_stepFailed = true;
    EndDialog(dialog, IDCANCEL);
}

// A script step, taken as a user would take it: its text typed through the
// ANSI code page as a user's keys would be, and a step on an edit box or spin
// (the row of kBoundIds that holds it) only while the box is enabled (a spin
// goes grey with its box, and Wine's takes no click then). On a disabled box
// the script is wrong, and the dialog is cancelled so that nothing is
// applied; `set` is a program's WM_SETTEXT, which reaches any box.
static void TakeStep(HWND dialog, const ScriptStep &step)
{
    if (step.action == DriverAction::Call) {
        Snapshot(dialog, step);
        return;
    }
    for (const BoundIds &ids : kBoundIds) {
        if (ids.edit != step.id && ids.spin != step.id) continue;
        if (step.action == DriverAction::SetText) break;
        if (IsWindowEnabled(GetDlgItem(dialog, ids.edit))) break;
        Fail(step.source + ": edit box " + to_string(ids.edit) +
             " is disabled, so a user cannot do this (check " + to_string(ids.check) +
             " enables it); the dialog is cancelled");
        g_stepFailed = true;
        EndDialog(dialog, IDCANCEL);
        return;
    }
    const string text = Narrow(Widen(step.text), CP_ACP);
    PerformStep(dialog, Step(step.action, step.id, step.value, text.c_str()));
}

// The script's steps for the dialog driver: "" or what is wrong. A pause
// stays the driver's (it waits), any other step is taken by TakeStep. A
// character the ANSI code page lacks would be typed as another one.
static string DriverSteps(const string &script, vector<DriverStep> &steps)
{
    const wstring wide = Widen(script);
    if (Widen(Narrow(wide, CP_ACP), CP_ACP) != wide)
        return "the script holds characters the ANSI code page (" + to_string(GetACP()) +
               ") cannot write";
    vector<ScriptStep> parsed;
    string error;
    if (!ParseScript(script, parsed, error)) return error;
    for (const ScriptStep &each : parsed) {
        DriverStep step = Do([each](HWND d) { TakeStep(d, each); });
        if (each.action == DriverAction::Pause) step = Step(DriverAction::Pause, 0, each.value);
        step.source = each.source;
        steps.push_back(step);
    }
    return "";
}

// The run, with the dialog's choice read as it closes, while its controls
// still exist (a dialog goes before its children): each bound that is on,
// with the value the command read (ScanNumber of the box's ANSI text, as a
// float) and its text as typed, read as Unicode (the same on every code page).
static RunRecord g_run;

static string TextOf(HWND dialog, int id)
{
    wchar_t text[256] = L"";
    GetDlgItemTextW(dialog, id, text, 256);
    return Utf8(text);
}

static UsedBound ReadBound(HWND dialog, int row)
{
    const int edit = kBoundIds[row].edit;
    char ansi[EDIT_TEXT_BUFFER] = "";
    GetDlgItemTextA(dialog, edit, ansi, sizeof ansi);
    UsedBound bound;
    bound.axis = "xyz"[row % 3];
    bound.upper = row >= 3;
    bound.value = static_cast<float>(ScanNumber(ansi));
    bound.shown = ShowBound(bound.value, TextOf(dialog, edit));
    return bound;
}

static void ReadChoice(HWND dialog)
{
    g_run.opened = true;
    for (int row : kAxisByAxis) {
        if (IsDlgButtonChecked(dialog, kBoundIds[row].check))
            g_run.bounds.push_back(ReadBound(dialog, row));
    }
    g_run.operationName = TextOf(dialog, IDC_MODE_COMBO);
    g_run.operation =
        static_cast<int>(SendDlgItemMessageW(dialog, IDC_MODE_COMBO, CB_GETCURSEL, 0, 0));
}

static LRESULT CALLBACK WatchDialog(int code, WPARAM wParam, LPARAM lParam)
{
    HWND window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_DESTROYWND && !g_run.opened && IsDialog(window)) ReadChoice(window);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// host.exe prints UTF-8 on every code page; the plug-in's identity strings are
// Shift-JIS whatever the system (the host's interface), not ANSI text.
static string FromShiftJis(const char *text)
{
    if (!text) return "(null)";
    return Utf8(Widen(text, 932));
}

static void PrintIdentity(const LoadedPlugin &plugin, int32_t bound)
{
    uint32_t product = 0;
    uint32_t id = 0;
    plugin.getPlugInId(&product, &id);
    printf("plug-in: %s\n"
           "  version 0x%X, type %d, id %08X:%08X, command 0: %s\n"
           "  bound the host's functions: %s\n",
           FromShiftJis(plugin.getPlugInName()).c_str(), plugin.checkVersion(0),
           plugin.getPlugInType(), product, id, FromShiftJis(plugin.enumString(0)).c_str(),
           bound ? "yes" : "no");
    fflush(stdout);
}

// What the run needs, all checked before the dialog opens.
struct Inputs {
    vector<DriverStep> steps;
    ObjMesh mesh;
    LoadedPlugin plugin = {};
};

// "" or what is wrong. A run for a user is refused on the display the wrapper
// made itself, which nobody sees: it sets CUBRIK_VIRTUAL_DISPLAY=1 then, and
// unsets it otherwise. The output files are made (empty) before the dialog
// asks anything, so that one that cannot be written stops the run first, and
// last, so that a run stopped by a mistake leaves an earlier one as it was.
static string Prepare(const HostOptions &o, Inputs &in)
{
    if (!o.hasScript && getenv("CUBRIK_VIRTUAL_DISPLAY"))
        return "host.exe is interactive (without --script its dialog waits for you), but nobody "
               "can see the virtual display it would open on: it needs a display. Run it in a "
               "desktop session, or give it a --script";
    string error;
    if (o.hasScript) error = DriverSteps(o.script, in.steps);
    if (error.empty()) error = ReadMesh(o.mesh, in.mesh);
    if (!error.empty()) return error;
    const string named = "the plug-in " + Quoted(o.plugin);
    if (IsFolder(o.plugin)) return named + " is a folder, not a file";
    error = LoadPlugin(o.plugin, in.plugin);
    if (!error.empty()) return named + " " + error;
    error = WriteOutput("--selection-out", o.selectionOut, "");
    if (error.empty()) error = WriteOutput("--json", o.json, "");
    return error;
}

// --select-below: the vertices below the value on the axis start selected.
static void SelectBelow(FakeHost &host, const HostOptions &o)
{
    if (o.belowAxis < 0) return;
    for (size_t i = 0; i < host.points.size(); ++i) {
        const Point3f &point = host.points[i];
        const float xyz[3] = {point.x, point.y, point.z};
        host.selected[i] = xyz[o.belowAxis] < o.belowValue;
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
static int RunStatus(const vector<DriverStep> &steps)
{
    if (!g_run.opened) return Fail("the plug-in's dialog did not open, so nothing was chosen", 1);
    if (DriverTimedOut()) return Fail("the script left the dialog open, so it was cancelled", 1);
    const size_t left = DriverStepsLeft();
    if (g_stepFailed) return 1;
    if (left == 0) return 0;
    const string next = steps[steps.size() - left].source;
    return Fail("the dialog ended before " + next + " ran; steps not run: " + to_string(left), 1);
}

int wmain(int argc, wchar_t **argv)
{
    // UTF-8 with LF line ends on every system: the same bytes under Wine,
    // whose terminal and files are a Linux system's, and on Windows, whose
    // console takes LF as a line end too.
    SetConsoleOutputCP(CP_UTF8);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    vector<string> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(Utf8(argv[i]));
    }
    HostOptions o;
    const string wrong = ParseOptions(args, o);
    if (o.help) {
        fputs(kUsage, stdout);
        return 0;
    }
    if (!wrong.empty()) return Fail(wrong + " (see host.exe --help)");
    Inputs in;
    const string error = Prepare(o, in);
    if (!error.empty()) return Fail(error);

    FakeHost &host = TheHost();
    host.Reset(in.mesh.points);
    SelectBelow(host, o);
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    const int32_t bound = in.plugin.init(self);
    if (!o.quiet) PrintIdentity(in.plugin, bound);

    // A main window for the dialog to sit on, as the host's would.
    host.mainWindow =
        CreateWindowExA(0, "STATIC", "cubrik stand-in host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40,
                        40, 520, 360, nullptr, nullptr, nullptr, nullptr);
    if (!host.mainWindow)
        return Fail("the dialog cannot open: " + NoWindowReason(GetLastError()), 1);

    if (o.hasScript) ArmDialogDriver(in.steps);
    HHOOK watch = SetWindowsHookExA(WH_CBT, WatchDialog, nullptr, GetCurrentThreadId());
    g_run.before = host.SelectedCount();
    g_run.result = in.plugin.modifyObject(0, host.doc);
    DisarmDialogDriver();
    UnhookWindowsHookEx(watch);

    g_run.inside = Inside(host);
    string list;
    string lines;
    for (uint32_t i = 0; i < host.selected.size(); ++i) {
        if (!host.selected[i]) continue;
        g_run.selected.push_back(i);
        list += " " + to_string(i);
        lines += to_string(i) + "\n";
    }
    printf("%s\n", SummaryLine(g_run, in.mesh).c_str());
    if (o.list) printf("selected (%zu):%s\n", g_run.selected.size(), list.c_str());
    fflush(stdout);
    int status = RunStatus(in.steps);  // (a call the plug-in must never make exits 5)
    const string selectionOut = WriteOutput("--selection-out", o.selectionOut, lines);
    const string json = WriteOutput("--json", o.json, RunJson(g_run, in.mesh));
    if (!selectionOut.empty()) status = Fail(selectionOut);
    if (!json.empty()) status = Fail(json);
    return status;
}
