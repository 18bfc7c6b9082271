// host.exe's portable parts (host_core.h), in the order it meets them.
#include <limits.h>
#include <math.h>
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

using std::string;
using std::to_string;
using std::vector;

const char kUsage[] =
    R"(usage: host.exe PLUGIN.dll MESH.obj [--script STEPS] [--select-below x|y|z VALUE]
                [--selection-out FILE] [--json FILE] [--list] [--quiet]
  Runs the plug-in's command 0 over the mesh's "v X Y Z" lines (inf, nan and
  numbers beyond a float's range are kept, and counted in the summary).
  Without --script the dialog waits for the user (never on a virtual display).
  STEPS, separated by ";": up ID, down ID, type ID TEXT, set ID TEXT, click ID,
  check ID, mode N, ok, cancel, escape, enter, close, pause MS, snapshot FILE.bmp,
  e.g. "check 1009; type 1001 -0.25; up 1012; mode 2; ok". TEXT is the rest of
  its step, blanks around it trimmed; in double quotes it keeps blanks and ";",
  with \" for a quote and \\ for a backslash: type 1001 "  0.5;".
  --json FILE writes the run (bounds, operation, counts, selection, mesh) as JSON.
  Exit status: 0 done; 1 the run went wrong (no window, no dialog, a step failed
  or was left over); 2 a mistake in what it was given, a run for a user on a
  virtual display, or an output file that could not be written; 5 the plug-in
  called a host function it must never call.
)";

// An option's value that is missing, or that is the next option instead.
static bool Missing(const vector<string> &args, size_t i)
{
    return i >= args.size() || args[i].compare(0, 2, "--") == 0;
}

// Whether name ends in suffix, in any case: "B.DLL" ends in ".dll".
static bool EndsWith(const string &name, const char *suffix)
{
    const size_t length = strlen(suffix);
    return name.size() >= length && strcasecmp(name.c_str() + name.size() - length, suffix) == 0;
}

// Where the value of an option that takes one goes; nullptr for any other.
static string *ValueOf(const string &option, HostOptions &o)
{
    if (option == "--script") return &o.script;
    if (option == "--selection-out") return &o.selectionOut;
    if (option == "--json") return &o.json;
    return nullptr;
}

// --select-below's axis and number, which a float must hold: "" or what is
// wrong with them.
static string ReadBelow(const string &axis, const string &number, HostOptions &o)
{
    if (axis != "x" && axis != "y" && axis != "z")
        return "--select-below: the axis is x, y or z, not " + Quoted(axis);
    const string wrong = "--select-below: " + Quoted(number);
    char *end = nullptr;
    o.belowAxis = axis[0] - 'x';
    o.belowValue = strtof(number.c_str(), &end);
    if (end == number.c_str() || *end) return wrong + " is not a number";
    if (!isfinite(strtod(number.c_str(), nullptr))) return wrong + " is not a finite number";
    if (isinf(o.belowValue)) return wrong + " is beyond a float's range";
    return "";
}

// The argument at i, with the values it takes (i moves to the last of them):
// an option into o, else a file into files. "" or what is wrong.
static string ReadArgument(const vector<string> &args, size_t &i, HostOptions &o,
                           vector<string> &files)
{
    const string &a = args[i];
    if (a == "--select-below") {
        if (Missing(args, i + 1) || Missing(args, i + 2))
            return "option --select-below needs an axis and a number";
        i += 2;
        return ReadBelow(args[i - 1], args[i], o);
    }
    string *value = ValueOf(a, o);
    if (value) {
        if (Missing(args, i + 1)) return "option " + a + " needs a value";
        i += 1;
        *value = args[i];
        if (a == "--script") o.hasScript = true;
        return "";
    }
    if (a == "--quiet") {
        o.quiet = true;
        return "";
    }
    if (a == "--list") {
        o.list = true;
        return "";
    }
    if (a.size() > 1 && a[0] == '-') return "unknown option " + Quoted(a);
    files.push_back(a);
    return "";
}

