// The stand-in host's portable parts: what host.exe reads (its command line,
// the --script language, the OBJ mesh) and what it writes of a run (the
// summary line, the --json record), all in UTF-8. host_main.cpp is only the
// Win32 side that moves text between these and the system.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "host_api/host_api.h"
#include "standin_engine/driver_action.h"

inline std::string Quoted(const std::string &text) { return '"' + text + '"'; }
// kBoundIds' rows (dialog/resource_ids.h) as the summary lists them: x lower, x upper, y lower...
constexpr int kAxisByAxis[] = {0, 3, 1, 4, 2, 5};

extern const char kUsage[];
struct HostOptions {
    std::string plugin;
    std::string mesh;
    std::string script;
    std::string selectionOut;
    std::string json;
    bool help = false;
    bool hasScript = false;
    bool quiet = false;
    bool list = false;
    int belowAxis = -1;  // vertices below belowValue on this axis start selected
    float belowValue = 0.0f;
};
// "" when the arguments (after the program's name) make a run or ask for
// help, else what is wrong with them.
std::string ParseOptions(const std::vector<std::string> &args, HostOptions &options);

// A --script step, as the dialog driver does it (a snapshot is its Call);
// source names it in messages: script step 3 "up 1012".
struct ScriptStep {
    DriverAction action;
    int id = 0;
    int value = 0;
    std::string text;
    std::string source;
};
// Reads "check 1009; type 1001 -0.25; mode 2; ok" into steps (empty). False
// with a message naming the wrong step.
bool ParseScript(const std::string &script, std::vector<ScriptStep> &steps, std::string &error);

// An OBJ file's vertices and faces (0-based), read into mesh (empty). False
// with the reason, naming the line where there is one.
struct ObjMesh {
    std::vector<Point3f> points;
    std::vector<std::vector<uint32_t>> faces;
};
bool ReadObj(const std::string &bytes, ObjMesh &mesh, std::string &error);

// What the summary shows of a bound's value: its text as typed when that is
// the value used written out ("0.50" as "%.2f" writes it, or "0.5", the
// fewest digits that read back), else the value and the text: 1 (typed "1,5").
std::string ShowBound(float used, const std::string &typed);

// What a run chose and did. Without the dialog, no bounds and no operation.
struct UsedBound {
    char axis;  // 'x', 'y' or 'z'
    bool upper;
    float value;  // as the command compared with it
    std::string shown;
};
struct RunRecord {
    bool opened = false;
    std::vector<UsedBound> bounds;  // in force, in order: x lower, x upper, y lower, ...
    int operation = -1;             // the operation list's index, and its text
    std::string operationName;
    int32_t result = 0;
    int inside = 0;
    int before = 0;
    std::vector<uint32_t> selected;  // ascending, after the run
};
// "cubrik: x < 0.50; 選択する -> applied; inside: 1 of 3 vertices; selected
// before: 0, after: 1; result 1", and the same run as one JSON object.
std::string SummaryLine(const RunRecord &run, const ObjMesh &mesh);
std::string RunJson(const RunRecord &run, const ObjMesh &mesh);
