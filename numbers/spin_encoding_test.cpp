#include "numbers/spin_encoding.h"

#include "numbers/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string Shown(int32_t position)
{
    char text[EDIT_TEXT_BUFFER];
    FormatFixed2(SpinValueForPosition(position), text, sizeof text);
    return text;
}

int32_t Typed(const char *text) { return SpinPositionForValue(ScanNumber(text)); }

TEST(SpinEncoding, StepIsTheSinglePrecisionTenth)
{
    uint32_t bits;
    std::memcpy(&bits, &SPIN_STEP, sizeof bits);
    EXPECT_EQ(bits, 0x3DCCCCCDu);
}

TEST(SpinEncoding, PositionsShowTheirValue)
{
    const struct {
        int32_t position;
        const char *text;
    } cases[] = {
        {0, "-419429.59"},  {1, "-419429.50"},  {8388591, "419429.50"}, {8388592, "419429.59"},
        {4194296, "0.00"},  {4194297, "0.10"},  {4194295, "-0.10"},     {4194300, "0.40"},
        {4194298, "0.20"},  {4194293, "-0.30"}, {4194291, "-0.50"},     {4194306, "1.00"},
        {4194286, "-1.00"},
    };
    for (const auto &c : cases) EXPECT_EQ(Shown(c.position), c.text) << c.position;
}

TEST(SpinEncoding, TypedTextLandsOnTheGridPointBelow)
{
    const struct {
        const char *text;
        int32_t position;
    } cases[] = {
        {"0.35", 4194299}, {"-0.35", 4194292},    {"0.05", 4194296},     {"-0.05", 4194295},
        {"0", 4194296},    {"-0", 4194296},       {"abc", 4194296},      {"0.1", 4194297},
        {"-0.1", 4194295}, {"-419429.6", 0},      {"419429.6", 8388592}, {"419429.59", 8388591},
        {"-419429.5", 1},  {"419429.7", 8388592}, {"-419429.7", 0},      {"3e8", 8388592},
        {"-3e8", 0},       {"1e300", 8388592},    {"-1e300", 0},         {"1e400", 8388592},
        {"-1e400", 0},     {"1e-400", 4194296},
    };
    for (const auto &c : cases) EXPECT_EQ(Typed(c.text), c.position) << c.text;
    EXPECT_EQ(SpinPositionForValue(NAN), 0);
}

TEST(SpinEncoding, PositionsBelowTheRangeWrapInsteadOfOverflowing)
{
    EXPECT_GT(SpinValueForPosition(INT32_MIN), 0.0f);
}

// The texts the dialog writes are those of the spin's positions: every one of
// them matches the C library's "%.2f", and typing it back gives the same
// position or, far from zero where the float is coarse, the one below.
TEST(SpinEncoding, ShownTextsMatchTheCLibraryAndReadBackClose)
{
    char mine[EDIT_TEXT_BUFFER], theirs[EDIT_TEXT_BUFFER];
    for (int32_t p = 0; p <= SPIN_MAX_POS; ++p) {
        const float value = SpinValueForPosition(p);
        const int length = FormatFixed2(value, mine, sizeof mine);
        std::snprintf(theirs, sizeof theirs, "%.2f", static_cast<double>(value));
        const int32_t back = Typed(mine);
        if (length != static_cast<int>(std::strlen(theirs)) || std::strcmp(mine, theirs) != 0 ||
            (back != p && back != p - 1))
            FAIL() << "position " << p << ": \"" << mine << "\", the C library \"" << theirs
                   << "\", read back as " << back;
    }
}

}  // namespace
