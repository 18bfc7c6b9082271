// The range dialog as the user meets it, created from the real DLL's template
// and driven synchronously: the starting state, spin clicks, typed values,
// switching bounds on and off, and the record OK fills.
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
        EXPECT_EQ(s.text[i], std::string("0.00"));
        EXPECT_EQ(s.position[i], ZERO);
        EXPECT_EQ(s.rangeLow[i], 0);
        EXPECT_EQ(s.rangeHigh[i], TOP);
        EXPECT_EQ(s.buddy[i], s.edit[i]) << "a spin is not attached to its own edit box";
    }
    const std::vector<std::wstring> entries = {L"選択する", L"非選択にする", L"選択反転する",
                                               L"ランダムに選択"};
    EXPECT_EQ(s.modeEntries, entries);
    EXPECT_EQ(s.modeIndex, 0);
    EXPECT_EQ(s.focusId, IDC_MIN_X_CHECK);
}

// One row per step: the step, then the bound's text and spin position.
struct Expect {
    DriverStep step;
    const char *text;
    int position;
};

static void Walk(const char *name, const std::vector<Expect> &rows, int row = X_MAX)
{
    OpenDialog dialog;
    ASSERT_NE(dialog.window, nullptr);
    for (size_t i = 0; i < rows.size(); ++i) {
        PerformStep(dialog.window, rows[i].step);
        const DialogState seen = ReadDialog(dialog.window);
        EXPECT_TRUE(seen.text[row] == rows[i].text && seen.position[row] == rows[i].position)
            << name << ", step " << i << ": shows \"" << seen.text[row] << "\" at "
            << seen.position[row] << ", expected \"" << rows[i].text << "\" at "
            << rows[i].position;
    }
}

TEST(Dialog, SpinClicksStepByATenth)
{
    Walk("clicks from 0.00", {
                                 {Up(IDC_MAX_X_SPIN), "0.10", ZERO + 1},
                                 {Down(IDC_MAX_X_SPIN), "0.00", ZERO},
                                 {Down(IDC_MAX_X_SPIN), "-0.10", ZERO - 1},
                             });
}

TEST(Dialog, TypedValuesMoveTheSpinToTheGridPointBelow)
{
    Walk("typing", {
                       {Type(IDC_MAX_X_EDIT, "0.35"), "0.35", ZERO + 3},
                       {Up(IDC_MAX_X_SPIN), "0.40", ZERO + 4},
                       {Type(IDC_MAX_X_EDIT, "0.35"), "0.35", ZERO + 3},
                       {Down(IDC_MAX_X_SPIN), "0.20", ZERO + 2},
                       {Type(IDC_MAX_X_EDIT, "-0.35"), "-0.35", ZERO - 4},
                       {Up(IDC_MAX_X_SPIN), "-0.30", ZERO - 3},
                       {Type(IDC_MAX_X_EDIT, "-0.35"), "-0.35", ZERO - 4},
                       {Down(IDC_MAX_X_SPIN), "-0.50", ZERO - 5},
                       {Type(IDC_MAX_X_EDIT, "0.05"), "0.05", ZERO},
                       {Type(IDC_MAX_X_EDIT, "-0.05"), "-0.05", ZERO - 1},
                       {Type(IDC_MAX_X_EDIT, "abc"), "abc", ZERO},
                   });
}

TEST(Dialog, EndsOfTheSpinRange)
{
    Walk("range ends", {
                           {Type(IDC_MAX_X_EDIT, "-419429.6"), "-419429.6", 0},
                           {Down(IDC_MAX_X_SPIN), "-419429.59", 0},
                           {Up(IDC_MAX_X_SPIN), "-419429.50", 1},
                           {Type(IDC_MAX_X_EDIT, "419429.6"), "419429.6", TOP},
                           {Up(IDC_MAX_X_SPIN), "419429.59", TOP},
                           {Down(IDC_MAX_X_SPIN), "419429.50", TOP - 1},
                           {Type(IDC_MAX_X_EDIT, "1e9"), "1e9", TOP},
                           {Type(IDC_MAX_X_EDIT, "-1e9"), "-1e9", 0},
                           {Type(IDC_MAX_X_EDIT, "1e400"), "1e400", TOP},
                           {Type(IDC_MAX_X_EDIT, "-1d300"), "-1d300", 0},
                       });
}

