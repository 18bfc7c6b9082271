// Binding the host's functions by name: all or nothing, in lookup order.
#include <gtest/gtest.h>
#include <string.h>

#include <set>
#include <string>
#include <vector>

#include "host_api/host_api.h"

namespace {

// A host module as a set of exported names; every lookup is logged.
struct FakeModule {
    std::set<std::string> exports;
    std::vector<std::string> looked;
};

void Exported(void) {}

HostProc Lookup(void *module, const char *name)
{
    FakeModule &m = *static_cast<FakeModule *>(module);
    m.looked.push_back(name);
    return m.exports.count(name) ? Exported : nullptr;
}

std::vector<std::string> AllNames()
{
    std::vector<std::string> names;
    for (const HostFunctionSlot &s : g_hostFunctionSlots) {
        names.push_back(s.name);
    }
    return names;
}

HostProc SlotValue(const HostFunctionTable &table, size_t i)
{
    HostProc p;
    memcpy(&p, reinterpret_cast<const char *>(&table) + g_hostFunctionSlots[i].offset, sizeof p);
    return p;
}

void Marker(void) {}

HostFunctionTable Marked()
{
    HostFunctionTable t;
    for (size_t i = 0; i < HOST_FUNCTION_COUNT; ++i) {
        HostProc m = Marker;
        memcpy(reinterpret_cast<char *>(&t) + g_hostFunctionSlots[i].offset, &m, sizeof m);
    }
    return t;
}

}  // namespace

TEST(HostBinding, NamesAreTheHostsInLookupOrder)
{
    const std::vector<std::string> names = AllNames();
    ASSERT_EQ(names.size(), 122u);
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), 122u) << "a name twice";
    // Family boundaries: 9 application, 29 document, 3 scene, 54 object, 27 material.
    EXPECT_EQ(names[0], "MQ_GetWindowHandle");
    EXPECT_EQ(names[8], "MQ_RefreshView");
    EXPECT_EQ(names[9], "MQDoc_GetObjectCount");
    EXPECT_EQ(names[37], "MQDoc_GetScene");
    EXPECT_EQ(names[38], "MQScene_InitSize");
    EXPECT_EQ(names[41], "MQObj_Delete");
    EXPECT_EQ(names[94], "MQObj_SetLatheSegment");
    EXPECT_EQ(names[95], "MQMat_Delete");
    EXPECT_EQ(names[121], "MQMat_SetBumpName");
    const char *prefixes[] = {"MQ_", "MQDoc_", "MQScene_", "MQObj_", "MQMat_"};
    const size_t ends[] = {9, 38, 41, 95, 122};
    size_t family = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i == ends[family]) ++family;
        EXPECT_EQ(names[i].rfind(prefixes[family], 0), 0u) << names[i] << " at " << i;
    }
}

TEST(HostBinding, AllNamesFoundBindsEverySlot)
{
    const std::vector<std::string> names = AllNames();
    FakeModule host;
    host.exports = std::set<std::string>(names.begin(), names.end());
    HostFunctionTable table = {};
    EXPECT_EQ(BindHostFunctions(table, Lookup, &host), 1);
    EXPECT_EQ(host.looked, names);
    for (size_t i = 0; i < HOST_FUNCTION_COUNT; ++i)
        EXPECT_EQ(SlotValue(table, i), Exported) << names[i];
}

TEST(HostBinding, MissingNameStopsThereAndLeavesTheTableAsItWas)
{
    // A host lacking any one name, first, in the middle or last: the table
    // of an earlier binding must stay whole, not half this module's.
    const std::vector<std::string> names = AllNames();
    for (size_t missing : {size_t(0), size_t(17), size_t(121)}) {
        FakeModule host;
        host.exports = std::set<std::string>(names.begin(), names.end());
        host.exports.erase(names[missing]);
        HostFunctionTable table = Marked();
        EXPECT_EQ(BindHostFunctions(table, Lookup, &host), 0) << names[missing];
        EXPECT_EQ(host.looked.size(), missing + 1) << "lookups stop at the missing name";
        for (size_t i = 0; i < HOST_FUNCTION_COUNT; ++i)
            EXPECT_EQ(SlotValue(table, i), Marker)
                << names[i] << " changed with " << names[missing] << " missing";
    }
}
