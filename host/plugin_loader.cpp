#include "host/plugin_loader.h"

template <typename T> static bool Resolve(HMODULE module, const char *name, T &slot)
{
    slot = reinterpret_cast<T>(reinterpret_cast<void *>(GetProcAddress(module, name)));
    return slot != nullptr;
}

const char *LoadPlugin(const char *path, LoadedPlugin &plugin)
{
    plugin = LoadedPlugin();
    plugin.module = LoadLibraryA(path);
    if (!plugin.module) return "the DLL itself";
    if (!Resolve(plugin.module, "MQCheckVersion", plugin.checkVersion)) return "MQCheckVersion";
    if (!Resolve(plugin.module, "MQGetPlugInID", plugin.getPlugInId)) return "MQGetPlugInID";
    if (!Resolve(plugin.module, "MQGetPlugInName", plugin.getPlugInName)) return "MQGetPlugInName";
    if (!Resolve(plugin.module, "MQGetPlugInType", plugin.getPlugInType)) return "MQGetPlugInType";
    if (!Resolve(plugin.module, "MQEnumString", plugin.enumString)) return "MQEnumString";
    if (!Resolve(plugin.module, "MQInit", plugin.init)) return "MQInit";
    if (!Resolve(plugin.module, "MQModifyObject", plugin.modifyObject)) return "MQModifyObject";
    return nullptr;
}
