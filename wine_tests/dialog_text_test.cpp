// The dialog's texts as the user reads them, on any system: the controls'
// texts and the operation list's chosen entry, read back as Unicode from the
// dialog made of the real DLL's template and strings (the list's entries are
// Dialog.FreshState's). A dialog created or filled through the ANSI calls
// shows each Japanese character as "?" wherever the ANSI code page is not
// 932, so CTest runs this suite (and Dialog's) under code page 1252 as well
// (wine_DialogText_cp1252).
#include <windows.h>

#include <stdlib.h>

#include <string>

#include <gtest/gtest.h>

#include "dialog/resource_ids.h"
#include "selection/range_selection.h"
#include "wine_tests/command_run.h"
#include "wine_tests/dialog_controls.h"
#include "standin_engine/wide_text.h"

namespace {

// The code page the CTest entry means this run to have (CUBRIK_EXPECT_ACP),
// so that an entry whose locale did not take effect fails instead of
// passing on the Japanese code page; 0 when the run names none.
UINT IntendedCodePage()
{
    char value[16] = "";
    if (!GetEnvironmentVariableA("CUBRIK_EXPECT_ACP", value, sizeof value)) return 0;
    return static_cast<UINT>(strtoul(value, nullptr, 10));
}

// A control's text, by its place in the template (from 1), as the dialog
// shows it: the template's texts, the closed list's chosen entry, and a
// number the procedure wrote.
struct ShownText {
    int position;
    const wchar_t *text;
    const char *fault;  // what a wrong text here would mean
};

const ShownText FRESH_TEXTS[] = {
    {26, L"範囲", "the template's Japanese texts went through the ANSI code page"},
    {25, L"の頂点を", "the template's Japanese texts went through the ANSI code page"},
    {24, L"キャンセル", "the template's Japanese texts went through the ANSI code page"},
    {22, L"選択する", "the list's first entry was added through the ANSI code page"},
    {6, L"0.00", "the numbers written into the edit boxes lost their ASCII"},
};

}  // namespace

TEST(DialogText, ShowsTheJapaneseTextsOnAnyCodePage)
{
    printf("  ANSI code page %u\n", GetACP());
    if (const UINT intended = IntendedCodePage()) {
        ASSERT_EQ(GetACP(), intended) << "the run's locale did not give the intended code page";
    }
    OpenDialog dialog;
    ASSERT_NE(dialog.window, nullptr);
    DialogState fresh = ReadDialog(dialog.window);
    // And the one the DLL's own command opens, read inside its modal loop.
    BindToThisHost();
    DialogState opened = {};
    RunCommand({Do([&opened](HWND shown) { opened = ReadDialog(shown); }), Click(IDCANCEL)});

    for (const DialogState *seen : {&fresh, &opened})
        for (const ShownText &row : FRESH_TEXTS) {
            const size_t i = static_cast<size_t>(row.position - 1);
            ASSERT_LT(i, seen->childTexts.size()) << "no control " << row.position;
            EXPECT_EQ(seen->childTexts[i], std::wstring(row.text))
                << (seen == &opened ? "the command's dialog: " : "") << "control " << row.position
                << " shows \"" << Utf8(seen->childTexts[i]) << "\", not \"" << Utf8(row.text)
                << "\": " << row.fault;
        }

    // The closed list shows the entry chosen last, as the user reads it.
    PerformStep(dialog.window, Mode(Random));
    const DialogState chosen = ReadDialog(dialog.window);
    const size_t list = 22 - 1;
    ASSERT_LT(list, chosen.childTexts.size());
    EXPECT_EQ(chosen.childTexts[list], std::wstring(L"ランダムに選択"))
        << "after choosing the last entry, the list's field shows \""
        << Utf8(chosen.childTexts[list]) << "\"";
}
