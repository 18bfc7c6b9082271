// The range dialog as the user meets it, driven through the real DLL: the
// starting state, spin clicks, typed values, and switching bounds on and off.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include "dialog/resource_ids.h"
#include "wine_tests/command_run.h"

enum { ZERO = 4194296, TOP = 8388592 };
static const int X_MIN = 0, X_MAX = 3;  // rows of DialogState

// Runs the steps, then cancels; returns the states seen at the Look steps.
static std::vector<DialogState> Watch(std::vector<DriverStep> steps)
{
    ResetDocument({{0, 0, 0}});
    BindToThisHost();
    steps.push_back(Click(IDCANCEL));
    EXPECT_EQ(RunCommand(steps), 0);
    return g_states;
}

TEST(Dialog, FreshState)
{
    const std::vector<DialogState> seen = Watch({Look(0)});
    ASSERT_EQ(seen.size(), 1u);
    const DialogState &s = seen[0];
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

// One row per step: the step, then the X upper bound's text and spin position.
struct Expect {
    DriverStep step;
    const char *text;
    int position;
};

static void Walk(const char *name, const std::vector<Expect> &rows, int row = X_MAX)
{
    std::vector<DriverStep> steps;
    for (size_t i = 0; i < rows.size(); ++i) {
        steps.push_back(rows[i].step);
        steps.push_back(Look(static_cast<int>(i)));
    }
    const std::vector<DialogState> seen = Watch(steps);
    EXPECT_EQ(seen.size(), rows.size());
    for (size_t i = 0; i < seen.size() && i < rows.size(); ++i) {
        EXPECT_TRUE(seen[i].text[row] == rows[i].text && seen[i].position[row] == rows[i].position)
            << name << ", step " << i << ": shows \"" << seen[i].text[row] << "\" at "
            << seen[i].position[row] << ", expected \"" << rows[i].text << "\" at "
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
    const std::vector<DialogState> seen = Watch({
        Click(IDC_MAX_X_CHECK), Look(0),  // off
        Click(IDC_MIN_X_CHECK), Look(1),  // lower X on
        Click(IDC_MAX_X_CHECK), Look(2),  // on again
    });
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_TRUE(!seen[0].checked[X_MAX] && !seen[0].editEnabled[X_MAX] &&
                seen[0].spinEnabled[X_MAX]);
    EXPECT_EQ(seen[0].text[X_MAX], std::string("0.00"));
    EXPECT_TRUE(seen[1].checked[X_MIN] && seen[1].editEnabled[X_MIN]);
    EXPECT_FALSE(seen[1].editEnabled[X_MAX]);
    EXPECT_TRUE(seen[2].checked[X_MAX] && seen[2].editEnabled[X_MAX]);
    for (int i : {1, 2, 4, 5}) EXPECT_FALSE(seen[2].editEnabled[i]) << "bound row " << i;
}

TEST(Dialog, SpinOfASwitchedOffBoundStillWritesItsText)
{
    // The lower X bound starts switched off. The spin control itself ignores
    // clicks while its edit box is disabled, but whatever step it reports is
    // still written into the disabled edit box.
    Walk("switched-off bound",
         {
             {Up(IDC_MIN_X_SPIN), "0.00", ZERO},
             {SpinNotice(IDC_MIN_X_SPIN, ZERO + 2), "0.20", ZERO + 2},
             {SpinNotice(IDC_MIN_X_SPIN, 0), "-419429.59", 0},
         },
         X_MIN);
    Walk("switched off after a step", {
                                          {Up(IDC_MAX_X_SPIN), "0.10", ZERO + 1},
                                          {Click(IDC_MAX_X_CHECK), "0.10", ZERO + 1},
                                          {SpinNotice(IDC_MAX_X_SPIN, ZERO - 3), "-0.30", ZERO - 3},
                                      });
}

TEST(Dialog, RowsAreIndependent)
{
    const std::vector<DialogState> seen =
        Watch({Click(IDC_MAX_Y_CHECK), Click(IDC_MIN_Z_CHECK), Up(IDC_MAX_Y_SPIN),
               Up(IDC_MAX_Y_SPIN), Down(IDC_MIN_Z_SPIN), Look(0)});
    ASSERT_EQ(seen.size(), 1u);
    const char *texts[6] = {"0.00", "0.00", "-0.10", "0.00", "0.20", "0.00"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(seen[0].text[i], texts[i]) << "bound row " << i;
}
