#include "standin_host/standin_host.h"

#include <stdio.h>
#include <windows.h>

#define HOST_EXPORT extern "C" __declspec(dllexport)

static uint32_t CallingThread() { return GetCurrentThreadId(); }

FakeHost &TheHost()
{
    static FakeHost host = [] {
        FakeHost h;
        h.threadId = CallingThread;
        return h;
    }();
    return host;
}

void ResetDocument(const std::vector<Point3f> &points) { TheHost().Reset(points); }

// The host's functions may be called from several threads at once (a host
// can run the command on two); each call holds the document for its length.
static SRWLOCK g_lock = SRWLOCK_INIT;
struct DocumentLock {
    DocumentLock() { AcquireSRWLockExclusive(&g_lock); }
    ~DocumentLock() { ReleaseSRWLockExclusive(&g_lock); }
};

// The eight the plug-in calls, exported by their plain names (see the
// linker's --kill-at), each the fake host's own under the lock.
#define CUBRIK_LOCKED(type, name, parameters, arguments)                                           \
    HOST_EXPORT type __stdcall name parameters                                                     \
    {                                                                                              \
        DocumentLock lock;                                                                         \
        return TheHost().name arguments;                                                           \
    }
CUBRIK_LOCKED(HostWindow, MQ_GetWindowHandle, (void), ())
CUBRIK_LOCKED(ObjectIndex, MQDoc_GetCurrentObjectIndex, (HostDocument d), (d))
CUBRIK_LOCKED(HostObject, MQDoc_GetObject, (HostDocument d, ObjectIndex i), (d, i))
CUBRIK_LOCKED(int32_t, MQObj_GetVertexCount, (HostObject o), (o))
CUBRIK_LOCKED(int32_t, MQObj_GetVertexArray, (HostObject o, Point3f *points), (o, points))
CUBRIK_LOCKED(int32_t, MQDoc_IsSelectVertex, (HostDocument d, ObjectIndex i, VertexIndex v),
              (d, i, v))
CUBRIK_LOCKED(int32_t, MQDoc_AddSelectVertex, (HostDocument d, ObjectIndex i, VertexIndex v),
              (d, i, v))
CUBRIK_LOCKED(int32_t, MQDoc_DeleteSelectVertex, (HostDocument d, ObjectIndex i, VertexIndex v),
              (d, i, v))
#undef CUBRIK_LOCKED

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
