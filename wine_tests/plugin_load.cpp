#include "wine_tests/plugin_load.h"

#include <stdio.h>
#include <string.h>

const char *BesideTests(const char *file)
{
    static char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    char *slash = strrchr(path, '\\');
    snprintf(slash ? slash + 1 : path, MAX_PATH - (slash ? slash + 1 - path : 0), "%s", file);
    return path;
}

const LoadedPlugin &Plugin()
{
    static LoadedPlugin plugin;
    if (!plugin.module) {
        if (const char *missing = LoadPlugin(BesideTests("cubrik.dll"), plugin)) {
            printf("cubrik.dll: cannot load %s (error %lu)\n", missing, GetLastError());
            fflush(stdout);
            ExitProcess(2);
        }
    }
    return plugin;
}
