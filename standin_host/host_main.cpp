// host.exe, the stand-in host as a program: it loads a plug-in as the modelling
// host does, runs command 0 over an OBJ mesh and prints what happened. This is
// its Win32 side (files, code pages, the dialog); host_core.h the rest.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <set>

#include "dialog/resource_ids.h"
#include "numbers/number_text.h"
#include "standin_host/host_core.h"
#include "standin_host/standin_host.h"
#include "standin_engine/dialog_driver.h"
#include "standin_engine/wide_text.h"

// Every message of host.exe's own goes out here; returns the exit status.
static int Fail(const std::string &message, int status = 2)
{
    fprintf(stderr, "host: %s\n", message.c_str());
    return status;
}

// "" or, for a folder given where a file belongs, a message that says so: the
// system's "Access denied" would send the user looking at the rights.
static std::string IfFolder(const std::string &what, const std::string &path)
{
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return "";
    return what + " " + Quoted(path) + " is a folder, not a file";
}

static std::string ReadMesh(const std::string &path, ObjMesh &mesh)
{
    if (const std::string folder = IfFolder("the mesh", path); !folder.empty()) return folder;
    std::string bytes, error;
    if (FILE *file = _wfopen(Widen(path).c_str(), L"rb")) {
        char block[65536];
        for (size_t got; (got = fread(block, 1, sizeof block, file)) > 0;) bytes.append(block, got);
        if (ferror(file)) error = "read error";
        fclose(file);
    } else {
        error = strerror(errno);
    }
    return error.empty() && ReadObj(bytes, mesh, error) ? ""
                                                        : "mesh " + Quoted(path) + ": " + error;
}

// An output file is opened before the dialog asks anything, so that one that
// cannot be written stops the run first ("" or why not), and written once the
// command has run (0, or 2 when that failed).
static std::string OpenOutput(const char *option, const std::string &path, const wchar_t *mode,
                              FILE *&file)
{
    const std::string folder = path.empty() ? "" : IfFolder(option, path);
    if (path.empty() || !folder.empty()) return folder;
    file = _wfopen(Widen(path).c_str(), mode);
    return file ? "" : option + (" " + Quoted(path)) + ": cannot write it: " + strerror(errno);
}
static int CloseOutput(const char *option, const std::string &path, FILE *file,
                       const std::string &text)
{
    if (!file) return 0;
    const bool failed = fputs(text.c_str(), file) < 0;
    if (fclose(file) == 0 && !failed) return 0;
    return Fail(option + (" " + Quoted(path)) + ": write failed: " + strerror(errno));
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

// The window as the screen shows it, frame included, as a 24-bit BMP file.
static bool SaveBitmap(HWND window, const std::wstring &path)
{
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RECT r;
    GetWindowRect(window, &r);
    BITMAPINFOHEADER info = {
        sizeof info, r.right - r.left, r.bottom - r.top, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    const DWORD bytes = (info.biWidth * 3 + 3) / 4 * 4 * info.biHeight;  // rows of 4-byte multiples
    const DWORD headers = sizeof(BITMAPFILEHEADER) + sizeof info;
    const BITMAPFILEHEADER file = {0x4D42 /* "BM" */, headers + bytes, 0, 0, headers};
    HDC source = GetWindowDC(window), memory = CreateCompatibleDC(source);
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, reinterpret_cast<BITMAPINFO *>(&info), DIB_RGB_COLORS,
                                      &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, info.biWidth, info.biHeight, source, 0, 0, SRCCOPY);
    GdiFlush();
    FILE *out = _wfopen(path.c_str(), L"wb");
    bool ok = out && fwrite(&file, sizeof file, 1, out) == 1 &&
              fwrite(&info, sizeof info, 1, out) == 1 && fwrite(bits, bytes, 1, out) == 1;
    if (out) ok = fclose(out) == 0 && ok;
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, source);
    return ok;
}

