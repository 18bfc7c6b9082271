// The fake host behind g_host, the way in of the native unit tests and the
// benchmark (on Windows the plug-in binds the stand-in host's exports by name
// instead).
#include "standin_engine/fake_host.h"

// The one host the table's functions answer for.
static FakeHost *g_fake;

// A method of the fake host as a plain function of its slot's type (natively
// HOSTAPI is empty; the types come from the slot it is assigned to),
// answering for g_fake.
template <auto Method, typename Result, typename... Args> Result Forward(Args... args)
{
    return (g_fake->*Method)(args...);
}

static void Placeholder() {}

void InstallFakeHost(FakeHost &host)
{
    g_fake = &host;
    host.log.reserve(4096);
    // Every slot, from host_api.h's one list: the eight the fake host answers,
    // a harmless placeholder in the 114 others.
#define CUBRIK_FORWARD(name)     g_host.name = Forward<&FakeHost::name>;
#define CUBRIK_PLACEHOLDER(name) g_host.name = Placeholder;
    CUBRIK_HOST_FUNCTIONS(CUBRIK_FORWARD, CUBRIK_PLACEHOLDER)
#undef CUBRIK_FORWARD
#undef CUBRIK_PLACEHOLDER
}

void RemoveFakeHost()
{
    g_host = HostFunctionTable();
    g_fake = nullptr;
}
