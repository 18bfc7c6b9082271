// host.exe: the stand-in host as a program. It loads a plug-in DLL the way the
// modelling host does (identity queries, MQInit with its own file name), reads
// a mesh from an OBJ file as the document's current object, runs command 0 and
// prints the resulting selection. With --script the dialog is driven by a
// script; without it the user answers the real dialog on the screen.
//
// Every mistake in what it is given (options, files, script) ends the run
// before the dialog opens, with a message naming what is wrong, and exit 2.
// A run that cannot be carried out as asked (no window can open, the dialog
// did not open, a step failed or was left over) says why and exits 1.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include <set>
#include <string>

#include "standin_host/dialog_script.h"
#include "standin_host/obj_file.h"
#include "standin_host/plugin_loader.h"
#include "standin_host/standin_host.h"

static const char USAGE[] =
    "usage: host.exe PLUGIN.dll MESH.obj [--script STEPS] [--select-below x|y|z VALUE]\n"
    "                [--selection-out FILE] [--list] [--quiet]\n"
    "  Runs the plug-in's command 0 over the mesh's \"v X Y Z\" lines (inf, nan and\n"
    "  numbers beyond a float's range are kept, and counted in the summary).\n"
    "  Without --script the dialog waits for the user.\n"
    "  STEPS, separated by \";\": up ID, down ID, type ID TEXT, set ID TEXT, click ID,\n"
    "  check ID, mode N, ok, cancel, escape, enter, close, pause MS, snapshot FILE.bmp,\n"
    "  e.g. \"check 1009; type 1001 -0.25; up 1012; mode 2; ok\". TEXT is the rest of\n"
    "  its step, blanks around it trimmed; in double quotes it keeps blanks and \";\",\n"
    "  with \\\" for a quote and \\\\ for a backslash: type 1001 \"  0.5;\". Nothing may\n"
    "  follow ok, cancel or close; a step left when the dialog has ended fails the run.\n"
    "  The summary shows a bound as typed when its box holds one number and nothing\n"
    "  else (x < 0.50), else the value used and the text as typed: x < 1 (typed \"1,5\").\n"
    "  Exit status: 0 done; 1 the run went wrong (no window could open, the dialog\n"
    "  did not open, the script left it open, a step failed or was left over); 2 a\n"
    "  mistake in the arguments, files or script, found before the dialog opens, or\n"
    "  the --selection-out file could not be written at the end.\n";