// The script's steps for the dialog driver, their texts typed through the
// ANSI code page as a user's keys would be: "" or what is wrong.
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
    for (const ScriptStep &s : parsed) {
        steps.push_back(Step(s.action, s.id, s.value, Narrow(Widen(s.text), CP_ACP).c_str()));
        steps.back().source = s.source;
        if (s.action == DriverAction::Call)
            steps.back().call = [s](HWND dialog) {
                if (SaveBitmap(dialog, Widen(s.text))) return;
                Fail(s.source + ": cannot write " + s.text + ": " + strerror(errno));
                FailDriverStep();
            };
    }
    return "";
}

// The run, with the dialog's choice read as it closes, while its controls
// still exist (a dialog goes before its children): each bound that is on,
// with the value the command read (ScanNumber of the box's ANSI text, as a
// float) and its text as typed, read as Unicode (the same on every code page).
static RunRecord g_run;
static HHOOK g_watch;

static LRESULT CALLBACK WatchDialog(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT &message = *reinterpret_cast<const CWPSTRUCT *>(lParam);
    const HWND dialog = message.hwnd;
    char cls[16] = "";
    if (code != HC_ACTION || message.message != WM_DESTROY || g_run.opened ||
        !GetClassNameA(dialog, cls, sizeof cls) || strcmp(cls, "#32770") != 0)
        return CallNextHookEx(g_watch, code, wParam, lParam);
    g_run.opened = true;
    for (int row : kAxisByAxis) {
        const BoundIds &b = kBoundIds[row];
        if (SendDlgItemMessageA(dialog, b.check, BM_GETCHECK, 0, 0) != BST_CHECKED) continue;
        char ansi[EDIT_TEXT_BUFFER] = "";
        GetDlgItemTextA(dialog, b.edit, ansi, sizeof ansi);
        wchar_t typed[256] = L"";
        GetDlgItemTextW(dialog, b.edit, typed, 256);
        const float used = static_cast<float>(ScanNumber(ansi));
        g_run.bounds.push_back({"xyz"[row % 3], row >= 3, used, ShowBound(used, Utf8(typed))});
    }
    wchar_t mode[128] = L"";
    GetDlgItemTextW(dialog, IDC_MODE_COMBO, mode, 128);
    g_run.operationName = Utf8(mode);
    g_run.operation =
        static_cast<int>(SendDlgItemMessageW(dialog, IDC_MODE_COMBO, CB_GETCURSEL, 0, 0));
    return CallNextHookEx(g_watch, code, wParam, lParam);
}

// host.exe prints UTF-8 on every code page; the plug-in's identity strings are
// Shift-JIS whatever the system (the host's interface), not ANSI text.
static std::string FromShiftJis(const char *text)
{
    return text ? Utf8(Widen(text, 932)) : "(null)";
}

