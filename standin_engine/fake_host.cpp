#include "standin_engine/fake_host.h"

#include <algorithm>
#include <utility>

const char *HostFunctionName(HostCall call)
{
    static const char *const names[] = {"MQ_GetWindowHandle",    "MQDoc_GetCurrentObjectIndex",
                                        "MQDoc_GetObject",       "MQObj_GetVertexCount",
                                        "MQObj_GetVertexArray",  "MQDoc_IsSelectVertex",
                                        "MQDoc_AddSelectVertex", "MQDoc_DeleteSelectVertex"};
    return names[static_cast<int>(call)];
}

void FakeHost::Log(HostCall call, HostDocument document, ObjectIndex index, VertexIndex vertex)
{
    if (logCalls) log.push_back({call, document, index, vertex, threadId ? threadId() : 0});
}

// The selection calls act only on this document's current object.
bool FakeHost::Addresses(HostDocument document, ObjectIndex index, VertexIndex vertex)
{
    const bool ok = document == doc && index == currentIndex && vertex >= 0 &&
                    static_cast<size_t>(vertex) < selected.size();
    if (!ok) wrongCall = true;
    return ok;
}

HostWindow FakeHost::MQ_GetWindowHandle()
{
    Log(HostCall::MQ_GetWindowHandle, nullptr, -1, -1);
    return mainWindow;
}

ObjectIndex FakeHost::MQDoc_GetCurrentObjectIndex(HostDocument document)
{
    Log(HostCall::MQDoc_GetCurrentObjectIndex, document, -1, -1);
    return currentIndex;
}

HostObject FakeHost::MQDoc_GetObject(HostDocument document, ObjectIndex index)
{
    Log(HostCall::MQDoc_GetObject, document, index, -1);
    const bool found = document == doc && index == currentIndex && objectExists;
    return found ? object : nullptr;
}

int32_t FakeHost::MQObj_GetVertexCount(HostObject)
{
    Log(HostCall::MQObj_GetVertexCount, nullptr, -1, -1);
    return overrideCount ? reportedCount : static_cast<int32_t>(points.size());
}

int32_t FakeHost::MQObj_GetVertexArray(HostObject, Point3f *out)
{
    Log(HostCall::MQObj_GetVertexArray, nullptr, -1, -1);
    size_t n = points.size();
    if (overrideCount) n = std::min(n, static_cast<size_t>(std::max(reportedCount, 0)));
    std::copy_n(points.begin(), n, out);
    return 1;
}

int32_t FakeHost::MQDoc_IsSelectVertex(HostDocument document, ObjectIndex index, VertexIndex vertex)
{
    Log(HostCall::MQDoc_IsSelectVertex, document, index, vertex);
    return Addresses(document, index, vertex) && selected[vertex];
}

int32_t FakeHost::MQDoc_AddSelectVertex(HostDocument document, ObjectIndex index,
                                        VertexIndex vertex)
{
    return Mark(HostCall::MQDoc_AddSelectVertex, document, index, vertex, true);
}

int32_t FakeHost::MQDoc_DeleteSelectVertex(HostDocument document, ObjectIndex index,
                                           VertexIndex vertex)
{
    return Mark(HostCall::MQDoc_DeleteSelectVertex, document, index, vertex, false);
}

int32_t FakeHost::Mark(HostCall call, HostDocument document, ObjectIndex index, VertexIndex vertex,
                       bool on)
{
    Log(call, document, index, vertex);
    if (!Addresses(document, index, vertex)) return 0;
    selected[vertex] = on;
    return 1;
}

void FakeHost::UnexpectedCall(const char *function) { unexpected.push_back(function); }

void FakeHost::SetPoints(std::vector<Point3f> newPoints)
{
    selected.assign(newPoints.size(), false);
    points = std::move(newPoints);
}

void FakeHost::Reset(std::vector<Point3f> newPoints)
{
    uint32_t (*const keep)() = threadId;
    *this = FakeHost();
    threadId = keep;
    SetPoints(std::move(newPoints));
}

int FakeHost::SelectedCount() const
{
    return static_cast<int>(std::count(selected.begin(), selected.end(), true));
}
