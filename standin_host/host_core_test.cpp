// host.exe's answers to what a user gives it, as tables: its command line,
// its --script, its mesh file, and what it shows of a run. Each answer is
// host.exe's message (printed after "host: ") or, for input it takes, what it
// read, written out; a row's answer is how the actual one begins.
#include <math.h>
#include <stdio.h>

#include <sstream>

#include <gtest/gtest.h>

#include "numbers/number_text.h"
#include "standin_host/host_core.h"

namespace {

std::string Text(double value)
{
    char text[32];
    snprintf(text, sizeof text, "%g", value);
    return text;
}

#define EXPECT_BEGINS(actual, answer, input)                                                       \
    EXPECT_EQ(std::string(actual).substr(0, std::string(answer).size()), answer) << (input)

TEST(HostOptions, AnswerEveryCommandLine)
{
    const struct {
        const char *args, *answer;
    } rows[] = {
        {"--help", "help"},
        {"a.dll --bogus -h", "help"},
        {"a.dll", "a plug-in DLL and a mesh file are needed"},
        {"a.dll m.obj n.obj", "one plug-in and one mesh only; \"n.obj\" is one too many"},
        {"a.dll m.obj --bogus", "unknown option \"--bogus\""},
        {"a.dll m.obj -script ok", "unknown option \"-script\""},
        {"a.dll m.obj --script", "option --script needs a value"},
        {"a.dll m.obj --json --quiet", "option --json needs a value"},
        {"a.dll m.obj --select-below w 0", "--select-below: the axis is x, y or z, not \"w\""},
        {"a.dll m.obj --select-below z abc", "--select-below: \"abc\" is not a number"},
        {"a.dll m.obj --select-below z -inf", "--select-below: \"-inf\" is not a finite number"},
        {"a.dll m.obj --select-below z 1e39", "--select-below: \"1e39\" is beyond a float's range"},
        {"a.dll m.obj --select-below x 3.4028234e38", "run a.dll m.obj; below x 3.40282e+38;"},
        {"a.dll m.obj --select-below z", "option --select-below needs an axis and a number"},
        {"a.dll m.obj --select-below z --script ok",
         "option --select-below needs an axis and a number"},
        // The wrong way round: a hint, not a mesh read from a DLL.
        {"m.obj a.dll", "\"m.obj\" is given as the plug-in and \"a.dll\" as the mesh: the plug-in "
                        "DLL comes first, then the mesh"},
        {"a.dll B.DLL", "\"a.dll\" is given as the plug-in and \"B.DLL\" as the mesh"},
        {"a.dll m.obj", "run a.dll m.obj;"},
        {"--quiet p.dll --select-below y -0.5 --selection-out s.txt 球体.obj --json r.json --list "
         "--script ＋１",
         "run p.dll 球体.obj; script ＋１; below y -0.5; selection-out s.txt; json r.json; list; "
         "quiet"},
    };
    for (const auto &row : rows) {
        std::vector<std::string> args;
        std::istringstream words(row.args);
        for (std::string word; words >> word;) args.push_back(word);
        HostOptions o;
        std::string answer = ParseOptions(args, o);
        if (answer.empty())
            answer = o.help
                         ? "help"
                         : "run " + o.plugin + " " + o.mesh + ";" +
                               (o.hasScript ? " script " + o.script + ";" : "") +
                               (o.belowAxis >= 0 ? " below " + std::string(1, "xyz"[o.belowAxis]) +
                                                       " " + Text(o.belowValue) + ";"
                                                 : "") +
                               " selection-out " + o.selectionOut + "; json " + o.json +
                               (o.list ? "; list" : "") + (o.quiet ? "; quiet" : "");
        EXPECT_BEGINS(answer, row.answer, row.args);
    }
}

TEST(HostScript, ReadsEveryStepOrNamesTheWrongOne)
{
    const struct {
        const char *script, *answer;
    } rows[] = {
        {"check 1009; type 1001 -0.25; up 1012; mode 2; ok",
         "click 1009 | type 1001 [-0.25] | up 1012 | mode 2 | click 1 |"},
        {"down 1016; set 1015 7; pause 300; enter; escape; close",
         "down 1016 | set 1015 [7] | pause 300 | key 13 | key 27 | close |"},
        {";; cancel ;", "click 2 |"},
        // Blanks are spaces, tabs and line breaks, wherever they stand.
        {"up\t1012;\ttype\t1007\t0.5\t;\nok\n", "up 1012 | type 1007 [0.5] | click 1 |"},
        // TEXT: the rest of the step, or quoted with \" and \\ as one character.
        {"type 1007 \"  0.5;\"; type 1001", "type 1007 [  0.5;] | type 1001 |"},
        {"set 1007 \"a\\\"b\\\\c\"", "set 1007 [a\"b\\c] |"},
        {"type 1007 \"0.5\\\\\"; ok", "type 1007 [0.5\\] | click 1 |"},
        {"snapshot \"C:\\shots\\d.bmp\"; snapshot C:\\my shots\\d.bmp ",
         "snapshot [C:\\shots\\d.bmp] | snapshot [C:\\my shots\\d.bmp] |"},
        {"type 9999 0.5", "script step 1 \"type 9999 0.5\": 9999 is not an edit box of the dialog "
                          "(those are 1001 1007 1003 1013 1005 1015)"},
        {"check 1009; up 1001; ok", "script step 2 \"up 1001\": 1001 is not a spin of the dialog "
                                    "(those are 1002 1012 1004 1014 1006 1016)"},
        {"click 1001", "script step 1 \"click 1001\": 1001 is not a checkbox or button of the "
                       "dialog (those are 1009 1017 1010 1018 1011 1019 1 2)"},
        {"mode 7", "script step 1 \"mode 7\": the operation list has entries 0 to 3"},
        {"mode -1", "script step 1 \"mode -1\": the operation list has entries 0 to 3"},
        {"mode 4", "script step 1 \"mode 4\": the operation list has entries 0 to 3"},
        {"pause -5", "script step 1 \"pause -5\": a pause lasts 0 to 60000 ms"},
        {"up", "script step 1 \"up\": \"up\" takes a control id"},
        {"mode 2x", "script step 1 \"mode 2x\": \"2x\" is not a whole number: \"mode\" takes a "
                    "whole number"},
        // A control id forgotten: the text is no id.
        {"type 0.5", "script step 1 \"type 0.5\": \"0.5\" is not a control id: \"type\" takes a "
                     "control id, then the text"},
        {"set", "script step 1 \"set\": \"set\" takes a control id, then the text"},
        {"ok now", "script step 1 \"ok now\": unexpected \"now\" after \"ok\""},
        {"snapshot  ", "script step 1 \"snapshot\": \"snapshot\" takes a file name ending in .bmp"},
        {"snapshot shot.png", "script step 1 \"snapshot shot.png\": \"snapshot\" takes a file name "
                              "ending in .bmp, not \"shot.png\""},
        {"ok; frob 3", "script step 2 \"frob 3\": unknown word \"frob\" (the words: up down type "
                       "set click check mode ok cancel escape enter close pause snapshot)"},
        {"ok; up 1012", "script step 2 \"up 1012\": it follows script step 1 \"ok\", which ends"},
        {"type 1007 \"0.5; ok", "script step 1 \"type 1007 \"0.5; ok\": the quoted text has no "
                                "closing double quote"},
        {"type 1007 \"0.5\" x", "script step 1 \"type 1007 \"0.5\" x\": unexpected \"x\" after "},
        {"type 1007 0\"5", "script step 1 \"type 1007 0\"5\": a double quote belongs inside"},
    };
    static const char *const names[] = {"up",   "down", "type",  "set",   "click",
                                        "mode", "key",  "close", "pause", "snapshot"};
    for (const auto &row : rows) {
        std::vector<ScriptStep> steps;
        std::string answer;
        if (ParseScript(row.script, steps, answer))
            for (const ScriptStep &s : steps)
                answer += names[static_cast<int>(s.action)] +
                          (s.id ? " " + std::to_string(s.id) : "") +
                          (s.value ? " " + std::to_string(s.value) : "") +
                          (s.text.empty() ? "" : " [" + s.text + "]") + " | ";
        EXPECT_BEGINS(answer, row.answer, row.script);
    }
}

TEST(HostMesh, ReadsVerticesAndFacesOrNamesTheLine)
{
    const struct {
        std::string bytes, answer;
    } rows[] = {
        {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", "(0 0 0) (1 0 0) (0 1 0) [0 1 2] "},
        {"\xEF\xBB\xBFv 0 0 0\r\nv 1 2 3\r\n", "(0 0 0) (1 2 3) "},
        {"#" + std::string(510, '0') + "v 5 5 5\nv 1 1 1\n", "(1 1 1) "},
        {"v 0.5" + std::string(600, ' ') + "0.5 0.5\n", "(0.5 0.5 0.5) "},
        {"vt 0 0\nvn 0 0 1\n  v\t-1 1e39 nan", "(-1 inf nan) "},
        {"v 1 2 3 0.5\n", "(1 2 3) "},  // a weight after the coordinates
        // A face line that is not three or more vertices read so far is skipped.
        {"f 1 2 3\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nf 1/1/1 2//2 3\nf -4 -3 -2 -1\n"
         "f 1 2\nf 1 2 5\nf 1 2 x\nf 0 1 2\nf 1 2 3x\n",
         "(0 0 0) (1 0 0) (0 1 0) (1 1 0) [0 1 2] [0 1 2 3] "},
        {"v 0 0 0\r\n\r\nv 1 2\r\n", "line 3: a vertex needs three numbers: \"v 1 2\""},
        {"v 0 0 0\nv 1 2 3extra\n",
         "line 2: unexpected \"extra\" after the number \"3\": \"v 1 2 3extra\""},
        {"v 1 2 " + std::string(100, 'x'),
         "line 1: a vertex needs three numbers: \"v 1 2 " + std::string(51, 'x') + "...\""},
        {"# no vertices\nf 1 2 3\n", "holds no vertex (no line \"v X Y Z\")"},
    };
    for (const auto &row : rows) {
        ObjMesh mesh;
        std::string answer;
        if (ReadObj(row.bytes, mesh, answer)) {
            for (const Point3f &p : mesh.points)
                answer += "(" + Text(p.x) + " " + Text(p.y) + " " + Text(p.z) + ") ";
            for (const std::vector<uint32_t> &face : mesh.faces)
                for (size_t k = 0; k < face.size(); ++k)
                    answer += (k ? " " : "[") + std::to_string(face[k]) +
                              (k + 1 < face.size() ? "" : "] ");
        }
        EXPECT_EQ(answer, row.answer) << row.bytes.substr(0, 80);
    }
}

TEST(HostSummary, ShowsTheTypedTextOnlyWhenItIsNotTheValueWrittenOut)
{
    const struct {
        const char *typed, *shown;
    } rows[] = {
        // clang-format off
        {"0.50", "0.50"}, {"-0.25", "-0.25"}, {"0.5", "0.5"}, {"-0", "-0"}, {"0.125", "0.125"},
        {"1,5", "1 (typed \"1,5\")"}, {"", "0 (typed \"\")"}, {"＋１", "0 (typed \"＋１\")"},
        {"  0.5;", "0.5 (typed \"  0.5;\")"}, {"1e1", "10 (typed \"1e1\")"},
        {"3.14159265", "3.1415927 (typed \"3.14159265\")"}, {"1e39", "inf (typed \"1e39\")"},
        // clang-format on
    };
    for (const auto &row : rows)
        EXPECT_EQ(ShowBound(static_cast<float>(ScanNumber(row.typed)), row.typed), row.shown);
}

TEST(HostSummary, LineAndJsonTellTheSameRun)
{
    ObjMesh mesh;
    mesh.points = {{0, 1, 0}, {0.1f, 0.99f, -0.0f}, {NAN, 0, 0}};
    mesh.faces = {{0, 1, 2}};
    RunRecord run;
    run.opened = true;
    run.bounds = {{'x', true, 0.5f, "0.50"}, {'y', false, 1, "1 (typed \"1,5\")"}};
    run.operation = 2, run.operationName = "選択反転する", run.result = 1;
    run.inside = 1, run.before = 0, run.selected = {0, 1};
    EXPECT_EQ(SummaryLine(run, mesh),
              "cubrik: x < 0.50, 1 (typed \"1,5\") < y; 選択反転する -> applied; inside: 1 of 3 "
              "vertices (1 with a non-finite coordinate); selected before: 0, after: 2; result 1");
    EXPECT_EQ(RunJson(run, mesh),
              R"j({"bounds":[{"axis":"x","side":"upper","value":0.5,"shown":"0.50"},)j"
              R"j({"axis":"y","side":"lower","value":1.0,"shown":"1 (typed \"1,5\")"}],)j"
              R"j("operation":2,"operation_name":"選択反転する","applied":true,"inside":1,)j"
              R"j("vertices":3,"before":0,"after":2,"selected":[0,1],)j"
              R"j("points":[[0.0,1.0,0.0],[0.1,0.99,-0.0],[null,0.0,0.0]],"faces":[[0,1,2]]})j"
              "\n");
    run = RunRecord();
    EXPECT_BEGINS(SummaryLine(run, mesh), "cubrik: (the dialog did not open) -> nothing done;", "");
    EXPECT_BEGINS(RunJson(run, mesh), R"({"bounds":[],"operation":null,)", "");
}

}  // namespace
