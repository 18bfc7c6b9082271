// The one fake host of every test: the modelling host's side of the eight
// functions the plug-in calls, over one in-memory document whose current
// object's vertices and selection they work on, with a log of every call.
// Portable: the native unit tests and the benchmark put it behind g_host
// (InstallFakeHost); the stand-in host (standin_host/) exports it under the
// host's own names for host.exe and the Wine tests, adding only what is
// Windows: stdcall, a lock around each call and the calling thread's id.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "host_api/host_api.h"

// The eight host functions the plug-in calls, by the host's own names.
enum class HostCall {
    MQ_GetWindowHandle,
    MQDoc_GetCurrentObjectIndex,
    MQDoc_GetObject,
    MQObj_GetVertexCount,
    MQObj_GetVertexArray,
    MQDoc_IsSelectVertex,
    MQDoc_AddSelectVertex,
    MQDoc_DeleteSelectVertex
};

// The host's name of the function: "MQDoc_AddSelectVertex".
const char *HostFunctionName(HostCall call);

// One logged call. Arguments the call does not take stay at their defaults.
struct LoggedCall {
    HostCall call;
    HostDocument doc = nullptr;
    ObjectIndex object = -1;
    VertexIndex vertex = -1;
    uint32_t thread = 0;  // the calling thread's id (see FakeHost::threadId)
};

struct FakeHost {
    // The document and its current object. Only the current object exists:
    // MQDoc_GetObject answers null for any other document or index.
    HostDocument doc = reinterpret_cast<HostDocument>(0xD0C0);
    HostObject object = reinterpret_cast<HostObject>(0x0B1E);
    HostWindow mainWindow = nullptr;  // what MQ_GetWindowHandle answers
    ObjectIndex currentIndex = 0;     // negative: no current object
    bool objectExists = true;         // MQDoc_GetObject answers null when false
    std::vector<Point3f> points;      // the current object's vertices
    std::vector<bool> selected;       // per vertex
    bool overrideCount = false;       // report reportedCount as the vertex count
    int32_t reportedCount = 0;

    // The log of calls into the host.
    bool logCalls = true;  // false: nothing is logged (the benchmark)
    std::vector<LoggedCall> log;
    // Where calls come from several threads, the platform's id of the calling
    // thread, logged with each call; null: every call is logged as thread 0.
    uint32_t (*threadId)() = nullptr;
    // A selection call that named another document, object or a vertex the
    // object lacks (it changes nothing and answers 0).
    bool wrongCall = false;
    // The functions called that the plug-in binds but must never call.
    std::vector<std::string> unexpected;

    // The eight functions as the host answers them.
    HostWindow MQ_GetWindowHandle();
    ObjectIndex MQDoc_GetCurrentObjectIndex(HostDocument document);
    HostObject MQDoc_GetObject(HostDocument document, ObjectIndex index);
    int32_t MQObj_GetVertexCount(HostObject handle);
    // Writes as many points as the count it reports, never more than the
    // object has: the plug-in's buffer is sized by the count, and a negative
    // count is none.
    int32_t MQObj_GetVertexArray(HostObject handle, Point3f *out);
    int32_t MQDoc_IsSelectVertex(HostDocument document, ObjectIndex index, VertexIndex vertex);
    int32_t MQDoc_AddSelectVertex(HostDocument document, ObjectIndex index, VertexIndex vertex);
    int32_t MQDoc_DeleteSelectVertex(HostDocument document, ObjectIndex index, VertexIndex vertex);
    // A call to one of the 114 others, noted in unexpected.
    void UnexpectedCall(const char *function);

    // The current object's vertices, none selected; nothing else changes.
    void SetPoints(std::vector<Point3f> newPoints);
    // A fresh host: everything but threadId as a new FakeHost has it, then
    // these vertices, none selected.
    void Reset(std::vector<Point3f> newPoints);
    int SelectedCount() const;

private:
    void Log(HostCall call, HostDocument document, ObjectIndex index, VertexIndex vertex);
    bool Addresses(HostDocument document, ObjectIndex index, VertexIndex vertex);
    // Adds (on) or removes a vertex from the selection, as the call logged.
    int32_t Mark(HostCall call, HostDocument document, ObjectIndex index, VertexIndex vertex,
                 bool on);
};

// Native only (fake_host_table.cpp): puts host behind g_host (all 122 slots:
// the eight it answers, and harmless placeholders elsewhere) and gives its
// log room for 4096 calls, so that logging a short walk never allocates;
// RemoveFakeHost empties the table.
void InstallFakeHost(FakeHost &host);
void RemoveFakeHost();