// The plug-in and the mesh, from the arguments that are no option.
static string ReadFiles(const vector<string> &files, HostOptions &o)
{
    if (files.size() < 2) return "a plug-in DLL and a mesh file are needed";
    if (files.size() > 2)
        return "one plug-in and one mesh only; " + Quoted(files[2]) + " is one too many";
    if (EndsWith(files[0], ".obj") || EndsWith(files[1], ".dll"))
        return Quoted(files[0]) + " is given as the plug-in and " + Quoted(files[1]) +
               " as the mesh: the plug-in DLL comes first, then the mesh";
    o.plugin = files[0];
    o.mesh = files[1];
    return "";
}

string ParseOptions(const vector<string> &args, HostOptions &o)
{
    for (const string &a : args) {
        if (a == "--help" || a == "-h") o.help = true;
    }
    if (o.help) return "";
    vector<string> files;
    for (size_t i = 0; i < args.size(); ++i) {
        const string problem = ReadArgument(args, i, o, files);
        if (!problem.empty()) return problem;
    }
    return ReadFiles(files, o);
}

// The word at the start of rest after any blanks, moving rest past it.
static string NextWord(const char *&rest, const char *blanks)
{
    rest += strspn(rest, blanks);
    const char *start = rest;
    rest += strcspn(rest, blanks);
    return string(start, rest);
}

