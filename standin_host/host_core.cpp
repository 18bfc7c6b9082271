// host.exe's portable parts (host_core.h), in the order it meets them.
#include <limits.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include <algorithm>
#include <charconv>
#include <sstream>

#include <nlohmann/json.hpp>

#include "dialog/resource_ids.h"
#include "numbers/number_text.h"
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

// An option's value that is missing, or that is the next option instead.
static bool Missing(const std::vector<std::string> &args, size_t i)
{
    return i >= args.size() || args[i].compare(0, 2, "--") == 0;
}

static bool EndsWith(const std::string &name, const char *suffix)  // of 4 letters, any case
{
    return name.size() >= 4 && strcasecmp(name.c_str() + name.size() - 4, suffix) == 0;
}

std::string ParseOptions(const std::vector<std::string> &args, HostOptions &o)
{
    o.help =
        std::count(args.begin(), args.end(), "--help") + std::count(args.begin(), args.end(), "-h");
    if (o.help) return "";
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
        } else if (a == "--quiet" || a == "--list")
            (a == "--quiet" ? o.quiet : o.list) = true;
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

// The --script language: steps separated by ";", each a word of the table
// below and what the word takes (a control, a number, a TEXT), blanks being
// spaces, tabs and line breaks. Nothing may follow a step that ends the dialog.
namespace {

enum Takes { NOTHING, CONTROL, CONTROL_AND_TEXT, NUMBER, TEXT };
const struct Word {
    const char *word;
    DriverAction action;
    Takes takes;
    int id, value;  // ok's button, escape's key
} kWords[] = {
    {"up", DriverAction::SpinUp, CONTROL, 0, 0},
    {"down", DriverAction::SpinDown, CONTROL, 0, 0},
    {"type", DriverAction::Type, CONTROL_AND_TEXT, 0, 0},
    {"set", DriverAction::SetText, CONTROL_AND_TEXT, 0, 0},
    {"click", DriverAction::Click, CONTROL, 0, 0},
    {"check", DriverAction::Click, CONTROL, 0, 0},
    {"mode", DriverAction::ChooseMode, NUMBER, 0, 0},
    {"ok", DriverAction::Click, NOTHING, 1, 0},       // IDOK
    {"cancel", DriverAction::Click, NOTHING, 2, 0},   // IDCANCEL
    {"escape", DriverAction::Key, NOTHING, 0, 0x1B},  // VK_ESCAPE
    {"enter", DriverAction::Key, NOTHING, 0, 0x0D},   // VK_RETURN
    {"close", DriverAction::CloseBox, NOTHING, 0, 0},
    {"pause", DriverAction::Pause, NUMBER, 0, 0},
    {"snapshot", DriverAction::Call, TEXT, 0, 0},
};
enum { MODE_COUNT = 4, LONGEST_PAUSE_MS = 60000 };
const char kBlanks[] = " \t\r\n";

// "" when the action can act on control id, else why not, with the numbers
// it can: axis by axis, lower bound then upper, and OK and Cancel for a click.
std::string CheckControl(DriverAction action, int id)
{
    const bool click = action == DriverAction::Click;
    const bool edit = action == DriverAction::Type || action == DriverAction::SetText;
    std::string known;
    for (int row : kAxisByAxis) {
        const BoundIds &b = kBoundIds[row];
        known += " " + std::to_string(click ? b.check : edit ? b.edit : b.spin);
    }
    if (click) known += " 1 2";
    if ((known + " ").find(" " + std::to_string(id) + " ") != std::string::npos) return "";
    return std::to_string(id) + " is not " +
           (click  ? "a checkbox or button"
            : edit ? "an edit box"
                   : "a spin") +
           " of the dialog (those are" + known + ")";
}

// The script cut at each ";" outside double quotes; inside them a backslash
// takes the next character along. A quote left open runs to the end.
std::vector<std::string> SplitSteps(const std::string &all)
{
    std::vector<std::string> parts(1);
    bool quoted = false;
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i] == ';' && !quoted) {
            parts.emplace_back();
            continue;
        }
        parts.back() += all[i];
        if (all[i] == '"') quoted = !quoted;
        if (quoted && all[i] == '\\' && i + 1 < all.size()) parts.back() += all[++i];
    }
    return parts;
}

// A step's TEXT from rest: the rest of the step, the blanks around it trimmed;
// or in double quotes, keeping blanks and ";", with \" for a quote and \\ for
// a backslash (one before anything else stays: Windows paths need no
// doubling). "" or what is wrong with it.
std::string ReadText(const char *rest, std::string &text)
{
    rest += strspn(rest, kBlanks);
    if (*rest != '"') {
        text = rest;
        text.erase(text.find_last_not_of(kBlanks) + 1);
        return text.find('"') == std::string::npos
                   ? ""
                   : "a double quote belongs inside quoted text: write \"...\" around the whole "
                     "text and \\\" for the quote";
    }
    const char *p = rest + 1;
    for (; *p && *p != '"'; ++p) text += *p == '\\' && (p[1] == '"' || p[1] == '\\') ? *++p : *p;
    if (!*p) return "the quoted text has no closing double quote";
    p += 1 + strspn(p + 1, kBlanks);
    return *p ? "unexpected \"" + std::string(p) + "\" after the quoted text" : "";
}

