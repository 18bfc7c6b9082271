#include "standin_host/plugin_loader.h"

#include <stdio.h>
#include <string.h>

#include <vector>

template <typename T> static bool Resolve(HMODULE module, const char *name, T &slot)
{
    slot = reinterpret_cast<T>(reinterpret_cast<void *>(GetProcAddress(module, name)));
    return slot != nullptr;
}

static const char *ResolveAll(LoadedPlugin &plugin)
{
    if (!plugin.module) return "the DLL itself";
    if (!Resolve(plugin.module, "MQCheckVersion", plugin.checkVersion)) return "MQCheckVersion";
    if (!Resolve(plugin.module, "MQGetPlugInID", plugin.getPlugInId)) return "MQGetPlugInID";
    if (!Resolve(plugin.module, "MQGetPlugInName", plugin.getPlugInName)) return "MQGetPlugInName";
    if (!Resolve(plugin.module, "MQGetPlugInType", plugin.getPlugInType)) return "MQGetPlugInType";
    if (!Resolve(plugin.module, "MQEnumString", plugin.enumString)) return "MQEnumString";
    if (!Resolve(plugin.module, "MQInit", plugin.init)) return "MQInit";
    if (!Resolve(plugin.module, "MQModifyObject", plugin.modifyObject)) return "MQModifyObject";
    return nullptr;
}

const char *LoadPlugin(const char *path, LoadedPlugin &plugin)
{
    plugin = LoadedPlugin();
    plugin.module = LoadLibraryA(path);
    return ResolveAll(plugin);
}

const char *LoadPlugin(const wchar_t *path, LoadedPlugin &plugin)
{
    plugin = LoadedPlugin();
    plugin.module = LoadLibraryW(path);
    return ResolveAll(plugin);
}

static uint32_t Read32(const unsigned char *p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | p[3] << 24;
}
static uint16_t Read16(const unsigned char *p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

bool ReadPeHeader(const unsigned char *bytes, size_t size, PeHeader &header, std::string &why)
{
    // The DOS header starts "MZ" and holds the PE header's offset at 0x3C; the
    // PE header is "PE\0\0", the machine (2 bytes), ..., the characteristics at +22.
    if (size < 0x40 || bytes[0] != 'M' || bytes[1] != 'Z') {
        why = "is not a Windows DLL (it does not start with a DOS header)";
        return false;
    }
    const uint32_t pe = Read32(bytes + 0x3C);
    if (pe > size || size - pe < 24 || memcmp(bytes + pe, "PE\0\0", 4) != 0) {
        why = "is not a Windows DLL (no PE header where its DOS header points)";
        return false;
    }
    header.machine = Read16(bytes + pe + 4);
    header.characteristics = Read16(bytes + pe + 22);
    return true;
}

std::string MachineName(uint16_t machine)
{
    switch (machine) {
    case IMAGE_FILE_MACHINE_I386:
        return "32-bit (x86)";
    case 0x8664:  // IMAGE_FILE_MACHINE_AMD64
        return "64-bit (x86-64)";
    case 0xAA64:  // IMAGE_FILE_MACHINE_ARM64
        return "64-bit (ARM64)";
    case 0x01C4:  // IMAGE_FILE_MACHINE_ARMNT
        return "32-bit (ARM)";
    default: {
        char text[48];
        snprintf(text, sizeof text, "machine 0x%04X", machine);
        return text;
    }
    }
}

uint16_t OwnMachine()
{
#ifdef _WIN64
    return 0x8664;
#else
    return IMAGE_FILE_MACHINE_I386;
#endif
}

// The system's words for an error number, without the trailing line break.
static std::string SystemMessage(DWORD error)
{
    wchar_t text[512];
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, error, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                                   text, sizeof text / sizeof *text, nullptr);
    char utf8[1536] = "";
    if (n) WideCharToMultiByte(CP_UTF8, 0, text, n, utf8, sizeof utf8 - 1, nullptr, nullptr);
    std::string out(utf8);
    while (!out.empty() &&
           (out.back() == '\n' || out.back() == '\r' || out.back() == ' ' || out.back() == '.'))
        out.pop_back();
    char number[32];
    snprintf(number, sizeof number, "error %lu", static_cast<unsigned long>(error));
    return out.empty() ? number : out + " (" + number + ")";
}

std::string LoadPluginExplained(const wchar_t *path, LoadedPlugin &plugin)
{
    plugin = LoadedPlugin();
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return "does not exist";
        return "cannot be opened: " + SystemMessage(error);
    }
    std::vector<unsigned char> head(4096);
    DWORD got = 0;
    const BOOL read = ReadFile(file, head.data(), static_cast<DWORD>(head.size()), &got, nullptr);
    CloseHandle(file);
    if (!read) return "cannot be read: " + SystemMessage(GetLastError());
    PeHeader pe;
    std::string why;
    if (!ReadPeHeader(head.data(), got, pe, why)) return why;
    if (!(pe.characteristics & IMAGE_FILE_DLL)) return "is a Windows program, not a DLL";
    if (pe.machine != OwnMachine())
        return "is a " + MachineName(pe.machine) + " DLL, and this host is " +
               MachineName(OwnMachine()) + ": a host loads only plug-ins of its own bitness";
    if (const char *missing = LoadPlugin(path, plugin)) {
        if (!plugin.module) {
            const DWORD error = GetLastError();
            // The file itself is there, so "not found" is about a DLL it imports.
            return "cannot be loaded: " + SystemMessage(error) +
                   (error == ERROR_MOD_NOT_FOUND ? " (a DLL it imports is missing)" : "");
        }
        FreeLibrary(plugin.module);
        plugin = LoadedPlugin();
        return std::string("is a DLL but not a plug-in: it exports no ") + missing;
    }
    return "";
}
