#include "standin_host/standin_host.h"

#include <stdio.h>
#include <string.h>

#include "standin_engine/wide_text.h"

#define HOST_EXPORT extern "C" __declspec(dllexport)

FakeHost &TheHost()
{
    static FakeHost host = [] {
        FakeHost h;
        h.threadId = [] { return static_cast<uint32_t>(GetCurrentThreadId()); };
        return h;
    }();
    return host;
}

// The host's functions may be called from several threads at once (a host
// can run the command on two); each call holds the document for its length.
static SRWLOCK g_lock = SRWLOCK_INIT;
struct DocumentLock {
    DocumentLock() { AcquireSRWLockExclusive(&g_lock); }
    ~DocumentLock() { ReleaseSRWLockExclusive(&g_lock); }
};

// The eight the plug-in calls, exported by their plain names (see the
// linker's --kill-at), each the fake host's own under the lock.
#define LOCKED(type, name, parameters, arguments)                                                  \
    HOST_EXPORT type __stdcall name parameters                                                     \
    {                                                                                              \
        DocumentLock lock;                                                                         \
        return TheHost().name arguments;                                                           \
    }
LOCKED(HostWindow, MQ_GetWindowHandle, (void), ())
LOCKED(ObjectIndex, MQDoc_GetCurrentObjectIndex, (HostDocument d), (d))
LOCKED(HostObject, MQDoc_GetObject, (HostDocument d, ObjectIndex i), (d, i))
LOCKED(int32_t, MQObj_GetVertexCount, (HostObject o), (o))
LOCKED(int32_t, MQObj_GetVertexArray, (HostObject o, Point3f *points), (o, points))
LOCKED(int32_t, MQDoc_IsSelectVertex, (HostDocument d, ObjectIndex i, VertexIndex v), (d, i, v))
LOCKED(int32_t, MQDoc_AddSelectVertex, (HostDocument d, ObjectIndex i, VertexIndex v), (d, i, v))
LOCKED(int32_t, MQDoc_DeleteSelectVertex, (HostDocument d, ObjectIndex i, VertexIndex v), (d, i, v))
#undef LOCKED

// The 114 functions the plug-in binds but must never call. Their real
// argument lists are unknown here, so a call cannot return safely (stdcall:
// the callee pops the arguments); it is noted and ends the process.
static void UnexpectedCall(const char *function)
{
    DocumentLock lock;
    TheHost().UnexpectedCall(function);
    fprintf(stdout, "host: the plug-in called %s, which it never should\n", function);
    fflush(stdout);
    ExitProcess(5);
}

#define CUBRIK_NO_STUB(name)
#define CUBRIK_STUB(name)                                                                          \
    HOST_EXPORT void __stdcall name(void) { UnexpectedCall(#name); }
CUBRIK_HOST_FUNCTIONS(CUBRIK_NO_STUB, CUBRIK_STUB)
#undef CUBRIK_STUB
#undef CUBRIK_NO_STUB

// A PE header's machine field in words: "32-bit (x86)", "64-bit (x86-64)".
static std::string MachineName(WORD machine)
{
    char other[32];
    snprintf(other, sizeof other, "machine 0x%04X", machine);
    return machine == IMAGE_FILE_MACHINE_I386    ? "32-bit (x86)"
           : machine == IMAGE_FILE_MACHINE_AMD64 ? "64-bit (x86-64)"
                                                 : other;
}

// The system's words for an error number (in English, so ASCII), and the number.
static std::string SystemMessage(DWORD error)
{
    char text[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                   MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), text, sizeof text, nullptr);
    std::string out = text;
    out.erase(out.find_last_not_of("\r\n .") + 1);
    const std::string number = "error " + std::to_string(error);
    return out.empty() ? number : out + " (" + number + ")";
}

std::string LoadPlugin(const std::string &path, LoadedPlugin &plugin)
{
    plugin = LoadedPlugin();
    const std::wstring wide = Widen(path);
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
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
    const WORD own = sizeof(void *) == 8 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;
    if (pe.Machine != own)
        return "is a " + MachineName(pe.Machine) + " DLL, and this host is " + MachineName(own) +
               ": a host loads only plug-ins of its own bitness";
    if (!(plugin.module = LoadLibraryW(wide.c_str()))) {
        const DWORD error = GetLastError();
        // The file itself is there, so "not found" is about a DLL it imports.
        return "cannot be loaded: " + SystemMessage(error) +
               (error == ERROR_MOD_NOT_FOUND ? " (a DLL it imports is missing)" : "");
    }
#define RESOLVE(name, field)                                                                       \
    plugin.field = reinterpret_cast<PFN_##name>(                                                   \
        reinterpret_cast<void *>(GetProcAddress(plugin.module, #name)));                           \
    if (!plugin.field && !missing) missing = #name
    const char *missing = nullptr;
    CUBRIK_PLUGIN_ENTRIES(RESOLVE)
#undef RESOLVE
    if (!missing) return "";
    FreeLibrary(plugin.module);
    plugin = LoadedPlugin();
    return std::string("is a DLL but not a plug-in: it exports no ") + missing;
}
