// The identity queries, through the real DLL as the host calls them.
#include <windows.h>

#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "standin_engine/wide_text.h"
#include "wine_tests/hex.h"
#include "wine_tests/plugin_load.h"

TEST(Identity, VersionWhateverIsPassed)
{
    for (uint32_t passed : {0u, 0x231u, 0xFFFFFFFFu, 12345u})
        EXPECT_EQ(Hex{Plugin().checkVersion(passed)}, Hex{0x231});
}

TEST(Identity, IdsWrittenAndNothingElse)
{
    uint32_t ids[4] = {0xAAAAAAAA, 0xBBBBBBBB, 0xCCCCCCCC, 0xDDDDDDDD};
    Plugin().getPlugInId(&ids[1], &ids[2]);
    EXPECT_EQ(Hex{ids[0]}, Hex{0xAAAAAAAA});
    EXPECT_EQ(Hex{ids[1]}, Hex{0xDEAD1200});
    EXPECT_EQ(Hex{ids[2]}, Hex{0x125F0001});
    EXPECT_EQ(Hex{ids[3]}, Hex{0xDDDDDDDD});
}

TEST(Identity, IdsTolerateNullPointers)
{
    uint32_t id = 0;
    Plugin().getPlugInId(nullptr, &id);
    EXPECT_EQ(Hex{id}, Hex{0x125F0001});
    uint32_t product = 0;
    Plugin().getPlugInId(&product, nullptr);
    EXPECT_EQ(Hex{product}, Hex{0xDEAD1200});
}

TEST(Identity, TypeIsCommand) { EXPECT_EQ(Plugin().getPlugInType(), 4); }

TEST(Identity, NameAndMenuTextInShiftJis)
{
    const char *name = Plugin().getPlugInName();
    ASSERT_NE(name, nullptr);
    const std::wstring start = L"指定範囲内の頂点を選択/非選択   ";
    EXPECT_EQ(Widen(name, 932).substr(0, start.size()), start);
    EXPECT_GT(Widen(name, 932).size(), start.size()) << "the project's notice follows";
    EXPECT_EQ(Widen(Plugin().enumString(0), 932), L"指定範囲内の頂点を選択");
}

TEST(Identity, OneCommandOnly)
{
    EXPECT_EQ(Plugin().enumString(1), nullptr);
    EXPECT_EQ(Plugin().enumString(-1), nullptr);
    EXPECT_EQ(Plugin().enumString(0x7FFFFFFF), nullptr);
}

// Whether the whole of text, its terminating zero included, lies within the
// loaded image of module.
static bool InImage(HMODULE module, const char *text)
{
    const char *base = reinterpret_cast<const char *>(module);
    IMAGE_DOS_HEADER dos;
    memcpy(&dos, base, sizeof dos);
    IMAGE_NT_HEADERS headers;
    memcpy(&headers, base + dos.e_lfanew, sizeof headers);
    const char *end = base + headers.OptionalHeader.SizeOfImage;
    if (text < base || text >= end) return false;
    const size_t room = static_cast<size_t>(end - text);
    return strnlen(text, room) < room;
}

TEST(Identity, StringsLiveInTheImageTheSameOnEveryCall)
{
    // The host keeps the pointers for as long as the module is loaded.
    const HMODULE module = Plugin().module;
    const char *name = Plugin().getPlugInName();
    const char *command = Plugin().enumString(0);
    EXPECT_TRUE(InImage(module, name)) << "the name is not the module's own";
    EXPECT_TRUE(InImage(module, command)) << "the menu text is not the module's own";
    EXPECT_EQ(Plugin().getPlugInName(), name);
    EXPECT_EQ(Plugin().enumString(0), command);
}
