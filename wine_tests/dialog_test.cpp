// The range dialog as the user meets it, created from the real DLL's template
// and driven synchronously: the starting state, each spin coupled with its
// edit box, switching bounds on and off, and the record OK fills. The spin's
// arithmetic (the value of a position, the position of a typed value) is
// tested natively, in numbers/spin_encoding_test.cpp; here only what the
// dialog adds to it.
#include <windows.h>

#include <stdio.h>

#include <gtest/gtest.h>

#include "dialog/resource_ids.h"
#include "wine_tests/dialog_controls.h"

enum { ZERO = 4194296, TOP = 8388592 };
static const int X_MIN = 0, X_MAX = 3;  // rows of DialogState

TEST(Dialog, FreshState)
{
    OpenDialog dialog;
    ASSERT_NE(dialog.window, nullptr);
    const DialogState s = ReadDialog(dialog.window);
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE("bound row " + std::to_string(i));
        const bool xMax = i == X_MAX;
        EXPECT_EQ(s.checked[i], xMax);
        EXPECT_EQ(s.editEnabled[i], xMax);
        EXPECT_EQ(s.spinEnabled[i], true);
        EXPECT_EQ(s.position[i], ZERO);
    }
    EXPECT_EQ(s.focusId, IDC_MIN_X_CHECK);
}

// One row per step on the upper X bound: the step, then the bound's text and
// spin position.
TEST(Dialog, SpinAndEditBoxAreCoupled)
{
    const struct {
        DriverStep step;
        const char *text;
        int position;
    } rows[] = {
        // A click rewrites the text from the spin's new position.
        {Up(IDC_MAX_X_SPIN), "0.10", ZERO + 1},
        {Down(IDC_MAX_X_SPIN), "0.00", ZERO},
        // Typing moves the spin to the grid point below and leaves the text
        // as typed; a click then steps from there.
        {Type(IDC_MAX_X_EDIT, "0.35"), "0.35", ZERO + 3},
        {Up(IDC_MAX_X_SPIN), "0.40", ZERO + 4},
        // The ends of the range the dialog gives its spins, reached by long
        // texts. At the top, the text a click writes reads back one position
        // lower: it must not echo into the spin.
        {Type(IDC_MAX_X_EDIT, "-419429.6"), "-419429.6", 0},
        {Type(IDC_MAX_X_EDIT, "419429.6"), "419429.6", TOP},
        {Up(IDC_MAX_X_SPIN), "419429.59", TOP},
        {Down(IDC_MAX_X_SPIN), "419429.50", TOP - 1},
        // Switched off, the bound keeps its text, and whatever step its spin
        // reports is still written into the disabled box.
        {Click(IDC_MAX_X_CHECK), "419429.50", TOP - 1},
        {SpinReports(IDC_MAX_X_SPIN, ZERO - 3), "-0.30", ZERO - 3},
    };
    OpenDialog dialog;
    ASSERT_NE(dialog.window, nullptr);
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        PerformStep(dialog.window, rows[i].step);
        const DialogState seen = ReadDialog(dialog.window);
        EXPECT_TRUE(seen.text[X_MAX] == rows[i].text && seen.position[X_MAX] == rows[i].position)
            << "step " << i << ": shows \"" << seen.text[X_MAX] << "\" at " << seen.position[X_MAX]
            << ", expected \"" << rows[i].text << "\" at " << rows[i].position;
    }
}

TEST(Dialog, CheckboxSwitchesOnlyItsEditBox)
{
    OpenDialog dialog;
    ASSERT_NE(dialog.window, nullptr);
    PerformStep(dialog.window, Click(IDC_MAX_X_CHECK));  // off
    const DialogState off = ReadDialog(dialog.window);
    EXPECT_TRUE(!off.checked[X_MAX] && !off.editEnabled[X_MAX] && off.spinEnabled[X_MAX]);
    PerformStep(dialog.window, Click(IDC_MIN_X_CHECK));  // lower X on
    const DialogState lowerOn = ReadDialog(dialog.window);
    EXPECT_TRUE(lowerOn.checked[X_MIN] && lowerOn.editEnabled[X_MIN]);
    EXPECT_FALSE(lowerOn.editEnabled[X_MAX]);
    PerformStep(dialog.window, Click(IDC_MAX_X_CHECK));  // on again
    const DialogState again = ReadDialog(dialog.window);
    EXPECT_TRUE(again.checked[X_MAX] && again.editEnabled[X_MAX]);
    for (int i : {1, 2, 4, 5}) EXPECT_FALSE(again.editEnabled[i]) << "bound row " << i;
}

