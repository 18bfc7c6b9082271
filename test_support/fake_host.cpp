#include "test_support/fake_host.h"

#include <string.h>

#include <algorithm>

static FakeHost *g_fake;

static void Log(HostCall call, HostDocument doc, ObjectIndex object, VertexIndex vertex)
{
    if (g_fake->logCalls) g_fake->log.push_back({call, doc, object, vertex});
}

static bool Known(HostDocument doc, ObjectIndex object, VertexIndex vertex)
{
    const bool ok = doc == g_fake->doc && object == g_fake->currentIndex && vertex >= 0 &&
                    static_cast<size_t>(vertex) < g_fake->selected.size();
    if (!ok) g_fake->wrongCall = true;
    return ok;
}

static ObjectIndex GetCurrentObjectIndex(HostDocument doc)
{
    Log(HostCall::GetCurrentObjectIndex, doc, -1, -1);
    return g_fake->currentIndex;
}

static HostObject GetObject(HostDocument doc, ObjectIndex index)
{
    Log(HostCall::GetObject, doc, index, -1);
    return g_fake->objectExists ? g_fake->object : nullptr;
}

static int32_t GetVertexCount(HostObject)
{
    Log(HostCall::GetVertexCount, nullptr, -1, -1);
    return g_fake->overrideCount ? g_fake->reportedCount
                                 : static_cast<int32_t>(g_fake->points.size());
}

static int32_t GetVertexArray(HostObject, Point3f *out)
{
    Log(HostCall::GetVertexArray, nullptr, -1, -1);
    // As many points as the count reported, like a host that keeps its word.
    size_t n = g_fake->points.size();
    if (g_fake->overrideCount)
        n = g_fake->reportedCount < 0 ? 0 : std::min(n, static_cast<size_t>(g_fake->reportedCount));
    if (n) memcpy(out, g_fake->points.data(), n * sizeof(Point3f));
    return 1;
}

static int32_t IsSelect(HostDocument doc, ObjectIndex object, VertexIndex v)
{
    Log(HostCall::IsSelect, doc, object, v);
    return Known(doc, object, v) && g_fake->selected[v];
}

static int32_t AddSelect(HostDocument doc, ObjectIndex object, VertexIndex v)
{
    Log(HostCall::AddSelect, doc, object, v);
    if (Known(doc, object, v)) g_fake->selected[v] = true;
    return 1;
}

static int32_t DeleteSelect(HostDocument doc, ObjectIndex object, VertexIndex v)
{
    Log(HostCall::DeleteSelect, doc, object, v);
    if (Known(doc, object, v)) g_fake->selected[v] = false;
    return 1;
}

static void Placeholder(void) {}
static HostProc PlaceholderLookup(void *, const char *) { return Placeholder; }

void InstallFakeHost(FakeHost &host)
{
    g_fake = &host;
    host.log.reserve(4096);  // so that logging never allocates during a walk
    BindHostFunctions(g_host, PlaceholderLookup, nullptr);
    g_host.MQDoc_GetCurrentObjectIndex = GetCurrentObjectIndex;
    g_host.MQDoc_GetObject = GetObject;
    g_host.MQObj_GetVertexCount = GetVertexCount;
    g_host.MQObj_GetVertexArray = GetVertexArray;
    g_host.MQDoc_IsSelectVertex = IsSelect;
    g_host.MQDoc_AddSelectVertex = AddSelect;
    g_host.MQDoc_DeleteSelectVertex = DeleteSelect;
}

void RemoveFakeHost()
{
    g_host = HostFunctionTable();
    g_fake = nullptr;
}

void SetPoints(FakeHost &host, std::vector<Point3f> points)
{
    host.selected.assign(points.size(), false);
    host.points = std::move(points);
}

int SelectedCount(const FakeHost &host)
{
    int n = 0;
    for (bool s : host.selected) n += s;
    return n;
}

std::string Describe(const LoggedCall &c)
{
    static const char *const names[] = {"MQDoc_GetCurrentObjectIndex", "MQDoc_GetObject",
                                        "MQObj_GetVertexCount",        "MQObj_GetVertexArray",
                                        "MQDoc_IsSelectVertex",        "MQDoc_AddSelectVertex",
                                        "MQDoc_DeleteSelectVertex"};
    return std::string(names[static_cast<int>(c.call)]) + "(object " + std::to_string(c.object) +
           ", vertex " + std::to_string(c.vertex) + ")";
}
