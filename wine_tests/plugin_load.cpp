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
        const std::string why = LoadPlugin(BesideTests("cubrik.dll"), plugin);
        if (!why.empty()) {
            printf("cubrik.dll %s\n", why.c_str());
            fflush(stdout);
            ExitProcess(2);
        }
    }
    return plugin;
}