TEST(Dialog, RowsAreIndependent)
{
    OpenDialog dialog;
    ASSERT_NE(dialog.window, nullptr);
    for (const DriverStep &step : {Click(IDC_MAX_Y_CHECK), Click(IDC_MIN_Z_CHECK),
                                   Up(IDC_MAX_Y_SPIN), Up(IDC_MAX_Y_SPIN), Down(IDC_MIN_Z_SPIN)})
        PerformStep(dialog.window, step);
    const DialogState seen = ReadDialog(dialog.window);
    const char *texts[6] = {"0.00", "0.00", "-0.10", "0.00", "0.20", "0.00"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(seen.text[i], texts[i]) << "bound row " << i;
}

// The record as one line, every field, floats exact.
static std::string Show(const RangeParam &p)
{
    char line[256];
    snprintf(line, sizeof line, "x %d %.9g %d %.9g, y %d %.9g %d %.9g, z %d %.9g %d %.9g, mode %d",
             p.x.useMin, p.x.min, p.x.useMax, p.x.max, p.y.useMin, p.y.min, p.y.useMax, p.y.max,
             p.z.useMin, p.z.min, p.z.useMax, p.z.max, static_cast<int>(p.mode));
    return line;
}

TEST(Dialog, OkFillsTheRecordFromWhatTheControlsShow)
{
    // Each row: the user's steps before OK, and the record OK must fill
    // (from the starting record: only x < 0 on, every value 0, Select).
    const struct {
        const char *fault;
        std::vector<DriverStep> steps;
        void (*expect)(RangeParam &);
    } rows[] = {
        {"the starting state is not what OK reads", {}, [](RangeParam &) {}},
        {"a bound is read from another row's box or switch",
         {Click(IDC_MIN_Y_CHECK), Type(IDC_MIN_Y_EDIT, "-0.25"), Type(IDC_MAX_Z_EDIT, "7")},
         [](RangeParam &p) {
             p.y.useMin = true;
             p.y.min = -0.25f;
             p.z.max = 7.0f;
         }},
        {"a spin step is not what OK reads",
         {Up(IDC_MAX_X_SPIN), Up(IDC_MAX_X_SPIN), Click(IDC_MAX_X_CHECK)},
         [](RangeParam &p) {
             p.x.useMax = false;
             p.x.max = 0.2f;
         }},
        {"the chosen operation is not what OK reads",
         {Mode(Invert)},
         [](RangeParam &p) { p.mode = Invert; }},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.fault);
        OpenDialog dialog;
        ASSERT_NE(dialog.window, nullptr);
        EXPECT_FALSE(dialog.run.confirmed) << "confirmed before OK";
        for (const DriverStep &step : row.steps) PerformStep(dialog.window, step);
        PerformStep(dialog.window, Click(IDOK));
        RangeParam expected = {
            {0, 0, false, true}, {0, 0, false, false}, {0, 0, false, false}, Select};
        row.expect(expected);
        ASSERT_TRUE(dialog.run.confirmed);
        EXPECT_EQ(Show(dialog.param), Show(expected));
    }
    OpenDialog cancelled;
    PerformStep(cancelled.window, Click(IDCANCEL));
    EXPECT_FALSE(cancelled.run.confirmed) << "Cancel confirmed the choice, as only OK may";
}

// Full-width digits reach the number syntax through the ANSI code page: code
// page 1252 maps them to plain ones, 932 keeps them as double-byte
// characters, which read 0. CTest runs this under code page 1252 too
// (wine_DialogText_cp1252).
TEST(Dialog, FullWidthDigitsReadThroughTheAnsiCodePage)
{
    OpenDialog dialog;
    ASSERT_NE(dialog.window, nullptr);
    SetDlgItemTextW(dialog.window, IDC_MAX_X_EDIT, L"\uFF0B\uFF11");        // ＋１
    SetDlgItemTextW(dialog.window, IDC_MAX_Y_EDIT, L"\uFF11\uFF0E\uFF15");  // １．５
    PerformStep(dialog.window, Click(IDOK));
    const bool western = GetACP() == 1252;
    EXPECT_EQ(dialog.param.x.max, western ? 1.0f : 0.0f);
    EXPECT_EQ(dialog.param.y.max, western ? 1.5f : 0.0f);
}
