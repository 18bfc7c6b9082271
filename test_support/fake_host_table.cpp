// The fake host behind g_host, the way in of the native unit tests and the
// benchmark (on Windows the plug-in binds the stand-in host's exports by name
// instead).
#include "test_support/fake_host.h"

// The one host the table's functions answer for.
static FakeHost *g_fake;

static HostWindow HOSTAPI GetWindowHandleCall() { return g_fake->MQ_GetWindowHandle(); }
static ObjectIndex HOSTAPI GetCurrentObjectIndexCall(HostDocument document)
{
    return g_fake->MQDoc_GetCurrentObjectIndex(document);
}
static HostObject HOSTAPI GetObjectCall(HostDocument document, ObjectIndex index)
{
    return g_fake->MQDoc_GetObject(document, index);
}
static int32_t HOSTAPI GetVertexCountCall(HostObject handle)
{
    return g_fake->MQObj_GetVertexCount(handle);
}
static int32_t HOSTAPI GetVertexArrayCall(HostObject handle, Point3f *out)
{
    return g_fake->MQObj_GetVertexArray(handle, out);
}
static int32_t HOSTAPI IsSelectCall(HostDocument document, ObjectIndex index, VertexIndex vertex)
{
    return g_fake->MQDoc_IsSelectVertex(document, index, vertex);
}
static int32_t HOSTAPI AddSelectCall(HostDocument document, ObjectIndex index, VertexIndex vertex)
{
    return g_fake->MQDoc_AddSelectVertex(document, index, vertex);
}
static int32_t HOSTAPI DeleteSelectCall(HostDocument document, ObjectIndex index,
                                        VertexIndex vertex)
{
    return g_fake->MQDoc_DeleteSelectVertex(document, index, vertex);
}

static void HOSTAPI Placeholder(void) {}
static HostProc PlaceholderLookup(void *, const char *) { return Placeholder; }

void InstallFakeHost(FakeHost &host)
{
    g_fake = &host;
    host.log.reserve(4096);
    BindHostFunctions(g_host, PlaceholderLookup, nullptr);
    g_host.MQ_GetWindowHandle = GetWindowHandleCall;
    g_host.MQDoc_GetCurrentObjectIndex = GetCurrentObjectIndexCall;
    g_host.MQDoc_GetObject = GetObjectCall;
    g_host.MQObj_GetVertexCount = GetVertexCountCall;
    g_host.MQObj_GetVertexArray = GetVertexArrayCall;
    g_host.MQDoc_IsSelectVertex = IsSelectCall;
    g_host.MQDoc_AddSelectVertex = AddSelectCall;
    g_host.MQDoc_DeleteSelectVertex = DeleteSelectCall;
}

void RemoveFakeHost()
{
    g_host = HostFunctionTable();
    g_fake = nullptr;
}
