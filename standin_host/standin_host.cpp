#include "standin_host/standin_host.h"

#include <stdio.h>
#include <windows.h>

#ifndef HOST_EXPORT
#define HOST_EXPORT extern "C" __declspec(dllexport)
#endif

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
HOST_EXPORT HostWindow __stdcall MQ_GetWindowHandle(void)
{
    DocumentLock lock;
    return TheHost().MQ_GetWindowHandle();
}

HOST_EXPORT ObjectIndex __stdcall MQDoc_GetCurrentObjectIndex(HostDocument doc)
{
    DocumentLock lock;
    return TheHost().MQDoc_GetCurrentObjectIndex(doc);
}

HOST_EXPORT HostObject __stdcall MQDoc_GetObject(HostDocument doc, ObjectIndex index)
{
    DocumentLock lock;
    return TheHost().MQDoc_GetObject(doc, index);
}

HOST_EXPORT int32_t __stdcall MQObj_GetVertexCount(HostObject object)
{
    DocumentLock lock;
    return TheHost().MQObj_GetVertexCount(object);
}

HOST_EXPORT int32_t __stdcall MQObj_GetVertexArray(HostObject object, Point3f *points)
{
    DocumentLock lock;
    return TheHost().MQObj_GetVertexArray(object, points);
}

HOST_EXPORT int32_t __stdcall MQDoc_IsSelectVertex(HostDocument doc, ObjectIndex object,
                                                   VertexIndex vertex)
{
    DocumentLock lock;
    return TheHost().MQDoc_IsSelectVertex(doc, object, vertex);
}

HOST_EXPORT int32_t __stdcall MQDoc_AddSelectVertex(HostDocument doc, ObjectIndex object,
                                                    VertexIndex vertex)
{
    DocumentLock lock;
    return TheHost().MQDoc_AddSelectVertex(doc, object, vertex);
}

HOST_EXPORT int32_t __stdcall MQDoc_DeleteSelectVertex(HostDocument doc, ObjectIndex object,
                                                       VertexIndex vertex)
{
    DocumentLock lock;
    return TheHost().MQDoc_DeleteSelectVertex(doc, object, vertex);
}

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
