// The real plug-in DLL, loaded once for the Wine tests as the host loads it.
#pragma once

#include <windows.h>

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

// cubrik.dll beside the test program; every export resolved (checked).
const LoadedPlugin &Plugin();

// The full path of a file beside the test program.
const char *BesideTests(const char *file);
