// The modelling host's side of the plug-in boundary, for host.exe and the Wine
// tests: its 122 functions exported by name (the eight the plug-in calls over
// the one fake host, standin_engine/fake_host.h; any other call ends the
// process), and the loading of a plug-in as the host does it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "host_api/host_api.h"
#include "plugin/plugin_exports.h"
#include "standin_engine/fake_host.h"

// The one host the exports answer for, with its document and call log.
FakeHost &TheHost();

// A plug-in loaded by path, its seven entry points found by their plain names.
#define CUBRIK_PLUGIN_ENTRIES(X)                                                                   \
    X(MQCheckVersion, checkVersion);                                                               \
    X(MQGetPlugInID, getPlugInId);                                                                 \
    X(MQGetPlugInName, getPlugInName);                                                             \
    X(MQGetPlugInType, getPlugInType);                                                             \
    X(MQEnumString, enumString);                                                                   \
    X(MQInit, init);                                                                               \
    X(MQModifyObject, modifyObject);
#define CUBRIK_FIELD(name, field) PFN_##name field
struct LoadedPlugin {
    HMODULE module;
    CUBRIK_PLUGIN_ENTRIES(CUBRIK_FIELD)
};
#undef CUBRIK_FIELD

// Fills plugin, which the caller passes empty and which stays so when
// loading fails, from the DLL at
// path (UTF-8), after reading the file's header so that a missing file, a
// file that is no DLL and a DLL of the other bitness are told apart: "" on
// success, else what follows the file's name in a message ("does not exist",
// "is a 64-bit (x86-64) DLL, and ...").
std::string LoadPlugin(const std::string &path, LoadedPlugin &plugin);
