// What the plug-in tells the host about itself. The strings are Shift-JIS
// (code page 932) bytes, static for the life of the module.
#pragma once

#include <stdint.h>

enum : uint32_t {
    PLUGIN_INTERFACE_VERSION = 0x231,  // the host's plug-in interface version
    PLUGIN_PRODUCT_ID = 0xDEAD1200,
    PLUGIN_ID = 0x125F0001,
    PLUGIN_TYPE_COMMAND = 4,  // commands offered by MQEnumString, run by MQModifyObject
};

extern const char g_pluginName[];   // display name, then the project's notice
extern const char g_commandText[];  // menu text of command 0
