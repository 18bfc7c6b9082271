#include "standin_host/plugin_loader.h"

#include <stdio.h>
#include <string.h>

#include "test_support/wide_text.h"

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

// "32-bit (x86)" or "64-bit (x86-64)" for a PE header's machine field.
static std::string MachineName(WORD machine)
{
    if (machine == IMAGE_FILE_MACHINE_I386) return "32-bit (x86)";
    if (machine == IMAGE_FILE_MACHINE_AMD64) return "64-bit (x86-64)";
    char text[32];
    snprintf(text, sizeof text, "machine 0x%04X", machine);
    return text;
}

// The system's words for an error number, and the number.
static std::string SystemMessage(DWORD error)
{
    wchar_t text[512];
    const DWORD n =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                       MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), text, 512, nullptr);
    std::string out = Narrow(std::wstring(text, n));
    out.erase(out.find_last_not_of("\r\n .") + 1);
    const std::string number = "error " + std::to_string(error);
    return out.empty() ? number : out + " (" + number + ")";
}

std::string LoadPluginExplained(const wchar_t *path, LoadedPlugin &plugin)
{
    plugin = LoadedPlugin();
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return "is a folder, not a file";
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return "does not exist";
        return "cannot be opened: " + SystemMessage(error);
    }
    unsigned char head[4096];
    DWORD got = 0;
    const BOOL read = ReadFile(file, head, sizeof head, &got, nullptr);
    CloseHandle(file);
    if (!read) return "cannot be read: " + SystemMessage(GetLastError());
    // The DOS header starts "MZ" and tells where the PE header is: "PE\0\0",
    // then the file header with the machine and the characteristics.
    IMAGE_DOS_HEADER dos;
    IMAGE_FILE_HEADER pe;
    if (got < sizeof dos || (memcpy(&dos, head, sizeof dos), dos.e_magic != IMAGE_DOS_SIGNATURE))
        return "is not a Windows DLL (it does not start with a DOS header)";
    const DWORD at = static_cast<DWORD>(dos.e_lfanew);
    if (at > got || got - at < 4 + sizeof pe || memcmp(head + at, "PE\0\0", 4) != 0)
        return "is not a Windows DLL (no PE header where its DOS header points)";
    memcpy(&pe, head + at + 4, sizeof pe);
    if (!(pe.Characteristics & IMAGE_FILE_DLL)) return "is a Windows program, not a DLL";
#ifdef _WIN64
    const WORD own = IMAGE_FILE_MACHINE_AMD64;
#else
    const WORD own = IMAGE_FILE_MACHINE_I386;
#endif
    if (pe.Machine != own)
        return "is a " + MachineName(pe.Machine) + " DLL, and this host is " + MachineName(own) +
               ": a host loads only plug-ins of its own bitness";
    plugin.module = LoadLibraryW(path);
    if (const char *missing = ResolveAll(plugin)) {
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
