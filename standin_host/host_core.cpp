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
using std::vector;

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
static bool Missing(const vector<string> &args, size_t i)
{
    if (i >= args.size()) return true;
    return args[i].compare(0, 2, "--") == 0;
}

// Whether name ends in suffix, in any case: "B.DLL" ends in ".dll".
static bool EndsWith(const string &name, const string &suffix)
{
    if (name.size() < suffix.size()) return false;
    return strcasecmp(name.c_str() + name.size() - suffix.size(), suffix.c_str()) == 0;
}

static bool AsksForHelp(const vector<string> &args)
{
    for (const string &a : args) {
        if (a == "--help" || a == "-h") return true;
    }
    return false;
}

// Where the value of an option that takes one goes; nullptr for any other.
static string *ValueOf(const string &option, HostOptions &o)
{
    if (option == "--script") return &o.script;
    if (option == "--selection-out") return &o.selectionOut;
    if (option == "--json") return &o.json;
    return nullptr;
}

// "" for a number a float holds, else what is wrong with it.
static string CheckBelowValue(const string &number)
{
    char *end = nullptr;
    const double value = strtod(number.c_str(), &end);
    if (end == number.c_str() || *end) return " is not a number";
    if (!isfinite(value)) return " is not a finite number";
    if (isinf(strtof(number.c_str(), nullptr))) return " is beyond a float's range";
    return "";
}

// --select-below's axis and number: "" or what is wrong with them.
static string ReadBelow(const string &axis, const string &number, HostOptions &o)
{
    if (axis != "x" && axis != "y" && axis != "z")
        return "--select-below: the axis is x, y or z, not " + Quoted(axis);
    const string problem = CheckBelowValue(number);
    if (!problem.empty()) return "--select-below: " + Quoted(number) + problem;
    o.belowAxis = axis[0] - 'x';
    o.belowValue = strtof(number.c_str(), nullptr);
    return "";
}

