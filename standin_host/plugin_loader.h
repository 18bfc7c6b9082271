// Loading a plug-in DLL as the modelling host does: by path, then its seven
// entry points by their plain names.
#pragma once

#include <windows.h>

#include <string>

#include "plugin/plugin_exports.h"

struct LoadedPlugin {
    HMODULE module;
    PFN_MQCheckVersion checkVersion;
    PFN_MQGetPlugInID getPlugInId;
    PFN_MQGetPlugInName getPlugInName;
    PFN_MQGetPlugInType getPlugInType;
    PFN_MQEnumString enumString;
    PFN_MQInit init;
    PFN_MQModifyObject modifyObject;
};

// Fills plugin from the DLL at path. Returns null when all seven entry points
// were found, else what is missing: "the DLL itself" or an export's name.
const char *LoadPlugin(const char *path, LoadedPlugin &plugin);

// LoadPlugin, after reading the file's header so that a missing file, a
// folder, a file that is no DLL and a DLL of the other bitness are told apart:
// "" on success, else what follows the file's name in a message ("does not
// exist", "is a 64-bit (x86-64) DLL, and ...").
std::string LoadPluginExplained(const wchar_t *path, LoadedPlugin &plugin);
