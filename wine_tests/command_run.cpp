#include "wine_tests/command_run.h"

#include <stdio.h>

#include <gtest/gtest.h>

#include "dialog/resource_ids.h"
#include "wine_tests/plugin_load.h"

void BindToThisHost()
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    EXPECT_EQ(Plugin().init(self), 1) << "MQInit with this program's own file name";
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

std::vector<std::string> HostCalls()
{
    std::vector<std::string> calls;
    for (const LoggedCall &c : TheHost().log) {
        const std::string function = HostFunctionName(c.call);
        std::string line = Call(function.c_str(), c.object, c.vertex);
        // Calls that take the document must be given this one.
        const bool takesDocument = function.rfind("MQDoc_", 0) == 0;
        if (takesDocument && c.doc != TheHost().doc) line += " (another document)";
        calls.push_back(line);
    }
    return calls;
}
