// The identity queries, through the real DLL as the host calls them.
#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "wine_tests/hex.h"
#include "wine_tests/plugin_load.h"

// "指定範囲内の頂点を選択" in code page 932.
static const char MENU_TEXT[] = "\x8e\x77\x92\xe8\x94\xcd\x88\xcd\x93\xe0\x82\xcc\x92\xb8\x93\x5f"
                                "\x82\xf0\x91\x49\x91\xf0";
// "指定範囲内の頂点を選択/非選択" followed by three blanks.
static const char NAME_START[] = "\x8e\x77\x92\xe8\x94\xcd\x88\xcd\x93\xe0\x82\xcc\x92\xb8\x93\x5f"
                                 "\x82\xf0\x91\x49\x91\xf0\x2f\x94\xf1\x91\x49\x91\xf0   ";

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
    EXPECT_EQ(std::string(name).substr(0, strlen(NAME_START)), std::string(NAME_START));
    EXPECT_GT(strlen(name), strlen(NAME_START));  // the project's notice follows
    EXPECT_EQ(std::string(Plugin().enumString(0)), std::string(MENU_TEXT));
}

TEST(Identity, OneCommandOnly)
{
    EXPECT_EQ(Plugin().enumString(1), nullptr);
    EXPECT_EQ(Plugin().enumString(-1), nullptr);
    EXPECT_EQ(Plugin().enumString(0x7FFFFFFF), nullptr);
}

TEST(Identity, StringsAreStatic)
{
    EXPECT_EQ(Plugin().getPlugInName(), Plugin().getPlugInName());
    EXPECT_EQ(Plugin().enumString(0), Plugin().enumString(0));
    // They live inside the module itself.
    const char *base = reinterpret_cast<const char *>(Plugin().module);
    EXPECT_GT(Plugin().enumString(0), base);
}
