// Loading a plug-in DLL as the modelling host does: by path, then its seven
// entry points by their plain names.
#pragma once

#include <windows.h>

#include <stdint.h>

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
const char *LoadPlugin(const wchar_t *path, LoadedPlugin &plugin);

// The machine a PE image's header names, read from its first bytes (the DOS
// header, then the PE header it points to). Returns false with the reason in
// words when the bytes are not a Windows program or DLL.
struct PeHeader {
    uint16_t machine;          // IMAGE_FILE_MACHINE_*
    uint16_t characteristics;  // IMAGE_FILE_DLL among them for a DLL
};
bool ReadPeHeader(const unsigned char *bytes, size_t size, PeHeader &header, std::string &why);

// "32-bit x86", "64-bit x86-64", ... for a PE machine field.
std::string MachineName(uint16_t machine);
// The machine this process runs as: i386 for the 32-bit build, AMD64 for the 64-bit one.
uint16_t OwnMachine();

// Loads the plug-in at path as LoadPlugin does, but first reads the file's
// header, so that a missing file, a file that is no DLL, and a DLL built for
// the other bitness are told apart in words. Returns "" on success, else a
// predicate ("does not exist", "is a 64-bit (x86-64) DLL, and ...") to follow the file name.
std::string LoadPluginExplained(const wchar_t *path, LoadedPlugin &plugin);