// The --script language: steps separated by ";", each a word of the table
// below and what the word takes (a control id, then a number or a TEXT),
// blanks being spaces, tabs and line breaks. Nothing may follow a step that
// ends the dialog.
namespace {

// The controls of a kind that steps act on: a field of kBoundIds' rows, and
// OK's and Cancel's buttons too for a click.
struct Controls {
    int BoundIds::*field;
    const char *kind;  // as a message names it
    bool buttons;
};
const Controls kSpins = {&BoundIds::spin, "a spin", false};
const Controls kEdits = {&BoundIds::edit, "an edit box", false};
const Controls kButtons = {&BoundIds::check, "a checkbox or button", true};

enum Takes { NOTHING, NUMBER, TEXT };  // after the control id, if any
enum { ID_OK = 1, ID_CANCEL = 2 };
const struct Word {
    const char *name;
    DriverAction action;
    const Controls *controls = nullptr;  // the kind of control id it takes, if any
    Takes takes = NOTHING;
    int id = 0;     // ok's and cancel's button
    int value = 0;  // escape's and enter's key
} kWords[] = {
    {"up", DriverAction::SpinUp, &kSpins},
    {"down", DriverAction::SpinDown, &kSpins},
    {"type", DriverAction::Type, &kEdits, TEXT},
    {"set", DriverAction::SetText, &kEdits, TEXT},
    {"click", DriverAction::Click, &kButtons},
    {"check", DriverAction::Click, &kButtons},
    {"mode", DriverAction::ChooseMode, nullptr, NUMBER},
    {"ok", DriverAction::Click, nullptr, NOTHING, ID_OK},
    {"cancel", DriverAction::Click, nullptr, NOTHING, ID_CANCEL},
    {"escape", DriverAction::Key, nullptr, NOTHING, 0, 0x1B},  // VK_ESCAPE
    {"enter", DriverAction::Key, nullptr, NOTHING, 0, 0x0D},   // VK_RETURN
    {"close", DriverAction::CloseBox},
    {"pause", DriverAction::Pause, nullptr, NUMBER},
    {"snapshot", DriverAction::Call, nullptr, TEXT},
};
const char kBlanks[] = " \t\r\n";

// "" when id is one of the controls, else why not, naming those it can be
// (axis by axis, lower bound then upper).
string CheckControl(const Controls &controls, int id)
{
    vector<int> ids;
    for (int row : kAxisByAxis) {
        ids.push_back(kBoundIds[row].*controls.field);
    }
    if (controls.buttons) ids.insert(ids.end(), {ID_OK, ID_CANCEL});
    string known;
    for (int each : ids) {
        if (each == id) return "";
        known += " " + to_string(each);
    }
    return to_string(id) + " is not " + controls.kind + " of the dialog (those are" + known + ")";
}

// The script cut at each ";" outside double quotes; inside them a backslash
// takes the next character along. A quote left open runs to the end.
vector<string> SplitSteps(const string &all)
{
    vector<string> parts(1);
    bool quoted = false;
    bool escaped = false;  // by a backslash inside quotes
    for (const char c : all) {
        if (c == ';' && !quoted) {
            parts.emplace_back();
            continue;
        }
        parts.back() += c;
        if (c == '"' && !escaped) quoted = !quoted;
        escaped = quoted && c == '\\' && !escaped;
    }
    return parts;
}

// text without the blanks around it.
string Trimmed(string text)
{
    text.erase(text.find_last_not_of(kBlanks) + 1);
    text.erase(0, text.find_first_not_of(kBlanks));
    return text;
}

// "" when only blanks are left at rest, else what stands after what was read.
string NothingAfter(const char *rest, const string &read)
{
    rest += strspn(rest, kBlanks);
    if (!*rest) return "";
    return "unexpected " + Quoted(rest) + " after " + read;
}

// A step's TEXT at rest, the end of its trimmed step: in quotes, where \"
// stands for a quote and \\ for a backslash (one before anything else stays:
// Windows paths need no doubling) and only blanks may follow; or else all of
// rest after the blanks. "" or what is wrong with it.
string ReadText(const char *rest, string &text)
{
    rest += strspn(rest, kBlanks);
    if (*rest != '"') {
        text = rest;
        if (!strchr(rest, '"')) return "";
        return R"(a double quote belongs inside quoted text: write "..." around the whole )"
               R"(text and \" for the quote)";
    }
    for (++rest; *rest != '"'; ++rest) {
        if (!*rest) return "the quoted text has no closing double quote";
        if (*rest == '\\' && (rest[1] == '"' || rest[1] == '\\')) ++rest;
        text += *rest;
    }
    return NothingAfter(rest + 1, "the quoted text");
}

// The whole number a step of word w takes first (a control id, or mode's or
// pause's value) into step, moving rest past it: "" or what is wrong. One
// beyond an int's range is clamped to it.
string ReadNumber(const Word &w, const char *&rest, ScriptStep &step)
{
    const string first = w.controls ? "a control id" : "a whole number";
    string takes = Quoted(w.name) + " takes " + first;
    if (w.takes == TEXT) takes += ", then the text";
    const string word = NextWord(rest, kBlanks);
    if (word.empty()) return takes;
    char *end = nullptr;
    const long number = strtol(word.c_str(), &end, 10);
    if (*end) return Quoted(word) + " is not " + first + ": " + takes;
    int *into = w.controls ? &step.id : &step.value;
    *into = static_cast<int>(std::clamp<long>(number, INT_MIN, INT_MAX));
    return "";
}

// "" when the step can act on what it took, else why not.
string CheckArguments(const Word &w, const ScriptStep &step)
{
    if (w.controls) return CheckControl(*w.controls, step.id);
    if (w.action == DriverAction::ChooseMode && (step.value < 0 || step.value > 3))
        return "the operation list has entries 0 to 3";
    if (w.action == DriverAction::Pause && (step.value < 0 || step.value > 60000))
        return "a pause lasts 0 to 60000 ms";
    if (w.action != DriverAction::Call || EndsWith(step.text, ".bmp")) return "";
    // The picture is written as BMP whatever the name says.
    const string takes = R"("snapshot" takes a file name ending in .bmp)";
    if (step.text.empty()) return takes;
    return takes + ", not " + Quoted(step.text);
}

// A step, its blanks trimmed, into step: "" or what is wrong with it.
string ReadStep(const string &text, ScriptStep &step)
{
    const char *rest = text.c_str();
    const string name = NextWord(rest, kBlanks);
    const Word *w = nullptr;
    string names;  // all of them, for a message
    for (const Word &each : kWords) {
        if (name == each.name) w = &each;
        names += string(" ") + each.name;
    }
    if (!w) return "unknown word " + Quoted(name) + " (the words:" + names + ")";
    step.action = w->action;
    step.id = w->id;
    step.value = w->value;
    string read = Quoted(name);  // the last thing read, as a message names it
    if (w->controls || w->takes == NUMBER) {
        const string problem = ReadNumber(*w, rest, step);
        if (!problem.empty()) return problem;
        read = "the number";
    }
    const string problem = w->takes == TEXT ? ReadText(rest, step.text) : NothingAfter(rest, read);
    if (!problem.empty()) return problem;
    return CheckArguments(*w, step);
}

bool EndsDialog(const ScriptStep &step)
{
    if (step.action == DriverAction::CloseBox) return true;
    return step.action == DriverAction::Click && (step.id == ID_OK || step.id == ID_CANCEL);
}

}  // namespace