// The argument at i, with the values it takes (i moves to the last of them):
// an option into o, else a file into files. "" or what is wrong.
static string ReadArgument(const vector<string> &args, size_t &i, HostOptions &o,
                           vector<string> &files)
{
    const string &a = args[i];
    string *value = ValueOf(a, o);
    if (value) {
        if (Missing(args, i + 1)) return "option " + a + " needs a value";
        i += 1;
        *value = args[i];
        if (a == "--script") o.hasScript = true;
        return "";
    }
    if (a == "--select-below") {
        if (Missing(args, i + 1) || Missing(args, i + 2))
            return "option --select-below needs an axis and a number";
        i += 2;
        return ReadBelow(args[i - 1], args[i], o);
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
    o.help = AsksForHelp(args);
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
    const size_t length = strcspn(rest, blanks);
    const string word(rest, length);
    rest += length;
    return word;
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
enum { ID_OK = 1, ID_CANCEL = 2, VK_RETURN_KEY = 0x0D, VK_ESCAPE_KEY = 0x1B };
const struct Word {
    const char *word;
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
    {"escape", DriverAction::Key, nullptr, NOTHING, 0, VK_ESCAPE_KEY},
    {"enter", DriverAction::Key, nullptr, NOTHING, 0, VK_RETURN_KEY},
    {"close", DriverAction::CloseBox},
    {"pause", DriverAction::Pause, nullptr, NUMBER},
    {"snapshot", DriverAction::Call, nullptr, TEXT},
};
enum { MODE_COUNT = 4, LONGEST_PAUSE_MS = 60000 };
const char kBlanks[] = " \t\r\n";

// The ids of the controls of a kind, axis by axis, lower bound then upper.
vector<int> IdsOf(const Controls &controls)
{
    vector<int> ids;
    for (int row : kAxisByAxis) {
        ids.push_back(kBoundIds[row].*controls.field);
    }
    if (controls.buttons) {
        ids.push_back(ID_OK);
        ids.push_back(ID_CANCEL);
    }
    return ids;
}

// "" when id is one of the controls, else why not, naming those it can be.
string CheckControl(const Controls &controls, int id)
{
    const vector<int> ids = IdsOf(controls);
    if (std::find(ids.begin(), ids.end(), id) != ids.end()) return "";
    string known;
    for (int each : ids) {
        known += " " + std::to_string(each);
    }
    return std::to_string(id) + " is not " + controls.kind + " of the dialog (those are" + known +
           ")";
}

// The script cut at each ";" outside double quotes; inside them a backslash
// takes the next character along. A quote left open runs to the end.
vector<string> SplitSteps(const string &all)
{
    vector<string> parts(1);
    bool quoted = false;
    for (size_t i = 0; i < all.size(); ++i) {
        const char c = all[i];
        if (c == ';' && !quoted) {
            parts.emplace_back();
            continue;
        }
        parts.back() += c;
        if (c == '"') quoted = !quoted;
        if (quoted && c == '\\' && i + 1 < all.size()) {
            i += 1;
            parts.back() += all[i];
        }
    }
    return parts;
}

// TEXT in quotes, from after the opening one: \" stands for a quote, \\ for
// a backslash (one before anything else stays: Windows paths need no
// doubling), and only blanks may follow the closing quote.
string ReadQuotedText(const char *p, string &text)
{
    for (; *p != '"'; ++p) {
        if (!*p) return "the quoted text has no closing double quote";
        if (*p == '\\' && (p[1] == '"' || p[1] == '\\')) ++p;
        text += *p;
    }
    const char *after = p + 1 + strspn(p + 1, kBlanks);
    if (*after) return "unexpected " + Quoted(after) + " after the quoted text";
    return "";
}

// A step's TEXT from rest: quoted, or else the rest of the step with the
// blanks around it trimmed. "" or what is wrong with it.
string ReadText(const char *rest, string &text)
{
    rest += strspn(rest, kBlanks);
    if (*rest == '"') return ReadQuotedText(rest + 1, text);
    text = rest;
    text.erase(text.find_last_not_of(kBlanks) + 1);
    if (text.find('"') == string::npos) return "";
    return "a double quote belongs inside quoted text: write \"...\" around the whole text and "
           "\\\" for the quote";
}

// What a step of word w takes first: "a control id", "a whole number".
string FirstTaken(const Word &w)
{
    if (w.controls) return "a control id";
    return "a whole number";
}

// What a step of word w takes, as a message says it: "type" takes a
// control id, then the text.
string WhatItTakes(const Word &w)
{
    string what = Quoted(w.word) + " takes " + FirstTaken(w);
    if (w.controls && w.takes == TEXT) what += ", then the text";
    return what;
}

// A whole number that stands alone ("12", not "12x" or "0.5"), one beyond
// an int's range clamped to it.
bool ReadWhole(const string &word, int &number)
{
    char *end = nullptr;
    const long n = strtol(word.c_str(), &end, 10);
    if (word.empty() || *end) return false;
    number = static_cast<int>(std::clamp<long>(n, INT_MIN, INT_MAX));
    return true;
}

// The number a step of word w takes first (a control id, or mode's or
// pause's value) into step, moving rest past it: "" or what is wrong.
string ReadNumber(const Word &w, const char *&rest, ScriptStep &step)
{
    const string word = NextWord(rest, kBlanks);
    if (word.empty()) return WhatItTakes(w);
    int number = 0;
    if (!ReadWhole(word, number))
        return Quoted(word) + " is not " + FirstTaken(w) + ": " + WhatItTakes(w);
    if (w.controls) {
        step.id = number;
    } else {
        step.value = number;
    }
    return "";
}

// The arguments of a step of word w at rest: "" or what is wrong with them.
string ReadArguments(const Word &w, const char *rest, ScriptStep &step)
{
    string after = Quoted(w.word);  // the last thing read, as a message names it
    if (w.controls || w.takes == NUMBER) {
        const string problem = ReadNumber(w, rest, step);
        if (!problem.empty()) return problem;
        after = "the number";
    }
    if (w.takes == TEXT) return ReadText(rest, step.text);
    rest += strspn(rest, kBlanks);
    if (*rest) return "unexpected " + Quoted(rest) + " after " + after;
    return "";
}

// A snapshot's file: "" for a .bmp file's name, else what is wrong (the
// picture is written as BMP whatever the name says).
string CheckPictureName(const Word &w, const string &name)
{
    if (EndsWith(name, ".bmp")) return "";
    const string what = Quoted(w.word) + " takes a file name ending in .bmp";
    if (name.empty()) return what;
    return what + ", not " + Quoted(name);
}

bool InRange(int value, int lowest, int highest) { return value >= lowest && value <= highest; }

// "" when the step can act on what it took, else why not.
string CheckArguments(const Word &w, const ScriptStep &step)
{
    if (w.controls) return CheckControl(*w.controls, step.id);
    if (w.action == DriverAction::Call) return CheckPictureName(w, step.text);
    if (w.action == DriverAction::ChooseMode && !InRange(step.value, 0, MODE_COUNT - 1))
        return "the operation list has entries 0 to " + std::to_string(MODE_COUNT - 1);
    if (w.action == DriverAction::Pause && !InRange(step.value, 0, LONGEST_PAUSE_MS))
        return "a pause lasts 0 to " + std::to_string(LONGEST_PAUSE_MS) + " ms";
    return "";
}

const Word *FindWord(const string &word)
{
    for (const Word &w : kWords) {
        if (word == w.word) return &w;
    }
    return nullptr;
}

string AllWords()
{
    string words;
    for (const Word &w : kWords) {
        words += string(" ") + w.word;
    }
    return words;
}

// A step, its blanks trimmed, into step: "" or what is wrong with it.
string ReadStep(const string &text, ScriptStep &step)
{
    const char *rest = text.c_str();
    const string word = NextWord(rest, kBlanks);
    const Word *w = FindWord(word);
    if (!w) return "unknown word " + Quoted(word) + " (the words:" + AllWords() + ")";
    step.action = w->action;
    step.id = w->id;
    step.value = w->value;
    const string problem = ReadArguments(*w, rest, step);
    if (!problem.empty()) return problem;
    return CheckArguments(*w, step);
}

bool EndsDialog(const ScriptStep &step)
{
    if (step.action == DriverAction::CloseBox) return true;
    if (step.action != DriverAction::Click) return false;
    return step.id == ID_OK || step.id == ID_CANCEL;
}

// As ReadStep, and refused after endedBy, a step that ends the dialog ("" while none has).
string ReadStepAfter(const string &text, const string &endedBy, ScriptStep &step)
{
    const string problem = ReadStep(text, step);
    if (!problem.empty()) return problem;
    if (!endedBy.empty()) return "it follows " + endedBy + ", which ends the dialog";
    return "";
}

string Trimmed(const string &text, const char *blanks)
{
    const size_t first = text.find_first_not_of(blanks);
    if (first == string::npos) return "";
    return text.substr(first, text.find_last_not_of(blanks) + 1 - first);
}

}  // namespace

bool ParseScript(const string &script, vector<ScriptStep> &steps, string &error)
{
    steps.clear();
    string endedBy;
    for (const string &part : SplitSteps(script)) {
        const string text = Trimmed(part, kBlanks);
        if (text.empty()) continue;  // an empty step, as after a last ";"
        ScriptStep step;
        step.source = "script step " + std::to_string(steps.size() + 1) + " " + Quoted(text);
        const string problem = ReadStepAfter(text, endedBy, step);
        if (!problem.empty()) {
            error = step.source + ": " + problem;
            return false;
        }
        if (EndsDialog(step)) endedBy = step.source;
        steps.push_back(step);
    }
    return true;
}

// The one OBJ reader of the project: host.exe's mesh, and the faces its
// --json hands to the picture. Coordinates read as strtof does: inf, nan and
// numbers beyond a float's range are kept. A UTF-8 byte-order mark and CRLF
// line ends are read too.
static const char kObjBlanks[] = " \t";

// A "v X Y Z [more]" line's coordinates: "" or what is wrong with them (too
// few numbers, or text stuck to one).
static string ReadVertex(const char *text, Point3f &p)
{
    for (float *c : {&p.x, &p.y, &p.z}) {
        const string word = NextWord(text, kObjBlanks);
        char *end = nullptr;
        *c = strtof(word.c_str(), &end);
        if (end == word.c_str()) return "a vertex needs three numbers";
        const string number = word.substr(0, end - word.c_str());
        if (*end) return "unexpected " + Quoted(end) + " after the number " + Quoted(number);
    }
    return "";
}

// The vertex a face's word names by its number before any "/": 1-based, or
// counted back from the last known vertex when negative. False for none.
static bool ReadFaceVertex(const string &word, size_t known, uint32_t &index)
{
    char *end = nullptr;
    const long n = strtol(word.c_str(), &end, 10);
    if (end == word.c_str() || n == 0) return false;
    if (*end && *end != '/') return false;
    const long counted = n < 0 ? static_cast<long>(known) + n : n - 1;
    if (counted < 0 || counted >= static_cast<long>(known)) return false;
    index = static_cast<uint32_t>(counted);
    return true;
}

// An "f A B C ..." line's vertices; false for a line that is not three or
// more of those known so far (it is skipped).
static bool ReadFace(const char *text, size_t known, vector<uint32_t> &face)
{
    string word = NextWord(text, kObjBlanks);
    while (!word.empty()) {
        uint32_t index = 0;
        if (!ReadFaceVertex(word, known, index)) return false;
        face.push_back(index);
        word = NextWord(text, kObjBlanks);
    }
    return face.size() >= 3;
}

// One line into the mesh: "" or what is wrong with it. Only the "v" and "f"
// lines count; normals, comments and the rest are skipped.
static string ReadObjLine(const string &line, ObjMesh &mesh)
{
    const char *rest = line.c_str();
    const string kind = NextWord(rest, kObjBlanks);
    if (kind == "v") {
        Point3f p;
        const string problem = ReadVertex(rest, p);
        if (problem.empty()) mesh.points.push_back(p);
        return problem;
    }
    vector<uint32_t> face;
    if (kind == "f" && ReadFace(rest, mesh.points.size(), face)) mesh.faces.push_back(face);
    return "";
}

// A line as a message quotes it, cut at 60 bytes.
static string Shortened(const string &line)
{
    if (line.size() <= 60) return line;
    return line.substr(0, 57) + "...";
}

static string WithoutBom(const string &all)
{
    if (all.compare(0, 3, "\xEF\xBB\xBF") != 0) return all;
    return all.substr(3);
}

bool ReadObj(const string &all, ObjMesh &mesh, string &error)
{
    mesh = ObjMesh();
    std::istringstream lines(WithoutBom(all));
    string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const string problem = ReadObjLine(line, mesh);
        if (!problem.empty()) {
            error =
                "line " + std::to_string(number) + ": " + problem + ": " + Quoted(Shortened(line));
            return false;
        }
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

// A float as "%.2f" writes it: "0.50"; "" for one the dialog never shows.
static string Fixed2(float value)
{
    char text[48];
    if (FormatFixed2(value, text, sizeof text) < 0) return "";
    return text;
}

string ShowBound(float used, const string &typed)
{
    if (typed == Shortest(used)) return typed;
    if (!typed.empty() && typed == Fixed2(used)) return typed;
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
    string bounds;
    for (const UsedBound &b : run.bounds) {
        if (!bounds.empty()) bounds += ", ";
        bounds += BoundText(b);
    }
    if (bounds.empty()) bounds = "no bound";
    return bounds + "; " + run.operationName;
}

static bool IsFinite(const Point3f &p) { return isfinite(p.x) && isfinite(p.y) && isfinite(p.z); }

// Vertices the walk may treat specially, named so that a surprising count of
// those inside is not taken for a fault of the walk: " (2 with a non-finite
// coordinate)", or "" for none.
static string NonFiniteNote(const ObjMesh &mesh)
{
    const auto finite = std::count_if(mesh.points.begin(), mesh.points.end(), IsFinite);
    const size_t count = mesh.points.size() - static_cast<size_t>(finite);
    if (count == 0) return "";
    return " (" + std::to_string(count) + " with a non-finite coordinate)";
}

string SummaryLine(const RunRecord &run, const ObjMesh &mesh)
{
    string line = "cubrik: " + ChoiceText(run) + " -> ";
    line += run.result ? "applied" : "nothing done";
    line += "; inside: " + std::to_string(run.inside);
    line += " of " + std::to_string(mesh.points.size()) + " vertices" + NonFiniteNote(mesh);
    line += "; selected before: " + std::to_string(run.before);
    line += ", after: " + std::to_string(run.selected.size());
    line += "; result " + std::to_string(run.result);
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