// The step of word w with its arguments at rest: "" or what is wrong.
std::string ReadStep(const Word &w, const char *rest, ScriptStep &step)
{
    step.action = w.action, step.id = w.id, step.value = w.value;
    std::string after = Quoted(w.word);
    if (w.takes != NOTHING && w.takes != TEXT) {
        char *end = nullptr;
        const long n = strtol(rest, &end, 10);
        if (end == rest) return "a number must follow " + after;
        rest = end, after = "the number";
        (w.takes == NUMBER ? step.value : step.id) =
            static_cast<int>(std::clamp<long>(n, INT_MIN, INT_MAX));
    }
    if (w.takes == CONTROL_AND_TEXT || w.takes == TEXT) {
        if (const std::string wrong = ReadText(rest, step.text); !wrong.empty()) return wrong;
        if (w.takes == TEXT && step.text.empty()) return "snapshot needs a file name";
    } else if (rest[strspn(rest, kBlanks)]) {
        return "unexpected " + Quoted(rest + strspn(rest, kBlanks)) + " after " + after;
    }
    if (w.takes == CONTROL || w.takes == CONTROL_AND_TEXT) return CheckControl(w.action, step.id);
    if (w.action == DriverAction::ChooseMode && (step.value < 0 || step.value >= MODE_COUNT))
        return "the operation list has entries 0 to " + std::to_string(MODE_COUNT - 1);
    if (w.action == DriverAction::Pause && (step.value < 0 || step.value > LONGEST_PAUSE_MS))
        return "a pause lasts 0 to " + std::to_string(LONGEST_PAUSE_MS) + " ms";
    return "";
}

}  // namespace

bool ParseScript(const std::string &script, std::vector<ScriptStep> &steps, std::string &error)
{
    steps.clear();
    std::string endedBy, words;  // the step that ends the dialog, once there is one
    for (const Word &w : kWords) words += std::string(" ") + w.word;
    for (const std::string &part : SplitSteps(script)) {
        const size_t first = part.find_first_not_of(kBlanks);
        if (first == std::string::npos) continue;  // an empty step, as after a last ";"
        const size_t wordEnd = std::min(part.find_first_of(kBlanks, first), part.size());
        const std::string word = part.substr(first, wordEnd - first);
        ScriptStep step;
        step.source = "script step " + std::to_string(steps.size() + 1) + " \"" +
                      part.substr(first, part.find_last_not_of(kBlanks) + 1 - first) + "\"";
        const Word *w = std::find_if(std::begin(kWords), std::end(kWords),
                                     [&](const Word &known) { return word == known.word; });
        std::string problem = w == std::end(kWords)
                                  ? "unknown word \"" + word + "\" (the words:" + words + ")"
                                  : ReadStep(*w, part.c_str() + wordEnd, step);
        if (problem.empty() && !endedBy.empty())
            problem = "it follows " + endedBy + ", which ends the dialog";
        if (!problem.empty()) {
            error = step.source + ": " + problem;
            return false;
        }
        if (step.action == DriverAction::CloseBox ||
            (step.action == DriverAction::Click && (step.id == 1 || step.id == 2)))
            endedBy = step.source;
        steps.push_back(step);
    }
    return true;
}

// The one OBJ reader of the project: host.exe's mesh, and the faces its
// --json hands to the picture. Coordinates read as strtof does: inf, nan and
// numbers beyond a float's range are kept. A UTF-8 byte-order mark and CRLF
// line ends are read too.

// A "v X Y Z [more]" line's coordinates: "" or what is wrong with them (too
// few numbers, or text stuck to one).
static std::string ReadVertex(const char *text, Point3f &p)
{
    for (float *c : {&p.x, &p.y, &p.z}) {
        char *end = nullptr;
        *c = strtof(text, &end);
        if (end == text) return "a vertex needs three numbers";
        if (*end && *end != ' ' && *end != '\t') {
            const char *number = text + strspn(text, " \t");
            return "unexpected \"" + std::string(end, strcspn(end, " \t")) +
                   "\" after the number \"" + std::string(number, end - number) + "\"";
        }
        text = end;
    }
    return "";
}

