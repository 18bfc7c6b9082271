// host.exe: the stand-in host as a program. It loads a plug-in DLL the way the
// modelling host does (identity queries, MQInit with its own file name), reads
// a mesh from an OBJ file as the document's current object, runs command 0 and
// prints the resulting selection. With --script the dialog is driven by a
// script; without it the user answers the real dialog on the screen.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <set>
#include <string>

#include "host/dialog_driver.h"
#include "host/plugin_loader.h"
#include "host/standin_host.h"

static const char USAGE[] =
    "usage: host.exe PLUGIN.dll MESH.obj [--script STEPS] [--select-below x|y|z VALUE]\n"
    "                [--selection-out FILE] [--list] [--quiet]\n"
    "  Runs the plug-in's command 0 over the mesh. Without --script the dialog\n"
    "  waits for the user. STEPS: \"check 1009; type 1001 -0.25; up 1012; mode 2; ok\"\n";

// Text from the plug-in is Shift-JIS; the console reader expects UTF-8.
static std::string Utf8FromAnsi(const char *text)
{
    if (!text) return "(null)";
    wchar_t wide[512];
    int n = MultiByteToWideChar(932, 0, text, -1, wide, 512);
    if (n <= 0) return text;
    char utf8[1536];
    n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, nullptr, nullptr);
    return n > 0 ? std::string(utf8) : std::string(text);
}

static std::string g_lastDialogState;

static void RememberDialog(HWND dialog, int) { g_lastDialogState = DescribeDialog(dialog); }

int main(int argc, char **argv)
{
    if (argc < 3) {
        fputs(USAGE, stderr);
        return 2;
    }
    const char *pluginPath = argv[1], *meshPath = argv[2], *script = nullptr,
               *selectionOut = nullptr;
    bool quiet = false, list = false;
    int belowAxis = -1;  // vertices below belowValue on this axis start selected
    float belowValue = 0.0f;
    for (int i = 3; i < argc; ++i) {
        if (!strcmp(argv[i], "--script") && i + 1 < argc)
            script = argv[++i];
        else if (!strcmp(argv[i], "--selection-out") && i + 1 < argc)
            selectionOut = argv[++i];
        else if (!strcmp(argv[i], "--select-below") && i + 2 < argc &&
                 strchr("xyz", argv[i + 1][0]) && argv[i + 1][0]) {
            belowAxis = argv[i + 1][0] - 'x';
            belowValue = static_cast<float>(atof(argv[i + 2]));
            i += 2;
        } else if (!strcmp(argv[i], "--quiet"))
            quiet = true;
        else if (!strcmp(argv[i], "--list"))
            list = true;
        else {
            fputs(USAGE, stderr);
            return 2;
        }
    }

    std::vector<Point3f> points;
    if (!ReadObjVertices(meshPath, points)) {
        fprintf(stderr, "host: cannot read vertices from %s\n", meshPath);
        return 2;
    }
    ResetDocument(points);
    if (belowAxis >= 0)
        for (size_t i = 0; i < points.size(); ++i)
            TheDocument().selected[i] = (&points[i].x)[belowAxis] < belowValue;

    LoadedPlugin plugin;
    if (const char *missing = LoadPlugin(pluginPath, plugin)) {
        fprintf(stderr, "host: %s: cannot load %s (error %lu)\n", pluginPath, missing,
                GetLastError());
        return 2;
    }

    uint32_t product = 0, id = 0;
    plugin.getPlugInId(&product, &id);
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    const int32_t bound = plugin.init(self);
    if (!quiet) {
        printf("plug-in: %s\n", Utf8FromAnsi(plugin.getPlugInName()).c_str());
        printf("  version 0x%X, type %d, id %08X:%08X, command 0: %s\n", plugin.checkVersion(0),
               plugin.getPlugInType(), product, id, Utf8FromAnsi(plugin.enumString(0)).c_str());
        printf("  bound the host's functions: %s\n", bound ? "yes" : "no");
    }

    // A main window for the dialog to sit on, as the host's would.
    HWND main =
        CreateWindowExA(0, "STATIC", "cubrik stand-in host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40,
                        40, 520, 360, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    TheDocument().mainWindow = main;

    if (script) {
        std::vector<DriverStep> steps, withLook;
        std::string error;
        if (!ParseDriverScript(script, steps, error)) {
            fprintf(stderr, "host: %s\n", error.c_str());
            return 2;
        }
        // Note the dialog's state just before each step that may confirm it.
        for (const DriverStep &s : steps) {
            if ((s.action == DriverAction::Click && s.id == IDOK) || s.action == DriverAction::Key)
                withLook.push_back(DriverStep{DriverAction::Inspect, 0, 0, "", nullptr});
            withLook.push_back(s);
        }
        ArmDialogDriver(withLook, RememberDialog);
    }

    const int before = SelectedCount();
    CallLog().clear();
    const int32_t result = plugin.modifyObject(0, TheDocumentHandle());
    DisarmDialogDriver();

    std::set<int> touched;
    for (const HostCallRecord &c : CallLog())
        if (c.vertex >= 0) touched.insert(c.vertex);
    const int after = SelectedCount();
    printf("cubrik: %s -> %s; inside: %d of %d vertices; selected before: %d, after: %d; "
           "result %d\n",
           g_lastDialogState.empty() ? "(dialog state not seen)"
                                     : Utf8FromAnsi(g_lastDialogState.c_str()).c_str(),
           result ? "applied" : "nothing done", static_cast<int>(touched.size()),
           static_cast<int>(points.size()), before, after, result);

    if (list) {
        printf("selected (%d):", after);
        for (size_t i = 0; i < points.size(); ++i)
            if (TheDocument().selected[i]) printf(" %u", static_cast<unsigned>(i));
        printf("\n");
    }
    if (selectionOut) {
        FILE *out = fopen(selectionOut, "w");
        if (!out) {
            fprintf(stderr, "host: cannot write %s\n", selectionOut);
            return 2;
        }
        for (size_t i = 0; i < points.size(); ++i)
            if (TheDocument().selected[i]) fprintf(out, "%u\n", static_cast<unsigned>(i));
        fclose(out);
    }
    DestroyWindow(main);
    FreeLibrary(plugin.module);
    return UnexpectedCalls().empty() && !DriverTimedOut() ? 0 : 1;
}
