// MQInit binds the host's 122 functions by name, all or nothing, and holds
// the module the table points into until a later binding replaces it.
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

TEST(Binding, HoldsAModuleThatWasNotLoadedUntilReplaced)
{
    // A host that names a file it has not loaded itself: the table points
    // into it, so it must stay mapped for the command, which then runs
    // through it (its own empty document: no object, result 0, no crash).
    ASSERT_EQ(GetModuleHandleA("standin_full.dll"), nullptr);
    ASSERT_EQ(Plugin().init(BesideTests("standin_full.dll")), 1);
    EXPECT_NE(GetModuleHandleA("standin_full.dll"), nullptr) << "the bound module was unloaded";
    ResetDocument({{-1, 0, 0}});
    EXPECT_EQ(RunCommand({Click(IDOK)}), 0);
    EXPECT_TRUE(HostCalls().empty()) << "the command called this host, not the bound one";

    // A later binding replaces the table and gives the module back.
    BindToThisHost();
    EXPECT_EQ(GetModuleHandleA("standin_full.dll"), nullptr)
        << "MQInit kept the replaced module loaded";
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
