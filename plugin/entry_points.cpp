// The module start-up hook, the identity queries and the host binding.
#include <windows.h>

#include "plugin/host_api.h"
#include "plugin/identity.h"
#include "plugin/plugin_exports.h"
#include "plugin/plugin_module.h"

HINSTANCE g_hInstance;
bool g_hostBound;
// The module the table points into, held for as long as the table is in use.
static HMODULE g_hostModule;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD /*reason*/, LPVOID /*reserved*/)
{
    // Whatever the notification: keep the handle, never fail the load.
    g_hInstance = instance;
    return TRUE;
}

uint32_t __cdecl MQCheckVersion(uint32_t /*hostVersion*/) { return PLUGIN_INTERFACE_VERSION; }

void __cdecl MQGetPlugInID(uint32_t *product, uint32_t *id)
{
    if (product) *product = PLUGIN_PRODUCT_ID;
    if (id) *id = PLUGIN_ID;
}

const char *__cdecl MQGetPlugInName(void) { return g_pluginName; }

int32_t __cdecl MQGetPlugInType(void) { return PLUGIN_TYPE_COMMAND; }

const char *__cdecl MQEnumString(int32_t index) { return index == 0 ? g_commandText : nullptr; }

static HostProc LookUpExport(void *module, const char *name)
{
    // FARPROC and HostProc are both plain code addresses.
    return reinterpret_cast<HostProc>(
        reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(module), name)));
}

int32_t __cdecl MQInit(const char *hostExecutable)
{
    HMODULE host = LoadLibraryA(hostExecutable);
    if (!host) return 0;  // the table stays as it was, and so does its state
    const int bound = BindHostFunctions(g_host, LookUpExport, host);
    // The table now points into this module, wholly or (after a missing
    // name) in part. A host names its own running executable, which stays
    // loaded anyway; but a file that was not loaded before would be unmapped
    // by releasing it, and the next command would call into nothing. So the
    // reference is kept while a complete table points into the module, and
    // released once it is replaced. A partial table is never used.
    HMODULE previous = g_hostModule;
    g_hostModule = bound ? host : nullptr;
    g_hostBound = bound != 0;
    if (previous) FreeLibrary(previous);
    if (!bound) FreeLibrary(host);
    return bound;
}
