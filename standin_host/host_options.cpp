#include <math.h>
#include <stdlib.h>
#include <strings.h>

#include "standin_host/host_core.h"

const char kUsage[] =
    "usage: host.exe PLUGIN.dll MESH.obj [--script STEPS] [--select-below x|y|z VALUE]\n"
    "                [--selection-out FILE] [--json FILE] [--list] [--quiet]\n"
    "  Runs the plug-in's command 0 over the mesh's \"v X Y Z\" lines (inf, nan and\n"
    "  numbers beyond a float's range are kept, and counted in the summary).\n"
    "  Without --script the dialog waits for the user (never on a virtual display).\n"
    "  STEPS, separated by \";\": up ID, down ID, type ID TEXT, set ID TEXT, click ID,\n"
    "  check ID, mode N, ok, cancel, escape, enter, close, pause MS, snapshot FILE.bmp,\n"
    "  e.g. \"check 1009; type 1001 -0.25; up 1012; mode 2; ok\". TEXT is the rest of\n"
    "  its step, blanks around it trimmed; in double quotes it keeps blanks and \";\",\n"
    "  with \\\" for a quote and \\\\ for a backslash: type 1001 \"  0.5;\".\n"
    "  --json FILE writes the run (bounds, operation, counts, selection, mesh) as JSON.\n"
    "  Exit status: 0 done; 1 the run went wrong (no window, no dialog, a step failed\n"
    "  or was left over); 2 a mistake in what it was given, a run for a user on a\n"
    "  virtual display, or an output file that could not be written.\n";

static std::string Quoted(const std::string &text) { return "\"" + text + "\""; }

// An option's value that is missing, or that is the next option instead.
static bool Missing(const std::vector<std::string> &args, size_t i)
{
    return i >= args.size() || args[i].compare(0, 2, "--") == 0;
}

static bool EndsWith(const std::string &name, const char *suffix)
{
    return name.size() >= 4 && strcasecmp(name.c_str() + name.size() - 4, suffix) == 0;
}

std::string ParseOptions(const std::vector<std::string> &args, HostOptions &o)
{
    for (const std::string &a : args)
        if (a == "--help" || a == "-h") {
            o.help = true;
            return "";
        }
    std::vector<std::string> files;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        std::string *value = a == "--script"          ? &o.script
                             : a == "--selection-out" ? &o.selectionOut
                             : a == "--json"          ? &o.json
                                                      : nullptr;
        if (value) {
            if (Missing(args, i + 1)) return "option " + a + " needs a value";
            *value = args[++i];
            o.hasScript = o.hasScript || value == &o.script;
        } else if (a == "--select-below") {
            if (Missing(args, i + 1) || Missing(args, i + 2))
                return "option --select-below needs an axis and a number";
            const std::string &axis = args[i + 1], &number = args[i + 2];
            i += 2;
            if (axis != "x" && axis != "y" && axis != "z")
                return "--select-below: the axis is x, y or z, not " + Quoted(axis);
            char *end = nullptr;
            const double v = strtod(number.c_str(), &end);
            if (number.empty() || *end || !isfinite(v) || fabs(v) > 3.4e38)
                return "--select-below: " + Quoted(number) + " is not a finite number";
            o.belowAxis = axis[0] - 'x';
            o.belowValue = static_cast<float>(v);
        } else if (a == "--quiet")
            o.quiet = true;
        else if (a == "--list")
            o.list = true;
        else if (a.size() > 1 && a[0] == '-')
            return "unknown option " + Quoted(a);
        else
            files.push_back(a);
    }
    if (files.size() != 2)
        return files.size() < 2
                   ? "a plug-in DLL and a mesh file are needed"
                   : "one plug-in and one mesh only; " + Quoted(files[2]) + " is one too many";
    if (EndsWith(files[0], ".obj") || EndsWith(files[1], ".dll"))
        return Quoted(files[0]) + " is given as the plug-in and " + Quoted(files[1]) +
               " as the mesh: the plug-in DLL comes first, then the mesh";
    o.plugin = files[0];
    o.mesh = files[1];
    return "";
}
