// Binding of the host's functions by name, shared by the DLL (which looks the
// names up with GetProcAddress) and the native tests (which hand in a fake).
#include "host_api/host_api.h"

#include <string.h>

HostFunctionTable g_host;

#define CUBRIK_SLOT(name) {#name, offsetof(HostFunctionTable, name)},

const HostFunctionSlot g_hostFunctionSlots[HOST_FUNCTION_COUNT] = {
    CUBRIK_HOST_FUNCTIONS(CUBRIK_SLOT, CUBRIK_SLOT)};

#undef CUBRIK_SLOT

static_assert(sizeof(HostFunctionTable) == HOST_FUNCTION_COUNT * sizeof(HostProc),
              "one pointer-sized slot per host function");

int BindHostFunctions(HostFunctionTable &table, HostLookup lookup, void *module)
{
    HostFunctionTable scratch;
    for (const HostFunctionSlot &slot : g_hostFunctionSlots) {
        HostProc address = lookup(module, slot.name);
        if (!address) return 0;
        // Every slot is pointer-sized; the typed ones are read back through
        // their own types, so copy the bytes rather than pun the table.
        memcpy(reinterpret_cast<char *>(&scratch) + slot.offset, &address, sizeof address);
    }
    table = scratch;
    return 1;
}
