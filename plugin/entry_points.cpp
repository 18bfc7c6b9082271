// The module start-up hook, the identity queries and the host binding.
#include <windows.h>

#include <wchar.h>

#include "host_api/host_api.h"
#include "plugin/identity.h"
#include "plugin/plugin_exports.h"
#include "plugin/plugin_module.h"

HINSTANCE g_hInstance;
// The module the whole table points into, null until a binding succeeds, and
// its file: another file unmapped and mapped in its place would have the same
// handle. No reference is held on it: the host names its own running
// executable.
static HMODULE g_hostModule;
static wchar_t g_hostFile[MAX_PATH];

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
    if (!host) return 0;  // the table stays as it was
    // A failed binding leaves the table of the last successful one whole.
    const int bound = BindHostFunctions(g_host, LookUpExport, host);
    if (bound) {
        g_hostModule = host;
        GetModuleFileNameW(host, g_hostFile, MAX_PATH);
    }
    // The reference goes back whatever the result, so the module's count is
    // what it was. The host's own executable stays loaded; a file nothing
    // else keeps loaded is unmapped here, and HostTableUsable then says so.
    FreeLibrary(host);
    return bound;
}

bool HostTableUsable(void)
{
    if (!g_hostModule) return false;
    // The module that holds a bound function now, asked without taking a
    // reference; none when it was unmapped since.
    HMODULE holder = nullptr;
    const DWORD flags =
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    wchar_t file[MAX_PATH] = L"";
    return GetModuleHandleExW(flags, reinterpret_cast<LPCWSTR>(g_host.MQ_GetWindowHandle),
                              &holder) &&
           holder == g_hostModule && GetModuleFileNameW(holder, file, MAX_PATH) &&
           wcscmp(file, g_hostFile) == 0;
}
