#include "wine_tests/command_run.h"

#include <stdio.h>

#include <gtest/gtest.h>

#include "wine_tests/plugin_load.h"

const char *ThisProgram()
{
    static char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    return self;
}

void BindToThisHost()
{
    EXPECT_EQ(Plugin().init(ThisProgram()), 1) << "MQInit with this program's own file name";
}

int RunCommand(const std::vector<DriverStep> &steps)
{
    TheHost().log.clear();
    ArmDialogDriver(steps, 10);
    const int result = Plugin().modifyObject(0, TheHost().doc);
    DisarmDialogDriver();
    EXPECT_FALSE(DriverTimedOut()) << "the script left the dialog open";
    return result;
}

std::string Call(const char *function, int object, int vertex)
{
    char text[96];
    snprintf(text, sizeof text, "%s %d %d", function, object, vertex);
    return text;
}

std::vector<std::string> HostCalls(DWORD thread)
{
    std::vector<std::string> calls;
    for (const LoggedCall &c : TheHost().log) {
        if (thread && c.thread != thread) continue;
        const std::string function = HostFunctionName(c.call);
        std::string line = Call(function.c_str(), c.object, c.vertex);
        // Calls that take the document must be given this one.
        const bool takesDocument = function.rfind("MQDoc_", 0) == 0;
        if (takesDocument && c.doc != TheHost().doc) line += " (another document)";
        calls.push_back(line);
    }
    return calls;
}

std::vector<std::string> Walked(const std::vector<std::string> &selection)
{
    const std::vector<std::string> opening = {
        Call("MQ_GetWindowHandle"), Call("MQDoc_GetCurrentObjectIndex"), Call("MQDoc_GetObject", 0),
        Call("MQObj_GetVertexCount"), Call("MQObj_GetVertexArray")};
    return Concat<std::string>({opening, selection});
}