static std::string Convert(UINT codePage, const wchar_t *text)
{
    const int n = WideCharToMultiByte(codePage, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out(n, '\0');
    WideCharToMultiByte(codePage, 0, text, -1, &out[0], n, nullptr, nullptr);
    out.resize(n - 1);
    return out;
}

// Everything host.exe prints is UTF-8, on every ANSI code page: the terminal's
// under Wine, and the console's code page is set to it on Windows. The
// plug-in's identity strings are Shift-JIS whatever the system (the host's
// interface), so they are converted from code page 932, not from the ANSI
// one; the dialog's texts are read as Unicode (DescribeDialog).
static std::string Utf8(const wchar_t *text) { return Convert(CP_UTF8, text); }
static std::string Utf8FromShiftJis(const char *text)
{
    if (!text) return "(null)";
    const int n = MultiByteToWideChar(932, 0, text, -1, nullptr, 0);
    if (n <= 0) return text;
    std::wstring wide(n, L'\0');
    MultiByteToWideChar(932, 0, text, -1, &wide[0], n);
    return Utf8(wide.c_str());
}

// Under Wine the terminal and the files belong to a Linux system: lines end
// in LF there, and in CRLF on Windows itself.
static bool RunsUnderWine()
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// The command line as the user typed it, in Unicode, so that paths in any
// script reach the file functions intact. CommandLineToArgvW lives in
// shell32, loaded here rather than linked.
static std::vector<std::wstring> WideArguments()
{
    typedef LPWSTR *(WINAPI * Split)(LPCWSTR, int *);
    std::vector<std::wstring> args;
    HMODULE shell = LoadLibraryA("shell32.dll");
    Split split = shell ? reinterpret_cast<Split>(
                              reinterpret_cast<void *>(GetProcAddress(shell, "CommandLineToArgvW")))
                        : nullptr;
    int count = 0;
    LPWSTR *argv = split ? split(GetCommandLineW(), &count) : nullptr;
    for (int i = 0; argv && i < count; ++i) args.push_back(argv[i]);
    if (argv) LocalFree(argv);
    return args;
}

static int Fail(const std::string &message)
{
    fprintf(stderr, "host: %s\n", message.c_str());
    return 2;
}

static std::string Quoted(const std::wstring &text) { return "\"" + Utf8(text.c_str()) + "\""; }

// A folder given where a file belongs would otherwise surface as "Permission
// denied" or "Access denied", which sends the user looking at the rights.
static bool IsFolder(const std::wstring &path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Why no window could be opened, in the user's terms: under Wine that is
// almost always the X display (Wine itself only says so on a debug channel).
static std::string NoWindowReason(bool wine, DWORD error)
{
    if (!wine)
        return "no window can be shown on this desktop (error " + std::to_string(error) + ")";
    wchar_t display[256] = L"";
    const DWORD n = GetEnvironmentVariableW(L"DISPLAY", display, 256);
    if (n == 0 || n >= 256) return "no window can be shown: DISPLAY is not set";
    return "no window can be shown: the X display " + Quoted(display) +
           " cannot be reached (is DISPLAY right and its X server running?)";
}

// The dialog's state as it closes: the first dialog's controls, read while
// they still exist (a dialog is destroyed before its children).
static std::string g_dialogState;
static HHOOK g_watch;

static LRESULT CALLBACK WatchDialog(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT *message = reinterpret_cast<const CWPSTRUCT *>(lParam);
    if (code == HC_ACTION && message->message == WM_DESTROY && g_dialogState.empty()) {
        char cls[16] = "";
        GetClassNameA(message->hwnd, cls, sizeof cls);
        if (strcmp(cls, "#32770") == 0) g_dialogState = DescribeDialog(message->hwnd);
    }
    return CallNextHookEx(g_watch, code, wParam, lParam);
}

struct Options {
    std::wstring plugin, mesh, selectionOut;
    std::string script;
    bool hasScript = false, quiet = false, list = false;
    int belowAxis = -1;  // vertices below belowValue on this axis start selected
    float belowValue = 0.0f;
};

// "" when the arguments make a run, else what is wrong with them.
static std::string ParseOptions(const std::vector<std::wstring> &args, Options &o)
{
    std::vector<std::wstring> files;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::wstring &a = args[i];
        const bool more = i + 1 < args.size();
        if (a == L"--script" || a == L"--selection-out") {
            if (!more) return "option " + Utf8(a.c_str()) + " needs a value";
            if (a == L"--selection-out") {
                o.selectionOut = args[++i];
                continue;
            }
            BOOL lossy = FALSE;
            const std::wstring &steps = args[++i];
            const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, steps.c_str(), -1,
                                              nullptr, 0, nullptr, &lossy);
            if (lossy || n <= 0)
                return "the script holds characters the ANSI code page (" +
                       std::to_string(GetACP()) + ") cannot write";
            o.script = Convert(CP_ACP, steps.c_str());
            o.hasScript = true;
        } else if (a == L"--select-below") {
            if (i + 2 >= args.size()) return "option --select-below needs an axis and a number";
            const std::wstring &axis = args[i + 1], &value = args[i + 2];
            i += 2;
            if (axis != L"x" && axis != L"y" && axis != L"z")
                return "--select-below: the axis is x, y or z, not " + Quoted(axis);
            wchar_t *end = nullptr;
            const double v = wcstod(value.c_str(), &end);
            if (value.empty() || *end || !isfinite(v) || fabs(v) > 3.4e38)
                return "--select-below: " + Quoted(value) + " is not a finite number";
            o.belowAxis = axis[0] - L'x';
            o.belowValue = static_cast<float>(v);
        } else if (a == L"--quiet")
            o.quiet = true;
        else if (a == L"--list")
            o.list = true;
        else if (a.size() > 1 && a[0] == L'-')
            return "unknown option " + Quoted(a);
        else
            files.push_back(a);
    }
    if (files.size() != 2)
        return files.size() < 2
                   ? "a plug-in DLL and a mesh file are needed"
                   : "one plug-in and one mesh only; " + Quoted(files[2]) + " is one too many";
    o.plugin = files[0];
    o.mesh = files[1];
    return "";
}

