// Loading the plug-in, as a host does while other threads may be running:
// the loader lock is held, so the DLL's start-up must load nothing, not even
// a library it lets go of before LoadLibrary returns.
#include <windows.h>

#include <ctype.h>
#include <stdio.h>

#include <set>
#include <string>

#include <gtest/gtest.h>

#include "wine_tests/plugin_load.h"

namespace {

// The loader's own notice of every module it maps (ntdll, Vista and later).
struct CountedString {
    USHORT length;  // in bytes
    USHORT capacity;
    const wchar_t *text;
};
struct LoadNotice {
    ULONG flags;
    const CountedString *fullName;
    const CountedString *baseName;
};
enum { MODULE_LOADED = 1 };
typedef void(CALLBACK *LoadListener)(ULONG reason, const LoadNotice *notice, void *context);
typedef LONG(NTAPI *PFN_LdrRegisterDllNotification)(ULONG, LoadListener, void *, void **);
typedef LONG(NTAPI *PFN_LdrUnregisterDllNotification)(void *);

void CALLBACK Heard(ULONG reason, const LoadNotice *notice, void *context)
{
    if (reason != MODULE_LOADED) return;
    std::string name;
    for (USHORT i = 0; i < notice->baseName->length / 2; ++i)
        name += static_cast<char>(tolower(notice->baseName->text[i] & 0x7F));
    static_cast<std::set<std::string> *>(context)->insert(name);
}

}  // namespace

TEST(Load, LoadsNothingButItself)
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    auto listen = reinterpret_cast<PFN_LdrRegisterDllNotification>(
        reinterpret_cast<void *>(GetProcAddress(ntdll, "LdrRegisterDllNotification")));
    auto stop = reinterpret_cast<PFN_LdrUnregisterDllNotification>(
        reinterpret_cast<void *>(GetProcAddress(ntdll, "LdrUnregisterDllNotification")));
    ASSERT_TRUE(listen && stop);
    // The four system DLLs it imports are already in every host; a copy
    // under a new name makes this a first load, start-up and all.
    for (const char *system : {"kernel32.dll", "user32.dll", "comctl32.dll", "msvcrt.dll"})
        ASSERT_NE(LoadLibraryA(system), nullptr) << system;
    char copy[MAX_PATH];
    snprintf(copy, sizeof copy, "%s", BesideTests("cubrik_first_load.dll"));
    ASSERT_TRUE(CopyFileA(BesideTests("cubrik.dll"), copy, FALSE));

    std::set<std::string> loaded;
    void *cookie = nullptr;
    ASSERT_EQ(listen(0, Heard, &loaded, &cookie), 0);
    HMODULE plugin = LoadLibraryA(copy);
    stop(cookie);
    ASSERT_NE(plugin, nullptr);
    FreeLibrary(plugin);
    DeleteFileA(copy);
    EXPECT_EQ(loaded, std::set<std::string>{"cubrik_first_load.dll"});
}
