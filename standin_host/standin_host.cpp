#include "standin_host/standin_host.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include <algorithm>
#include <errno.h>

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

// Reads one "v X Y Z [more]" line's three coordinates; false when fewer than
// three numbers follow the "v".
static bool ReadVertexLine(const char *text, Point3f &p)
{
    float *coordinates[3] = {&p.x, &p.y, &p.z};
    for (float *c : coordinates) {
        char *end = nullptr;
        *c = strtof(text, &end);
        if (end == text || (*end && *end != ' ' && *end != '\t')) return false;
        text = end;
    }
    return true;
}

bool ReadObjVertices(const wchar_t *path, std::vector<Point3f> &points, std::string &error)
{
    points.clear();
    FILE *file = _wfopen(path, L"rb");
    if (!file) {
        error = strerror(errno);
        return false;
    }
    std::string all;
    char block[65536];
    size_t got;
    while ((got = fread(block, 1, sizeof block, file)) > 0) all.append(block, got);
    const bool readFailed = ferror(file) != 0;
    fclose(file);
    if (readFailed) {
        error = "read error";
        return false;
    }
    size_t start = all.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;  // a UTF-8 byte-order mark
    for (int number = 1; start < all.size(); ++number) {
        size_t end = all.find('\n', start);
        if (end == std::string::npos) end = all.size();
        std::string line = all.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] != 'v' || first + 1 >= line.size() ||
            (line[first + 1] != ' ' && line[first + 1] != '\t'))
            continue;  // not a vertex: faces, normals, comments and the rest
        Point3f p;
        if (!ReadVertexLine(line.c_str() + first + 1, p)) {
            if (line.size() > 60) line = line.substr(0, 57) + "...";
            error = "line " + std::to_string(number) + ": a vertex needs three numbers: \"" + line +
                    "\"";
            return false;
        }
        points.push_back(p);
    }
    if (points.empty()) {
        error = "holds no vertex (no line \"v X Y Z\")";
        return false;
    }
    return true;
}