// An "f A B C ..." line's vertices, each token's number before its first "/",
// 1-based or counted back from the last of the known vertices when negative;
// false for a line that is not three or more of them (it is skipped).
static bool ReadFace(const char *text, size_t known, std::vector<uint32_t> &face)
{
    face.clear();
    for (text += strspn(text, " \t"); *text; text += strspn(text, " \t")) {
        char *end = nullptr;
        const long n = strtol(text, &end, 10);
        const long index = n < 0 ? static_cast<long>(known) + n : n - 1;
        if (end == text || (*end && !strchr("/ \t", *end)) || n == 0 || index < 0 ||
            index >= static_cast<long>(known))
            return false;
        face.push_back(static_cast<uint32_t>(index));
        text = end + strcspn(end, " \t");
    }
    return face.size() >= 3;
}

bool ReadObj(const std::string &all, ObjMesh &mesh, std::string &error)
{
    mesh = ObjMesh();
    std::istringstream lines(all.compare(0, 3, "\xEF\xBB\xBF") ? all : all.substr(3));  // a BOM
    std::vector<uint32_t> face;
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t first = line.find_first_not_of(" \t");
        if (first == line.npos || first + 1 >= line.size() ||
            (line[first + 1] != ' ' && line[first + 1] != '\t'))
            continue;  // no "v" or "f" line: normals, comments and the rest
        const char *rest = line.c_str() + first + 1;
        if (line[first] == 'f' && ReadFace(rest, mesh.points.size(), face))
            mesh.faces.push_back(face);
        if (line[first] != 'v') continue;
        Point3f p;
        const std::string problem = ReadVertex(rest, p);
        if (!problem.empty()) {
            if (line.size() > 60) line = line.substr(0, 57) + "...";
            error = "line " + std::to_string(number) + ": " + problem + ": \"" + line + "\"";
            return false;
        }
        mesh.points.push_back(p);
    }
    if (mesh.points.empty()) error = "holds no vertex (no line \"v X Y Z\")";
    return !mesh.points.empty();
}

// A float in the fewest digits that read back as it: "1", "0.3", "-0", "inf".
static std::string Shortest(float value)
{
    char text[48];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

std::string ShowBound(float used, const std::string &typed)
{
    char fixed[48];
    if ((FormatFixed2(used, fixed, sizeof fixed) >= 0 && typed == fixed) || typed == Shortest(used))
        return typed;
    return Shortest(used) + " (typed \"" + typed + "\")";
}

std::string SummaryLine(const RunRecord &run, const ObjMesh &mesh)
{
    std::string choice;
    for (const UsedBound &b : run.bounds)
        choice += (choice.empty() ? "" : ", ") +
                  (b.upper ? b.axis + (" < " + b.shown) : b.shown + " < " + b.axis);
    choice = !run.opened ? "(the dialog did not open)"
                         : (choice.empty() ? "no bound" : choice) + "; " + run.operationName;
    // Vertices the walk may treat specially; named so that a surprising count
    // of those inside is not taken for a fault of the walk.
    const auto nonFinite = std::count_if(mesh.points.begin(), mesh.points.end(), [](Point3f p) {
        return !isfinite(p.x) || !isfinite(p.y) || !isfinite(p.z);
    });
    return "cubrik: " + choice + " -> " + (run.result ? "applied" : "nothing done") +
           "; inside: " + std::to_string(run.inside) + " of " + std::to_string(mesh.points.size()) +
           " vertices" +
           (nonFinite ? " (" + std::to_string(nonFinite) + " with a non-finite coordinate)" : "") +
           "; selected before: " + std::to_string(run.before) +
           ", after: " + std::to_string(run.selected.size()) + "; result " +
           std::to_string(run.result);
}

// The --json record, written by nlohmann-json with its numbers as the floats
// they are: each in the fewest digits that read back as it, with a point or
// an exponent ("1.0", "-0.0") so that a reader takes it for a fraction; null
// if not finite. Text that is not UTF-8 is written with U+FFFD in its place.
using Json = nlohmann::basic_json<nlohmann::ordered_map, std::vector, std::string, bool, int64_t,
                                  uint64_t, float>;

static void to_json(Json &json, const Point3f &p) { json = {p.x, p.y, p.z}; }

static void to_json(Json &json, const UsedBound &b)
{
    json["axis"] = std::string(1, b.axis);
    json["side"] = b.upper ? "upper" : "lower";
    json["value"] = b.value;
    json["shown"] = b.shown;
}

std::string RunJson(const RunRecord &run, const ObjMesh &mesh)
{
    Json record;
    record["bounds"] = run.bounds;
    record["operation"] = nullptr;
    if (run.opened) record["operation"] = run.operation;
    record["operation_name"] = run.operationName;
    record["applied"] = run.result != 0;
    record["inside"] = run.inside;
    record["vertices"] = mesh.points.size();
    record["before"] = run.before;
    record["after"] = run.selected.size();
    record["selected"] = run.selected;
    record["points"] = mesh.points;
    record["faces"] = mesh.faces;
    return record.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}
