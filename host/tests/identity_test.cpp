// The identity queries, through the real DLL as the host calls them.
#include <string.h>

#include "host/tests/check.h"
#include "host/tests/plugin_load.h"

// "指定範囲内の頂点を選択" in code page 932.
static const char MENU_TEXT[] = "\x8e\x77\x92\xe8\x94\xcd\x88\xcd\x93\xe0\x82\xcc\x92\xb8\x93\x5f"
                                "\x82\xf0\x91\x49\x91\xf0";
// "指定範囲内の頂点を選択/非選択" followed by three blanks.
static const char NAME_START[] = "\x8e\x77\x92\xe8\x94\xcd\x88\xcd\x93\xe0\x82\xcc\x92\xb8\x93\x5f"
                                 "\x82\xf0\x91\x49\x91\xf0\x2f\x94\xf1\x91\x49\x91\xf0   ";

TEST_CASE(identity_version_whatever_is_passed)
{
    for (uint32_t passed : {0u, 0x231u, 0xFFFFFFFFu, 12345u})
        CHECK_EQ(Plugin().checkVersion(passed), 0x231u);
}

TEST_CASE(identity_ids_written_and_nothing_else)
{
    uint32_t ids[4] = {0xAAAAAAAA, 0xBBBBBBBB, 0xCCCCCCCC, 0xDDDDDDDD};
    Plugin().getPlugInId(&ids[1], &ids[2]);
    CHECK_EQ(ids[0], 0xAAAAAAAAu);
    CHECK_EQ(ids[1], 0xDEAD1200u);
    CHECK_EQ(ids[2], 0x125F0001u);
    CHECK_EQ(ids[3], 0xDDDDDDDDu);
}

TEST_CASE(identity_ids_tolerate_null_pointers)
{
    uint32_t id = 0;
    Plugin().getPlugInId(nullptr, &id);
    CHECK_EQ(id, 0x125F0001u);
    uint32_t product = 0;
    Plugin().getPlugInId(&product, nullptr);
    CHECK_EQ(product, 0xDEAD1200u);
}

// A crash ends the whole run at once, naming the test case it happened in;
// CTest expects that message from this case.
TEST_CASE(crashcheck_access_violation)
{
    volatile int *nowhere = nullptr;
    *nowhere = 1;
}

TEST_CASE(identity_type_is_command) { CHECK_EQ(Plugin().getPlugInType(), 4); }

TEST_CASE(identity_name_and_menu_text_in_shift_jis)
{
    const char *name = Plugin().getPlugInName();
    CHECK(name != nullptr);
    CHECK_EQ(std::string(name).substr(0, strlen(NAME_START)), std::string(NAME_START));
    CHECK(strlen(name) > strlen(NAME_START));  // the project's notice follows
    CHECK_EQ(std::string(Plugin().enumString(0)), std::string(MENU_TEXT));
}

TEST_CASE(identity_one_command_only)
{
    CHECK(Plugin().enumString(1) == nullptr);
    CHECK(Plugin().enumString(-1) == nullptr);
    CHECK(Plugin().enumString(0x7FFFFFFF) == nullptr);
}

TEST_CASE(identity_strings_are_static)
{
    CHECK(Plugin().getPlugInName() == Plugin().getPlugInName());
    CHECK(Plugin().enumString(0) == Plugin().enumString(0));
    // They live inside the module itself.
    const char *base = reinterpret_cast<const char *>(Plugin().module);
    CHECK(Plugin().enumString(0) > base);
}
