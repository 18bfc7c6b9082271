// What host.exe writes of a run: the summary line for people, the JSON
// record for tools (the selection picture reads it).
#include <math.h>
#include <stdio.h>

#include <algorithm>
#include <charconv>

#include "numbers/number_text.h"
#include "standin_host/host_core.h"

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
           ", after: " + std::to_string(run.after) + "; result " + std::to_string(run.result);
}

// A number that reads back as the float, always with a point or an exponent
// ("1.0", "-0.0"), so that a reader takes it for a fraction; null if not finite.
static std::string Json(float value)
{
    const std::string text = Shortest(value);
    return !isfinite(value) ? "null" : text.find_first_of(".e") == text.npos ? text + ".0" : text;
}
static std::string Json(uint32_t value) { return std::to_string(value); }
static std::string Json(const std::string &text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        char escaped[8];
        snprintf(escaped, sizeof escaped,
                 c < 0x20                ? "\\u%04x"
                 : c == '"' || c == '\\' ? "\\%c"
                                         : "%c",
                 c);
        out += escaped;
    }
    return out + "\"";
}
template <typename T> static std::string Json(const std::vector<T> &items)
{
    std::string out;
    for (const T &item : items) out += (out.empty() ? "" : ", ") + Json(item);
    return "[" + out + "]";
}
static std::string Json(const Point3f &p) { return Json(std::vector<float>{p.x, p.y, p.z}); }
static std::string Json(const UsedBound &b)
{
    return "{\"axis\": " + Json(std::string(1, b.axis)) +
           ", \"side\": " + Json(std::string(b.upper ? "upper" : "lower")) +
           ", \"value\": " + Json(b.value) + ", \"shown\": " + Json(b.shown) + "}";
}

std::string RunJson(const RunRecord &run, const ObjMesh &mesh)
{
    return "{\n  \"bounds\": " + Json(run.bounds) +
           ",\n  \"operation\": " + (run.opened ? std::to_string(run.operation) : "null") +
           ",\n  \"operation_name\": " + Json(run.operationName) +
           ",\n  \"applied\": " + (run.result ? "true" : "false") +
           ",\n  \"inside\": " + std::to_string(run.inside) +
           ", \"vertices\": " + std::to_string(mesh.points.size()) +
           ", \"before\": " + std::to_string(run.before) +
           ", \"after\": " + std::to_string(run.after) +
           ",\n  \"selected\": " + Json(run.selected) + ",\n  \"points\": " + Json(mesh.points) +
           ",\n  \"faces\": " + Json(mesh.faces) + "\n}\n";
}
