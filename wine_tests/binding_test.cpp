// MQInit binds the host's 122 functions by name, all or nothing, and gives
// the module's reference back before it returns; the command calls through
// the table only while the module it points into is still loaded.
#include <gtest/gtest.h>

#include "wine_tests/command_run.h"
#include "wine_tests/plugin_load.h"

TEST(Binding, TheModulesReferenceCountIsWhatItWas)
{
    // Loaded once here: when this reference goes, the module must go too,
    // whatever MQInit answered.
    const struct {
        const char *file;
        int result;
    } cases[] = {{"standin_full.dll", 1}, {"standin_lacking.dll", 0}};
    for (const auto &c : cases) {
        ASSERT_EQ(GetModuleHandleA(c.file), nullptr) << c.file;
        HMODULE mine = LoadLibraryA(BesideTests(c.file));
        ASSERT_NE(mine, nullptr) << c.file;
        EXPECT_EQ(Plugin().init(BesideTests(c.file)), c.result) << c.file;
        FreeLibrary(mine);
        EXPECT_EQ(GetModuleHandleA(c.file), nullptr) << "MQInit kept a reference to " << c.file;
    }
    BindToThisHost();
}

TEST(Binding, ModuleNothingKeepsLoadedLeavesTheCommandInert)
{
    // The table points into a file that was unmapped as MQInit returned:
    // the command opens no dialog and calls nothing, rather than crash.
    TheHost().Reset({{-1, 0, 0}});
    ASSERT_EQ(Plugin().init(BesideTests("standin_full.dll")), 1);
    EXPECT_EQ(RunCommand({Click(IDOK)}), 0);
    EXPECT_EQ(DrivenDialog(), nullptr) << "a dialog opened over a host that is gone";
    EXPECT_TRUE(HostCalls().empty());
    // Another file mapped where the bound one was (the two share an image
    // base) holds the bound addresses now, but it is not the bound module.
    HMODULE other = LoadLibraryA(BesideTests("standin_lacking.dll"));
    EXPECT_EQ(RunCommand({Click(IDOK)}), 0);
    EXPECT_EQ(DrivenDialog(), nullptr)
        << "the command called into another module at the same place";
    FreeLibrary(other);
    // Binding the running host again brings the command back.
    BindToThisHost();
    EXPECT_EQ(RunCommand({Click(IDOK)}), 1);
}

TEST(Binding, AnotherModuleKeptLoadedIsAHost)
{
    // The host names a module other than this program, and keeps it loaded:
    // the command opens its dialog and walks that module's own document
    // (an empty one), calling nothing here.
    HMODULE kept = LoadLibraryA(BesideTests("standin_full.dll"));
    ASSERT_EQ(Plugin().init(BesideTests("standin_full.dll")), 1);
    EXPECT_EQ(RunCommand({Click(IDOK)}), 1) << "the command did nothing";
    EXPECT_TRUE(HostCalls().empty());
    FreeLibrary(kept);
    BindToThisHost();
}

TEST(Binding, FailedBindingKeepsTheLastWholeTable)
{
    // A missing name, like a file that cannot be loaded, changes nothing: the
    // command runs through the table of the last binding that found every name.
    const std::string files[] = {BesideTests("standin_lacking.dll"), "Z:\\no\\such\\host.exe", ""};
    for (const std::string &file : files) {
        SCOPED_TRACE("MQInit(\"" + file + "\")");
        BindToThisHost();
        EXPECT_EQ(Plugin().init(file.c_str()), 0);
        TheHost().Reset({{-1, 0, 0}});
        EXPECT_EQ(RunCommand({Click(IDOK)}), 1);
        EXPECT_EQ(TheHost().selected, std::vector<bool>{true});
    }
}