int main()
{
    const bool wine = RunsUnderWine();
    if (wine) {
        _setmode(_fileno(stdout), _O_BINARY);
        _setmode(_fileno(stderr), _O_BINARY);
    } else {
        SetConsoleOutputCP(CP_UTF8);
    }
    const std::vector<std::wstring> args = WideArguments();
    for (size_t i = 1; i < args.size(); ++i)
        if (args[i] == L"--help" || args[i] == L"-h") {
            fputs(USAGE, stdout);
            return 0;
        }
    Options o;
    const std::string wrong = ParseOptions(args, o);
    if (!wrong.empty()) {
        fprintf(stderr, "host: %s\n%s", wrong.c_str(), USAGE);
        return 2;
    }

    std::vector<DriverStep> steps;
    std::string error;
    if (o.hasScript && !ParseDriverScript(o.script.c_str(), steps, error)) return Fail(error);

    if (IsFolder(o.mesh)) return Fail("the mesh " + Quoted(o.mesh) + " is a folder, not a file");
    std::vector<Point3f> points;
    if (!ReadObjVertices(o.mesh.c_str(), points, error))
        return Fail("mesh " + Quoted(o.mesh) + ": " + error);

    // Opened now, so that a file that cannot be written stops the run before
    // the dialog asks anything.
    FILE *selectionOut = nullptr;
    if (!o.selectionOut.empty()) {
        if (IsFolder(o.selectionOut))
            return Fail("--selection-out " + Quoted(o.selectionOut) + " is a folder, not a file");
        selectionOut = _wfopen(o.selectionOut.c_str(), wine ? L"wb" : L"w");
        if (!selectionOut)
            return Fail("--selection-out " + Quoted(o.selectionOut) +
                        ": cannot write it: " + strerror(errno));
    }

    LoadedPlugin plugin;
    if (IsFolder(o.plugin))
        return Fail("the plug-in " + Quoted(o.plugin) + " is a folder, not a file");
    const std::string why = LoadPluginExplained(o.plugin.c_str(), plugin);
    if (!why.empty()) return Fail("the plug-in " + Quoted(o.plugin) + " " + why);

    FakeHost &host = TheHost();
    host.Reset(points);
    if (o.belowAxis >= 0)
        for (size_t i = 0; i < points.size(); ++i)
            host.selected[i] = (&points[i].x)[o.belowAxis] < o.belowValue;

    uint32_t product = 0, id = 0;
    plugin.getPlugInId(&product, &id);
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    const int32_t bound = plugin.init(self);
    if (!o.quiet) {
        printf("plug-in: %s\n", Utf8FromShiftJis(plugin.getPlugInName()).c_str());
        printf("  version 0x%X, type %d, id %08X:%08X, command 0: %s\n", plugin.checkVersion(0),
               plugin.getPlugInType(), product, id, Utf8FromShiftJis(plugin.enumString(0)).c_str());
        printf("  bound the host's functions: %s\n", bound ? "yes" : "no");
        fflush(stdout);
    }

    // A main window for the dialog to sit on, as the host's would.
    HWND main =
        CreateWindowExA(0, "STATIC", "cubrik stand-in host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40,
                        40, 520, 360, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!main) {
        fprintf(stderr, "host: the dialog cannot open: %s\n",
                NoWindowReason(wine, GetLastError()).c_str());
        FreeLibrary(plugin.module);
        return 1;
    }
    host.mainWindow = main;

    if (o.hasScript) ArmDialogDriver(steps);
    g_watch = SetWindowsHookExA(WH_CALLWNDPROC, WatchDialog, nullptr, GetCurrentThreadId());

    const int before = host.SelectedCount();
    host.log.clear();
    const int32_t result = plugin.modifyObject(0, host.doc);
    DisarmDialogDriver();
    if (g_watch) UnhookWindowsHookEx(g_watch);

    std::set<int> touched;
    for (const LoggedCall &c : host.log)
        if (c.vertex >= 0) touched.insert(c.vertex);
    const int after = host.SelectedCount();
    // Vertices the walk may treat specially; named so that a surprising count
    // of those inside is not taken for a fault of the walk.
    int nonFinite = 0;
    for (const Point3f &p : points)
        if (!isfinite(p.x) || !isfinite(p.y) || !isfinite(p.z)) ++nonFinite;
    const std::string unusual =
        nonFinite ? " (" + std::to_string(nonFinite) + " with a non-finite coordinate)" : "";
    printf("cubrik: %s -> %s; inside: %d of %d vertices%s; selected before: %d, after: %d; "
           "result %d\n",
           g_dialogState.empty() ? "(the dialog did not open)" : g_dialogState.c_str(),
           result ? "applied" : "nothing done", static_cast<int>(touched.size()),
           static_cast<int>(points.size()), unusual.c_str(), before, after, result);

    if (o.list) {
        printf("selected (%d):", after);
        for (size_t i = 0; i < points.size(); ++i)
            if (host.selected[i]) printf(" %u", static_cast<unsigned>(i));
        printf("\n");
    }
    int status = host.unexpected.empty() && !DriverTimedOut() && !DriverStepFailed() ? 0 : 1;
    const size_t left = DriverStepsLeft();
    if (g_dialogState.empty()) {
        fprintf(stderr, "host: the plug-in's dialog did not open, so nothing was chosen\n");
        status = 1;
    } else if (o.hasScript && left > 0) {
        fprintf(stderr, "host: the dialog ended before %s ran (%u step%s not run)\n",
                steps[steps.size() - left].source.c_str(), static_cast<unsigned>(left),
                left == 1 ? "" : "s");
        status = 1;
    }
    if (selectionOut) {
        for (size_t i = 0; i < points.size(); ++i)
            if (host.selected[i]) fprintf(selectionOut, "%u\n", static_cast<unsigned>(i));
        if (fclose(selectionOut) != 0) {
            fprintf(stderr, "host: --selection-out %s: write failed: %s\n",
                    Quoted(o.selectionOut).c_str(), strerror(errno));
            status = 2;
        }
    }
    DestroyWindow(main);
    FreeLibrary(plugin.module);
    return status;
}
