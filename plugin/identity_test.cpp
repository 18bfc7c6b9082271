// The Shift-JIS texts the host shows are the readable texts converted to
// code page 932.
#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "plugin/identity.h"

static std::string ToCp932(const std::string &utf8)
{
    iconv_t cd = iconv_open("CP932", "UTF-8");
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << "this C library lacks CP932";
    std::string in = utf8, out(utf8.size() * 2 + 4, '\0');
    char *inp = in.data(), *outp = out.data();
    size_t inLeft = in.size(), outLeft = out.size();
    EXPECT_NE(iconv(cd, &inp, &inLeft, &outp, &outLeft), static_cast<size_t>(-1));
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

TEST(Identity, TextsAreShiftJis)
{
    EXPECT_EQ(std::string(g_commandText), ToCp932("指定範囲内の頂点を選択"));
    const std::string name(g_pluginName);
    const std::string start = ToCp932("指定範囲内の頂点を選択/非選択") + "   ";
    EXPECT_EQ(name.substr(0, start.size()), start);
    EXPECT_GT(name.size(), start.size()) << "the project's notice follows the three blanks";
}

TEST(Identity, Values)
{
    EXPECT_EQ(PLUGIN_INTERFACE_VERSION, 561u);
    EXPECT_EQ(PLUGIN_PRODUCT_ID, 0xDEAD1200u);
    EXPECT_EQ(PLUGIN_ID, 0x125F0001u);
    EXPECT_EQ(PLUGIN_TYPE_COMMAND, 4u);
}
