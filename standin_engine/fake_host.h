// The one fake host of every test: the modelling host's side of the eight
// functions the plug-in calls, over one in-memory document whose current
// object's vertices and selection they work on, with a log of every call.
// Portable: the native unit tests and the benchmark put it behind g_host
// (InstallFakeHost); the stand-in host (standin_host/) exports it under the
// host's own names for host.exe and the Wine tests, adding only what is
// Windows: stdcall, a lock around each call and the calling thread's id.
#pragma once

#include <stdint.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "host_api/host_api.h"

// The eight host functions the plug-in calls, by the host's own names (in
// its lookup order, host_api.h's list).
#define CUBRIK_HOST_CALL(name) name,
#define CUBRIK_NOT_CALLED(name)
enum class HostCall { CUBRIK_HOST_FUNCTIONS(CUBRIK_HOST_CALL, CUBRIK_NOT_CALLED) };
#undef CUBRIK_HOST_CALL
#undef CUBRIK_NOT_CALLED

// The host's name of the function: "MQDoc_AddSelectVertex".
inline const char *HostFunctionName(HostCall call)
{
#define CUBRIK_NAME(name) #name,
#define CUBRIK_NOT_CALLED(name)
    static const char *const names[] = {CUBRIK_HOST_FUNCTIONS(CUBRIK_NAME, CUBRIK_NOT_CALLED)};
#undef CUBRIK_NAME
#undef CUBRIK_NOT_CALLED
    return names[static_cast<int>(call)];
}

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

    // The eight functions as the host answers them.
    HostWindow MQ_GetWindowHandle()
    {
        Log(HostCall::MQ_GetWindowHandle);
        return mainWindow;
    }

    ObjectIndex MQDoc_GetCurrentObjectIndex(HostDocument document)
    {
        Log(HostCall::MQDoc_GetCurrentObjectIndex, document);
        return currentIndex;
    }

    HostObject MQDoc_GetObject(HostDocument document, ObjectIndex index)
    {
        Log(HostCall::MQDoc_GetObject, document, index);
        const bool found = document == doc && index == currentIndex && objectExists;
        return found ? object : nullptr;
    }

    int32_t MQObj_GetVertexCount(HostObject)
    {
        Log(HostCall::MQObj_GetVertexCount);
        return overrideCount ? reportedCount : static_cast<int32_t>(points.size());
    }

    // Writes as many points as the count it reports, never more than the
    // object has: the plug-in's buffer is sized by the count, and a negative
    // count is none.
    int32_t MQObj_GetVertexArray(HostObject, Point3f *out)
    {
        Log(HostCall::MQObj_GetVertexArray);
        const int32_t all = static_cast<int32_t>(points.size());
        const int32_t reported = overrideCount ? reportedCount : all;
        std::copy_n(points.begin(), std::clamp(reported, 0, all), out);
        return 1;
    }

    int32_t MQDoc_IsSelectVertex(HostDocument document, ObjectIndex index, VertexIndex vertex)
    {
        Log(HostCall::MQDoc_IsSelectVertex, document, index, vertex);
        return Addresses(document, index, vertex) && selected[vertex];
    }

    int32_t MQDoc_AddSelectVertex(HostDocument document, ObjectIndex index, VertexIndex vertex)
    {
        return Mark(HostCall::MQDoc_AddSelectVertex, document, index, vertex, true);
    }

    int32_t MQDoc_DeleteSelectVertex(HostDocument document, ObjectIndex index, VertexIndex vertex)
    {
        return Mark(HostCall::MQDoc_DeleteSelectVertex, document, index, vertex, false);
    }

    // The current object's vertices, none selected; nothing else changes.
    void SetPoints(std::vector<Point3f> newPoints)
    {
        selected.assign(newPoints.size(), false);
        points = std::move(newPoints);
    }

    // A fresh host: everything but threadId as a new FakeHost has it, then
    // these vertices, none selected.
    void Reset(std::vector<Point3f> newPoints)
    {
        uint32_t (*const keep)() = threadId;
        *this = FakeHost();
        threadId = keep;
        SetPoints(std::move(newPoints));
    }

    int SelectedCount() const
    {
        return static_cast<int>(std::count(selected.begin(), selected.end(), true));
    }

private:
    void Log(HostCall call, HostDocument document = nullptr, ObjectIndex index = -1,
             VertexIndex vertex = -1)
    {
        if (logCalls) log.push_back({call, document, index, vertex, threadId ? threadId() : 0});
    }

    // The selection calls act only on this document's current object.
    bool Addresses(HostDocument document, ObjectIndex index, VertexIndex vertex)
    {
        const bool ok = document == doc && index == currentIndex && vertex >= 0 &&
                        static_cast<size_t>(vertex) < selected.size();
        if (!ok) wrongCall = true;
        return ok;
    }

    // Adds (on) or removes a vertex from the selection, as the call logged.
    int32_t Mark(HostCall call, HostDocument document, ObjectIndex index, VertexIndex vertex,
                 bool on)
    {
        Log(call, document, index, vertex);
        if (!Addresses(document, index, vertex)) return 0;
        selected[vertex] = on;
        return 1;
    }
};

// Native only (fake_host_table.cpp): puts host behind g_host (all 122 slots:
// the eight it answers, and harmless placeholders elsewhere) and gives its
// log room for 4096 calls, so that logging a short walk never allocates;
// RemoveFakeHost empties the table.
void InstallFakeHost(FakeHost &host);
void RemoveFakeHost();
