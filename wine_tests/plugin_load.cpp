#include "wine_tests/plugin_load.h"

#include <stdio.h>
#include <string.h>

const char *BesideTests(const char *file)
{
    static char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    char *name = path;
    char *slash = strrchr(path, '\\');
    if (slash) name = slash + 1;
    snprintf(name, sizeof path - (name - path), "%s", file);
    return path;
}

const LoadedPlugin &Plugin()
{
    static LoadedPlugin plugin;
    if (plugin.module) return plugin;
    const std::string why = LoadPlugin(BesideTests("cubrik.dll"), plugin);
    if (why.empty()) return plugin;
    printf("cubrik.dll %s\n", why.c_str());
    fflush(stdout);
    ExitProcess(2);
}