bool ParseScript(const string &script, vector<ScriptStep> &steps, string &error)
{
    for (const string &part : SplitSteps(script)) {
        const string text = Trimmed(part);
        if (text.empty()) continue;  // an empty step, as after a last ";"
        ScriptStep step;
        step.source = "script step " + to_string(steps.size() + 1) + " " + Quoted(text);
        string problem = ReadStep(text, step);
        if (problem.empty() && !steps.empty() && EndsDialog(steps.back()))
            problem = "it follows " + steps.back().source + ", which ends the dialog";
        if (!problem.empty()) {
            error = step.source + ": " + problem;
            return false;
        }
        steps.push_back(step);
    }
    return true;
}

// The one OBJ reader of the project: host.exe's mesh, and the faces its
// --json hands to the picture. Coordinates read as strtof does: inf, nan and
// numbers beyond a float's range are kept. A UTF-8 byte-order mark and CRLF
// line ends are read too.
const char kObjBlanks[] = " \t";

// A "v X Y Z [more]" line's coordinates into points: "" or what is wrong
// with them (too few numbers, or text stuck to one).
static string ReadVertex(const char *text, vector<Point3f> &points)
{
    Point3f p;
    for (float *c : {&p.x, &p.y, &p.z}) {
        const string word = NextWord(text, kObjBlanks);
        char *end = nullptr;
        *c = strtof(word.c_str(), &end);
        if (end == word.c_str()) return "a vertex needs three numbers";
        const string number = word.substr(0, end - word.c_str());
        if (*end) return "unexpected " + Quoted(end) + " after the number " + Quoted(number);
    }
    points.push_back(p);
    return "";
}

// An "f A B C ..." line into the mesh, each vertex named by its number before
// any "/": 1-based, or counted back from the last vertex so far when negative.
// A line that is not three or more of those is skipped.
static void ReadFace(const char *text, ObjMesh &mesh)
{
    const long known = static_cast<long>(mesh.points.size());
    vector<uint32_t> face;
    for (string word = NextWord(text, kObjBlanks); !word.empty();
         word = NextWord(text, kObjBlanks)) {
        char *end = nullptr;
        const long n = strtol(word.c_str(), &end, 10);  // 0 when there is none
        const long index = n < 0 ? known + n : n - 1;
        if (*end && *end != '/') return;
        if (index < 0 || index >= known) return;
        face.push_back(static_cast<uint32_t>(index));
    }
    if (face.size() >= 3) mesh.faces.push_back(face);
}

