#include "standin_host/standin_host.h"

#include <errno.h>
#include <stdio.h>

#include "standin_engine/wide_text.h"

using std::string;
using std::wstring;

#define HOST_EXPORT extern "C" __declspec(dllexport)

static FakeHost NewHost()
{
    FakeHost host;
    host.threadId = [] { return static_cast<uint32_t>(GetCurrentThreadId()); };
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
    ExitProcess(5);
}

#define CUBRIK_NO_STUB(name)
#define CUBRIK_STUB(name)                                                                          \
    HOST_EXPORT void __stdcall name(void) { UnexpectedCall(#name); }
CUBRIK_HOST_FUNCTIONS(CUBRIK_NO_STUB, CUBRIK_STUB)
#undef CUBRIK_STUB
#undef CUBRIK_NO_STUB

// A PE header's machine field in words: "32-bit (x86)", "64-bit (x86-64)".
static string MachineName(WORD machine)
{
    if (machine == IMAGE_FILE_MACHINE_I386) return "32-bit (x86)";
    if (machine == IMAGE_FILE_MACHINE_AMD64) return "64-bit (x86-64)";
    char other[32];
    snprintf(other, sizeof other, "machine 0x%04X", machine);
    return other;
}

// The system's words for an error number (in English, so ASCII), and the number.
static string SystemMessage(DWORD error)
{
    char text[512] = "";
    const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    FormatMessageA(flags, nullptr, error, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), text,
                   sizeof text, nullptr);
    string words = text;
    words.erase(words.find_last_not_of("\r\n .") + 1);
    if (words.empty()) return "error " + std::to_string(error);
    return words + " (error " + std::to_string(error) + ")";
}

// "" when the file's headers are those of a DLL for this host, else what the
// file is instead: LoadLibrary would say "bad format" alike for a text file,
// a program and a DLL of the other bitness, and load a program. The DOS
// header starts "MZ" and tells where the PE header is: "PE\0\0", then the
// file header with the machine and the characteristics. A file that cannot
// be opened is left to LoadLibrary, which says why.
static string CheckHeaders(const wstring &path)
{
    FILE *file = _wfopen(path.c_str(), L"rb");
    if (!file && errno == ENOENT) return "does not exist";
    if (!file) return "";
    IMAGE_DOS_HEADER dos = {};
    IMAGE_NT_HEADERS pe = {};
    fread(&dos, 1, sizeof dos, file);
    if (fseek(file, dos.e_lfanew, SEEK_SET) == 0) fread(&pe, 1, sizeof pe, file);
    fclose(file);
    const bool headers = dos.e_magic == IMAGE_DOS_SIGNATURE && pe.Signature == IMAGE_NT_SIGNATURE;
    if (!headers) return "is not a Windows DLL (no DOS header pointing to a PE header)";
    if (!(pe.FileHeader.Characteristics & IMAGE_FILE_DLL)) return "is a Windows program, not a DLL";
    const WORD own = sizeof(void *) == 8 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;
    if (pe.FileHeader.Machine == own) return "";
    return "is a " + MachineName(pe.FileHeader.Machine) + " DLL, and this host is " +
           MachineName(own) + ": a host loads only plug-ins of its own bitness";
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

string LoadPlugin(const string &path, LoadedPlugin &plugin)
{
    const wstring wide = Widen(path);
    const string wrong = CheckHeaders(wide);
    if (!wrong.empty()) return wrong;
    plugin.module = LoadLibraryW(wide.c_str());
    if (!plugin.module) {
        const DWORD error = GetLastError();
        // The file itself is there, so "not found" is about a DLL it imports.
        if (error == ERROR_MOD_NOT_FOUND)
            return "cannot be loaded: a DLL it imports is missing (error 126)";
        return "cannot be loaded: " + SystemMessage(error);
    }
    const char *missing = nullptr;
#define FIND(name, field) missing = Find(plugin.module, #name, plugin.field, missing)
    CUBRIK_PLUGIN_ENTRIES(FIND)
#undef FIND
    if (!missing) return "";
    FreeLibrary(plugin.module);
    plugin = LoadedPlugin();
    return string("is a DLL but not a plug-in: it exports no ") + missing;
}