int wmain(int argc, wchar_t **argv)
{
    // Under Wine the terminal and the files belong to a Linux system: lines
    // end in LF there, and in CRLF on Windows itself.
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    const bool wine = ntdll && GetProcAddress(ntdll, "wine_get_version");
    if (wine) {
        _setmode(_fileno(stdout), _O_BINARY);
        _setmode(_fileno(stderr), _O_BINARY);
    } else {
        SetConsoleOutputCP(CP_UTF8);
    }
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(Utf8(argv[i]));
    HostOptions o;
    std::string error = ParseOptions(args, o);
    if (o.help) {
        fputs(kUsage, stdout);
        return 0;
    }
    if (!error.empty()) {
        fprintf(stderr, "host: %s\n%s", error.c_str(), kUsage);
        return 2;
    }
    // The wrapper says when it made the display itself: nobody sees that one.
    const char *virtualDisplay = getenv("CUBRIK_VIRTUAL_DISPLAY");
    if (!o.hasScript && virtualDisplay && strcmp(virtualDisplay, "1") == 0)
        return Fail("host.exe is interactive (without --script its dialog waits for you), but "
                    "nobody can see the virtual display it would open on: it needs a display. Run "
                    "it in a desktop session, or give it a --script");

    std::vector<DriverStep> steps;
    ObjMesh mesh;
    FILE *selectionOut = nullptr, *json = nullptr;
    LoadedPlugin plugin;
    if ((o.hasScript && !(error = DriverSteps(o.script, steps)).empty()) ||
        !(error = ReadMesh(o.mesh, mesh)).empty() ||
        !(error = OpenOutput("--selection-out", o.selectionOut, wine ? L"wb" : L"w", selectionOut))
             .empty() ||
        !(error = OpenOutput("--json", o.json, L"wb", json)).empty() ||
        !(error = IfFolder("the plug-in", o.plugin)).empty())
        return Fail(error);
    if (!(error = LoadPlugin(o.plugin, plugin)).empty())
        return Fail("the plug-in " + Quoted(o.plugin) + " " + error);

    FakeHost &host = TheHost();
    host.Reset(mesh.points);
    if (o.belowAxis >= 0)
        for (size_t i = 0; i < mesh.points.size(); ++i)
            host.selected[i] = (&mesh.points[i].x)[o.belowAxis] < o.belowValue;

    uint32_t product = 0, id = 0;
    plugin.getPlugInId(&product, &id);
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    const int32_t bound = plugin.init(self);
    if (!o.quiet) {
        printf("plug-in: %s\n", FromShiftJis(plugin.getPlugInName()).c_str());
        printf("  version 0x%X, type %d, id %08X:%08X, command 0: %s\n", plugin.checkVersion(0),
               plugin.getPlugInType(), product, id, FromShiftJis(plugin.enumString(0)).c_str());
        printf("  bound the host's functions: %s\n", bound ? "yes" : "no");
        fflush(stdout);
    }

    // A main window for the dialog to sit on, as the host's would.
    HWND main =
        CreateWindowExA(0, "STATIC", "cubrik stand-in host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40,
                        40, 520, 360, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!main) {
        const DWORD error = GetLastError();
        FreeLibrary(plugin.module);
        return Fail("the dialog cannot open: " + NoWindowReason(wine, error), 1);
    }
    host.mainWindow = main;

    if (o.hasScript) ArmDialogDriver(steps);
    g_watch = SetWindowsHookExA(WH_CALLWNDPROC, WatchDialog, nullptr, GetCurrentThreadId());
    RunRecord &run = g_run;
    run.before = host.SelectedCount();
    host.log.clear();
    run.result = plugin.modifyObject(0, host.doc);
    DisarmDialogDriver();
    if (g_watch) UnhookWindowsHookEx(g_watch);

    std::set<int> touched;
    for (const LoggedCall &c : host.log)
        if (c.vertex >= 0) touched.insert(c.vertex);
    run.inside = static_cast<int>(touched.size());
    std::string list, lines;
    for (uint32_t i = 0; i < mesh.points.size(); ++i)
        if (host.selected[i]) {
            run.selected.push_back(i);
            list += " " + std::to_string(i), lines += std::to_string(i) + "\n";
        }
    printf("%s\n", SummaryLine(run, mesh).c_str());
    if (o.list)
        printf("selected (%u):%s\n", static_cast<unsigned>(run.selected.size()), list.c_str());
    int status = !DriverTimedOut() && !DriverStepFailed() ? 0 : 1;  // (a wrong call exits 5)
    const size_t left = DriverStepsLeft();
    if (!run.opened)
        status = Fail("the plug-in's dialog did not open, so nothing was chosen", 1);
    else if (o.hasScript && left > 0)
        status = Fail("the dialog ended before " + steps[steps.size() - left].source + " ran (" +
                          std::to_string(left) + " step" + (left == 1 ? "" : "s") + " not run)",
                      1);
    if (CloseOutput("--selection-out", o.selectionOut, selectionOut, lines)) status = 2;
    if (CloseOutput("--json", o.json, json, RunJson(run, mesh))) status = 2;
    DestroyWindow(main);
    FreeLibrary(plugin.module);
    return status;
}
