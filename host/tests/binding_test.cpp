// MQInit binds the host's 122 functions by name, all or nothing, and always
// gives the host's module back.
#include "host/tests/check.h"
#include "host/tests/command_run.h"
#include "host/tests/plugin_load.h"

TEST_CASE(binding_unloadable_file_fails)
{
    CHECK_EQ(Plugin().init("Z:\\no\\such\\host.exe"), 0);
    CHECK_EQ(Plugin().init(""), 0);
}

TEST_CASE(binding_host_lacking_the_last_name_fails)
{
    CHECK_EQ(Plugin().init(BesideTests("standin_lacking.dll")), 0);
    CHECK_MSG(GetModuleHandleA("standin_lacking.dll") == nullptr,
              "MQInit kept the host module loaded after a failed binding");
}

TEST_CASE(binding_releases_the_host_module)
{
    // Hold the module once ourselves; after MQInit our one reference must be
    // the last, so that freeing it unloads the module.
    HMODULE host = LoadLibraryA(BesideTests("standin_full.dll"));
    CHECK(host != nullptr);
    CHECK_EQ(Plugin().init(BesideTests("standin_full.dll")), 1);
    CHECK_EQ(GetModuleHandleA("standin_full.dll"), host);
    FreeLibrary(host);
    CHECK_MSG(GetModuleHandleA("standin_full.dll") == nullptr,
              "MQInit left a reference to the host module");
}

TEST_CASE(binding_own_executable_twice)
{
    BindToThisHost();
    BindToThisHost();
}

TEST_CASE(binding_failed_leaves_the_command_inert)
{
    // The slots before the missing name now point into a released module:
    // the command must refuse to run rather than call through them.
    CHECK_EQ(Plugin().init(BesideTests("standin_lacking.dll")), 0);
    ResetDocument({{-1, 0, 0}});
    CallLog().clear();
    CHECK_EQ(Plugin().modifyObject(0, TheDocumentHandle()), 0);
    CHECK_EQ(HostCalls().size(), 0u);
    // A missing file leaves the table, and the command, as they were.
    BindToThisHost();
    CHECK_EQ(Plugin().init("Z:\\no\\such\\host.exe"), 0);
    const int result = RunCommand({Click(IDCANCEL)});
    CHECK_EQ(result, 0);
    CHECK_EQ(HostCalls(), std::vector<std::string>{Call("MQ_GetWindowHandle")});
}
