// MQInit binds the host's 122 functions by name, all or nothing, and always
// gives the host's module back.
#include <gtest/gtest.h>

#include "host/tests/command_run.h"
#include "host/tests/plugin_load.h"

TEST(Binding, UnloadableFileFails)
{
    EXPECT_EQ(Plugin().init("Z:\\no\\such\\host.exe"), 0);
    EXPECT_EQ(Plugin().init(""), 0);
}

TEST(Binding, HostLackingTheLastNameFails)
{
    EXPECT_EQ(Plugin().init(BesideTests("standin_lacking.dll")), 0);
    EXPECT_EQ(GetModuleHandleA("standin_lacking.dll"), nullptr)
        << "MQInit kept the host module loaded after a failed binding";
}

TEST(Binding, ReleasesTheHostModule)
{
    // Hold the module once ourselves; after MQInit our one reference must be
    // the last, so that freeing it unloads the module.
    HMODULE host = LoadLibraryA(BesideTests("standin_full.dll"));
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(Plugin().init(BesideTests("standin_full.dll")), 1);
    EXPECT_EQ(GetModuleHandleA("standin_full.dll"), host);
    FreeLibrary(host);
    EXPECT_EQ(GetModuleHandleA("standin_full.dll"), nullptr)
        << "MQInit left a reference to the host module";
}

TEST(Binding, OwnExecutableTwice)
{
    BindToThisHost();
    BindToThisHost();
}

TEST(Binding, FailedLeavesTheCommandInert)
{
    // The slots before the missing name now point into a released module:
    // the command must refuse to run rather than call through them.
    EXPECT_EQ(Plugin().init(BesideTests("standin_lacking.dll")), 0);
    ResetDocument({{-1, 0, 0}});
    CallLog().clear();
    EXPECT_EQ(Plugin().modifyObject(0, TheDocumentHandle()), 0);
    EXPECT_EQ(HostCalls().size(), 0u);
    // A missing file leaves the table, and the command, as they were.
    BindToThisHost();
    EXPECT_EQ(Plugin().init("Z:\\no\\such\\host.exe"), 0);
    const int result = RunCommand({Click(IDCANCEL)});
    EXPECT_EQ(result, 0);
    EXPECT_EQ(HostCalls(), std::vector<std::string>{Call("MQ_GetWindowHandle")});
}