TEST(Dialog, CheckboxSwitchesOnlyItsEditBox)
{
    OpenDialog dialog;
    ASSERT_NE(dialog.window, nullptr);
    PerformStep(dialog.window, Click(IDC_MAX_X_CHECK));  // off
    const DialogState off = ReadDialog(dialog.window);
    EXPECT_TRUE(!off.checked[X_MAX] && !off.editEnabled[X_MAX] && off.spinEnabled[X_MAX]);
    EXPECT_EQ(off.text[X_MAX], std::string("0.00"));
    PerformStep(dialog.window, Click(IDC_MIN_X_CHECK));  // lower X on
    const DialogState lowerOn = ReadDialog(dialog.window);
    EXPECT_TRUE(lowerOn.checked[X_MIN] && lowerOn.editEnabled[X_MIN]);
    EXPECT_FALSE(lowerOn.editEnabled[X_MAX]);
    PerformStep(dialog.window, Click(IDC_MAX_X_CHECK));  // on again
    const DialogState again = ReadDialog(dialog.window);
    EXPECT_TRUE(again.checked[X_MAX] && again.editEnabled[X_MAX]);
    for (int i : {1, 2, 4, 5}) EXPECT_FALSE(again.editEnabled[i]) << "bound row " << i;
}

TEST(Dialog, SpinOfASwitchedOffBoundStillWritesItsText)
{
    // The lower X bound starts switched off. The spin control itself ignores
    // clicks while its edit box is disabled, but whatever step it reports is
    // still written into the disabled edit box.
    Walk("switched-off bound",
         {
             {Up(IDC_MIN_X_SPIN), "0.00", ZERO},
             {SpinReports(IDC_MIN_X_SPIN, ZERO + 2), "0.20", ZERO + 2},
             {SpinReports(IDC_MIN_X_SPIN, 0), "-419429.59", 0},
         },
         X_MIN);
    Walk("switched off after a step",
         {
             {Up(IDC_MAX_X_SPIN), "0.10", ZERO + 1},
             {Click(IDC_MAX_X_CHECK), "0.10", ZERO + 1},
             {SpinReports(IDC_MAX_X_SPIN, ZERO - 3), "-0.30", ZERO - 3},
         });
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
         [](RangeParam &p) { p.y.useMin = true, p.y.min = -0.25f, p.z.max = 7.0f; }},
        {"a spin step is not what OK reads",
         {Up(IDC_MAX_X_SPIN), Up(IDC_MAX_X_SPIN), Click(IDC_MAX_X_CHECK)},
         [](RangeParam &p) { p.x.useMax = false, p.x.max = 0.2f; }},
        {"the chosen operation is not what OK reads",
         {Mode(Invert)},
         [](RangeParam &p) { p.mode = Invert; }},
        // Full-width digits pass through the ANSI text: code page 1252 maps
        // them to plain ones, 932 keeps them as double-byte characters.
        {"full-width text is not read through the ANSI code page",
         {Do([](HWND d) { SetDlgItemTextW(d, IDC_MAX_X_EDIT, L"\uFF0B\uFF11"); }),
          Do([](HWND d) { SetDlgItemTextW(d, IDC_MAX_Y_EDIT, L"\uFF11\uFF0E\uFF15"); })},
         [](RangeParam &p) {
             const bool western = GetACP() == 1252;
             p.x.max = western ? 1.0f : 0.0f, p.y.max = western ? 1.5f : 0.0f;
         }},
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