bool ReadObj(const string &all, ObjMesh &mesh, string &error)
{
    std::istringstream lines(all);
    if (all.compare(0, 3, "\xEF\xBB\xBF") == 0) lines.ignore(3);  // the byte-order mark
    string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // Only the "v" and "f" lines count; normals, comments and the rest are skipped.
        const char *rest = line.c_str();
        const string kind = NextWord(rest, kObjBlanks);
        if (kind == "f") ReadFace(rest, mesh);
        if (kind != "v") continue;
        const string problem = ReadVertex(rest, mesh.points);
        if (problem.empty()) continue;
        if (line.size() > 60) line.replace(57, string::npos, "...");  // as a message quotes it
        error = "line " + to_string(number) + ": " + problem + ": " + Quoted(line);
        return false;
    }
    if (!mesh.points.empty()) return true;
    error = "holds no vertex (no line \"v X Y Z\")";
    return false;
}

// A float in the fewest digits that read back as it: "1", "0.3", "-0", "inf".
static string Shortest(float value)
{
    char text[48];
    return string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

string ShowBound(float used, const string &typed)
{
    char fixed[48];  // as "%.2f" writes it: "0.50"; "" for a value the dialog never shows
    FormatFixed2(used, fixed, sizeof fixed);
    if (typed == Shortest(used)) return typed;
    if (!typed.empty() && typed == fixed) return typed;
    return Shortest(used) + " (typed " + Quoted(typed) + ")";
}

// A bound as the summary shows it: "x < 0.50", "-0.25 < y".
static string BoundText(const UsedBound &b)
{
    const string axis(1, b.axis);
    if (b.upper) return axis + " < " + b.shown;
    return b.shown + " < " + axis;
}

// The summary's choice: "x < 0.50, -0.25 < y; 選択反転する".
static string ChoiceText(const RunRecord &run)
{
    if (!run.opened) return "(the dialog did not open)";
    string bounds;  // each after ", "
    for (const UsedBound &b : run.bounds) {
        bounds += ", " + BoundText(b);
    }
    if (bounds.empty()) bounds = ", no bound";
    return bounds.substr(2) + "; " + run.operationName;
}

string SummaryLine(const RunRecord &run, const ObjMesh &mesh)
{
    string line = "cubrik: " + ChoiceText(run) + " -> ";
    line += run.result ? "applied" : "nothing done";
    line += "; inside: " + to_string(run.inside);
    line += " of " + to_string(mesh.points.size()) + " vertices";
    // Vertices the walk may treat specially, named so that a surprising count
    // of those inside is not taken for a fault of the walk.
    size_t nonFinite = 0;
    for (const Point3f &p : mesh.points) {
        if (!isfinite(p.x) || !isfinite(p.y) || !isfinite(p.z)) nonFinite += 1;
    }
    if (nonFinite) line += " (" + to_string(nonFinite) + " with a non-finite coordinate)";
    line += "; selected before: " + to_string(run.before);
    line += ", after: " + to_string(run.selected.size());
    line += "; result " + to_string(run.result);
    return line;
}

// The --json record, written by nlohmann-json with its numbers as the floats
// they are: each in the fewest digits that read back as it, with a point or
// an exponent ("1.0", "-0.0") so that a reader takes it for a fraction; null
// if not finite. Text that is not UTF-8 is written with U+FFFD in its place.
using Json =
    nlohmann::basic_json<nlohmann::ordered_map, vector, string, bool, int64_t, uint64_t, float>;

static void to_json(Json &json, const Point3f &p) { json = {p.x, p.y, p.z}; }

static void to_json(Json &json, const UsedBound &b)
{
    json["axis"] = string(1, b.axis);
    json["side"] = b.upper ? "upper" : "lower";
    json["value"] = b.value;
    json["shown"] = b.shown;
}

string RunJson(const RunRecord &run, const ObjMesh &mesh)
{
    Json record;
    record["bounds"] = run.bounds;
    record["operation"] = run.opened ? Json(run.operation) : Json(nullptr);
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
