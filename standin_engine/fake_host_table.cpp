// The fake host behind g_host, the way in of the native unit tests and the
// benchmark (on Windows the plug-in binds the stand-in host's exports by name
// instead).
#include "standin_engine/fake_host.h"

// The one host the table's functions answer for.
static FakeHost *g_fake;

static void HOSTAPI Placeholder(void) {}
static HostProc PlaceholderLookup(void *, const char *) { return Placeholder; }

void InstallFakeHost(FakeHost &host)
{
    g_fake = &host;
    host.log.reserve(4096);
    BindHostFunctions(g_host, PlaceholderLookup, nullptr);
    // Plain functions natively (HOSTAPI is empty), so captureless lambdas fit.
    g_host.MQ_GetWindowHandle = [] { return g_fake->MQ_GetWindowHandle(); };
    g_host.MQDoc_GetCurrentObjectIndex = [](HostDocument d) {
        return g_fake->MQDoc_GetCurrentObjectIndex(d);
    };
    g_host.MQDoc_GetObject = [](HostDocument d, ObjectIndex i) {
        return g_fake->MQDoc_GetObject(d, i);
    };
    g_host.MQObj_GetVertexCount = [](HostObject o) { return g_fake->MQObj_GetVertexCount(o); };
    g_host.MQObj_GetVertexArray = [](HostObject o, Point3f *out) {
        return g_fake->MQObj_GetVertexArray(o, out);
    };
    g_host.MQDoc_IsSelectVertex = [](HostDocument d, ObjectIndex i, VertexIndex v) {
        return g_fake->MQDoc_IsSelectVertex(d, i, v);
    };
    g_host.MQDoc_AddSelectVertex = [](HostDocument d, ObjectIndex i, VertexIndex v) {
        return g_fake->MQDoc_AddSelectVertex(d, i, v);
    };
    g_host.MQDoc_DeleteSelectVertex = [](HostDocument d, ObjectIndex i, VertexIndex v) {
        return g_fake->MQDoc_DeleteSelectVertex(d, i, v);
    };
}

void RemoveFakeHost()
{
    g_host = HostFunctionTable();
    g_fake = nullptr;
}
