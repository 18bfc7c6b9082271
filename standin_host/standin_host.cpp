#include "standin_host/standin_host.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "standin_engine/wide_text.h"

#define HOST_EXPORT extern "C" __declspec(dllexport)

static uint32_t CurrentThread() { return static_cast<uint32_t>(GetCurrentThreadId()); }

static FakeHost NewHost()
{
    FakeHost host;
    host.threadId = CurrentThread;
    return host;
}

FakeHost &TheHost()
{
    static FakeHost host = NewHost();
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
// the callee pops the arguments); it says so and ends the process.
static void UnexpectedCall(const char *function)
{
    fprintf(stderr, "host: the plug-in called %s, which it never should\n", function);
    fflush(stderr);
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
    if (machine == IMAGE_FILE_MACHINE_I386) return "32-bit (x86)";
    if (machine == IMAGE_FILE_MACHINE_AMD64) return "64-bit (x86-64)";
    char other[32];
    snprintf(other, sizeof other, "machine 0x%04X", machine);
    return other;
}

// The system's words for an error number (in English, so ASCII), and the number.
static std::string SystemMessage(DWORD error)
{
    char text[512] = "";
    const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    const DWORD english = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
    FormatMessageA(flags, nullptr, error, english, text, sizeof text, nullptr);
    std::string words = text;
    words.erase(words.find_last_not_of("\r\n .") + 1);
    const std::string number = "error " + std::to_string(error);
    if (words.empty()) return number;
    return words + " (" + number + ")";
}

// "" when the file's headers are those of a DLL for this host, else what the
// file is instead. The DOS header starts "MZ" and tells where the PE header
// is: "PE\0\0", then the file header with the machine and the characteristics.
static std::string CheckHeaders(FILE *file)
{
    IMAGE_DOS_HEADER dos = {};
    fread(&dos, sizeof dos, 1, file);
    if (dos.e_magic != IMAGE_DOS_SIGNATURE)
        return "is not a Windows DLL (it does not start with a DOS header)";
    DWORD signature = 0;
    IMAGE_FILE_HEADER pe = {};
    if (fseek(file, dos.e_lfanew, SEEK_SET) == 0) fread(&signature, sizeof signature, 1, file);
    fread(&pe, sizeof pe, 1, file);
    if (signature != IMAGE_NT_SIGNATURE)
        return "is not a Windows DLL (no PE header where its DOS header points)";
    if (!(pe.Characteristics & IMAGE_FILE_DLL)) return "is a Windows program, not a DLL";
    const WORD own = sizeof(void *) == 8 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;
    if (pe.Machine == own) return "";
    return "is a " + MachineName(pe.Machine) + " DLL, and this host is " + MachineName(own) +
           ": a host loads only plug-ins of its own bitness";
}

// The entry `name` of the module as field; returns the first entry missing
// so far (missing, or else name when this one is).
template <typename Entry>
static const char *Find(HMODULE module, const char *name, Entry &field, const char *missing)
{
    field = reinterpret_cast<Entry>(reinterpret_cast<void *>(GetProcAddress(module, name)));
    if (field || missing) return missing;
    return name;
}

std::string LoadPlugin(const std::string &path, LoadedPlugin &plugin)
{
    plugin = LoadedPlugin();
    const std::wstring wide = Widen(path);
    FILE *file = _wfopen(wide.c_str(), L"rb");
    if (!file && errno == ENOENT) return "does not exist";
    if (!file) return std::string("cannot be opened: ") + strerror(errno);
    std::string wrong = CheckHeaders(file);
    if (ferror(file)) wrong = std::string("cannot be read: ") + strerror(errno);
    fclose(file);
    if (!wrong.empty()) return wrong;
    plugin.module = LoadLibraryW(wide.c_str());
    if (!plugin.module) {
        const DWORD error = GetLastError();
        // The file itself is there, so "not found" is about a DLL it imports.
        const char *hint = error == ERROR_MOD_NOT_FOUND ? " (a DLL it imports is missing)" : "";
        return "cannot be loaded: " + SystemMessage(error) + hint;
    }
    const char *missing = nullptr;
#define FIND(name, field) missing = Find(plugin.module, #name, plugin.field, missing)
    CUBRIK_PLUGIN_ENTRIES(FIND)
#undef FIND
    if (!missing) return "";
    FreeLibrary(plugin.module);
    plugin = LoadedPlugin();
    return std::string("is a DLL but not a plug-in: it exports no ") + missing;
}
