#include "host/standin_host.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include <algorithm>

#ifndef HOST_EXPORT
#define HOST_EXPORT extern "C" __declspec(dllexport)
#endif

static StandinDocument g_document;
static std::vector<HostCallRecord> g_log;
static std::vector<std::string> g_unexpected;

// The host's functions may be called from several threads at once (a host
// can run the command on two); each call holds the document for its length.
static SRWLOCK g_lock = SRWLOCK_INIT;
struct DocumentLock {
    DocumentLock() { AcquireSRWLockExclusive(&g_lock); }
    ~DocumentLock() { ReleaseSRWLockExclusive(&g_lock); }
};

StandinDocument &TheDocument() { return g_document; }
HostDocument TheDocumentHandle() { return reinterpret_cast<HostDocument>(&g_document); }
std::vector<HostCallRecord> &CallLog() { return g_log; }
std::vector<std::string> &UnexpectedCalls() { return g_unexpected; }

void ResetDocument(const std::vector<Point3f> &points)
{
    g_document = StandinDocument();
    g_document.points = points;
    g_document.selected.assign(points.size(), false);
    g_log.clear();
    g_unexpected.clear();
}

int SelectedCount()
{
    int n = 0;
    for (bool s : g_document.selected) n += s;
    return n;
}

static void Log(const char *function, HostDocument doc, ObjectIndex object, VertexIndex vertex)
{
    g_log.push_back({function, doc, object, vertex, GetCurrentThreadId()});
}

// The selection calls act only on this document's current object.
static bool Addresses(HostDocument doc, ObjectIndex object, VertexIndex vertex)
{
    return doc == TheDocumentHandle() && object == g_document.currentIndex && vertex >= 0 &&
           static_cast<size_t>(vertex) < g_document.selected.size();
}

// The two functions' names are the exported ones (see the linker's --kill-at).
HOST_EXPORT HostWindow __stdcall MQ_GetWindowHandle(void)
{
    DocumentLock lock;
    Log("MQ_GetWindowHandle", nullptr, -1, -1);
    return g_document.mainWindow;
}

HOST_EXPORT ObjectIndex __stdcall MQDoc_GetCurrentObjectIndex(HostDocument doc)
{
    DocumentLock lock;
    Log("MQDoc_GetCurrentObjectIndex", doc, -1, -1);
    return g_document.currentIndex;
}

HOST_EXPORT HostObject __stdcall MQDoc_GetObject(HostDocument doc, ObjectIndex index)
{
    DocumentLock lock;
    Log("MQDoc_GetObject", doc, index, -1);
    const bool found =
        doc == TheDocumentHandle() && index == g_document.currentIndex && g_document.objectExists;
    return found ? reinterpret_cast<HostObject>(&g_document.points) : nullptr;
}

HOST_EXPORT int32_t __stdcall MQObj_GetVertexCount(HostObject)
{
    DocumentLock lock;
    Log("MQObj_GetVertexCount", nullptr, -1, -1);
    return g_document.overrideCount ? g_document.reportedCount
                                    : static_cast<int32_t>(g_document.points.size());
}

HOST_EXPORT int32_t __stdcall MQObj_GetVertexArray(HostObject, Point3f *points)
{
    DocumentLock lock;
    Log("MQObj_GetVertexArray", nullptr, -1, -1);
    // As many points as the count reported and never more than it has: the
    // plug-in's buffer is sized by the count, and a negative one is none.
    size_t n = g_document.points.size();
    if (g_document.overrideCount)
        n = g_document.reportedCount <= 0
                ? 0
                : std::min(n, static_cast<size_t>(g_document.reportedCount));
    if (n) memcpy(points, g_document.points.data(), n * sizeof(Point3f));
    return 1;
}

HOST_EXPORT int32_t __stdcall MQDoc_IsSelectVertex(HostDocument doc, ObjectIndex object,
                                                   VertexIndex vertex)
{
    DocumentLock lock;
    Log("MQDoc_IsSelectVertex", doc, object, vertex);
    return Addresses(doc, object, vertex) && g_document.selected[vertex];
}

HOST_EXPORT int32_t __stdcall MQDoc_AddSelectVertex(HostDocument doc, ObjectIndex object,
                                                    VertexIndex vertex)
{
    DocumentLock lock;
    Log("MQDoc_AddSelectVertex", doc, object, vertex);
    if (!Addresses(doc, object, vertex)) return 0;
    g_document.selected[vertex] = true;
    return 1;
}

HOST_EXPORT int32_t __stdcall MQDoc_DeleteSelectVertex(HostDocument doc, ObjectIndex object,
                                                       VertexIndex vertex)
{
    DocumentLock lock;
    Log("MQDoc_DeleteSelectVertex", doc, object, vertex);
    if (!Addresses(doc, object, vertex)) return 0;
    g_document.selected[vertex] = false;
    return 1;
}

// The 114 functions the plug-in binds but must never call. Their real
// argument lists are unknown here, so a call cannot return safely (stdcall:
// the callee pops the arguments); it is logged and ends the process.
static void UnexpectedCall(const char *function)
{
    DocumentLock lock;
    g_unexpected.push_back(function);
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

bool ReadObjVertices(const char *path, std::vector<Point3f> &points)
{
    FILE *file = fopen(path, "r");
    if (!file) return false;
    points.clear();
    char line[512];
    while (fgets(line, sizeof line, file)) {
        Point3f p;
        if (line[0] == 'v' && (line[1] == ' ' || line[1] == '\t') &&
            sscanf(line + 2, "%f %f %f", &p.x, &p.y, &p.z) == 3)
            points.push_back(p);
    }
    fclose(file);
    return !points.empty();
}
