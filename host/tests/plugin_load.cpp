#include "host/tests/plugin_load.h"

#include <stdio.h>
#include <string.h>

#include "host/tests/check.h"

const char *BesideTests(const char *file)
{
    static char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    char *slash = strrchr(path, '\\');
    snprintf(slash ? slash + 1 : path, MAX_PATH - (slash ? slash + 1 - path : 0), "%s", file);
    return path;
}

template <typename T> static T Export(HMODULE module, const char *name)
{
    T f = reinterpret_cast<T>(reinterpret_cast<void *>(GetProcAddress(module, name)));
    CHECK_MSG(f != nullptr, std::string("cubrik.dll does not export ") + name);
    return f;
}

const LoadedPlugin &Plugin()
{
    static LoadedPlugin plugin;
    if (!plugin.module) {
        plugin.module = LoadLibraryA(BesideTests("cubrik.dll"));
        if (!plugin.module) {
            printf("cannot load cubrik.dll (error %lu)\n", GetLastError());
            fflush(stdout);
            ExitProcess(2);
        }
        plugin.checkVersion = Export<PFN_MQCheckVersion>(plugin.module, "MQCheckVersion");
        plugin.getPlugInId = Export<PFN_MQGetPlugInID>(plugin.module, "MQGetPlugInID");
        plugin.getPlugInName = Export<PFN_MQGetPlugInName>(plugin.module, "MQGetPlugInName");
        plugin.getPlugInType = Export<PFN_MQGetPlugInType>(plugin.module, "MQGetPlugInType");
        plugin.enumString = Export<PFN_MQEnumString>(plugin.module, "MQEnumString");
        plugin.init = Export<PFN_MQInit>(plugin.module, "MQInit");
        plugin.modifyObject = Export<PFN_MQModifyObject>(plugin.module, "MQModifyObject");
    }
    return plugin;
}
