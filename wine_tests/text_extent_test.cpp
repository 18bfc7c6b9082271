// Whether the range dialog's texts fit their controls when drawn in the
// dialog's own font (9 pt Tahoma, the Japanese glyphs linked from a Japanese
// UI font, as a Japanese Windows draws them): each text's extent against the
// room its control gives it. The measurements are printed, one line a text.
//
// The dialog scales with the display's DPI, but its font's glyphs round to
// whole pixels differently at each scale, so a text that fits at 100 % may
// not at another. CTest measures at 96 (wine_Resources), 120, 144 and 192
// dpi (wine_TextsFit_dpiN); the texts that are clipped at some scale, which
// the user guide names, are listed below as known exceptions of that scale.
#include <windows.h>

#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>

#include <gtest/gtest.h>

#include "dialog/resource_ids.h"
#include "standin_engine/wide_text.h"
#include "wine_tests/dialog_controls.h"

namespace {

// What part of its control's client width a text may use.
enum Room {
    STATIC_TEXT,  // a plain label: the whole client width
    PUSH_BUTTON,  // inside the 3D edge and the focus rectangle
    CHECKBOX,     // beside the check box glyph (13 px at 96 dpi)
    GROUP_BOX,    // the title, inside the frame and its indent
    LIST_ENTRY,   // the closed list's text field (without the drop button)
};

struct TextRow {
    int position;   // the control's place in the template, from 1; for LIST_ENTRY the list's
    UINT stringId;  // LIST_ENTRY: the entry's string; else 0 (the control's own text)
    const wchar_t *text;
    Room room;
};

// Every text of dialog 101, and every position that holds a checkbox (whose
// text is empty: its box alone must fit).
const TextRow TEXTS[] = {
    {1, 0, L"", CHECKBOX},
    {4, 0, L"<  X  <", STATIC_TEXT},
    {5, 0, L"", CHECKBOX},
    {8, 0, L"", CHECKBOX},
    {11, 0, L"<  Y  <", STATIC_TEXT},
    {12, 0, L"", CHECKBOX},
    {15, 0, L"", CHECKBOX},
    {18, 0, L"<  Z  <", STATIC_TEXT},
    {19, 0, L"", CHECKBOX},
    {22, 103, L"選択する", LIST_ENTRY},
    {22, 104, L"非選択にする", LIST_ENTRY},
    {22, 105, L"選択反転する", LIST_ENTRY},
    {22, 106, L"ランダムに選択", LIST_ENTRY},
    {23, 0, L"OK", PUSH_BUTTON},
    {24, 0, L"キャンセル", PUSH_BUTTON},
    {25, 0, L"の頂点を", STATIC_TEXT},
    {26, 0, L"範囲", GROUP_BOX},
};

// The texts that do not fit at one scale, as measured under Wine with the
// fonts above; the template cannot change. Each one the user guide names,
// with its scale: a row that fits again fails the test until it and the
// guide's line go.
struct KnownClip {
    int dpi;
    int position;
    UINT stringId;
    const wchar_t *text;
};
const KnownClip KNOWN_CLIPS[] = {
    {120, 22, 106, L"ランダムに選択"},  // 98 px in 89 px: its last character is cut
    {120, 25, 0, L"の頂点を"},          // 58 px in 54 px: its last character is cut
    {144, 22, 106, L"ランダムに選択"},  // 115 px in 113 px: its last character is cut
};

bool IsKnownClip(int dpi, const TextRow &row)
{
    for (const KnownClip &k : KNOWN_CLIPS)
        if (k.dpi == dpi && k.position == row.position && k.stringId == row.stringId &&
            std::wstring(k.text) == row.text)
            return true;
    return false;
}

// The DPI the run is meant to have (CUBRIK_DPI, which the Wine wrapper sets),
// or 0 when it names none.
int IntendedDpi()
{
    char value[16] = "";
    if (!GetEnvironmentVariableA("CUBRIK_DPI", value, sizeof value)) return 0;
    return atoi(value);
}

HWND ChildAt(HWND dialog, int position)
{
    HWND child = GetWindow(dialog, GW_CHILD);
    for (int i = 1; child && i < position; ++i) child = GetWindow(child, GW_HWNDNEXT);
    return child;
}

// The width in pixels that a text of the given kind may take in control.
int RoomFor(HWND control, HDC dc, Room room)
{
    RECT client;
    GetClientRect(control, &client);
    const int width = client.right - client.left;
    const int edge = GetSystemMetrics(SM_CXEDGE);
    switch (room) {
    case STATIC_TEXT:
        return width;
    case PUSH_BUTTON:
        return width - 2 * (edge + 1);
    case CHECKBOX:
        return width - MulDiv(13, GetDeviceCaps(dc, LOGPIXELSX), 96);
    case GROUP_BOX:
        return width - 2 * edge;
    case LIST_ENTRY: {
        COMBOBOXINFO info = {};
        info.cbSize = sizeof info;
        if (!GetComboBoxInfo(control, &info)) return 0;
        return width - (info.rcButton.right - info.rcButton.left) - 2 * edge;
    }
    }
    return 0;
}

// The text's width in the font the control draws with.
int ExtentIn(HWND control, HDC dc, const std::wstring &text)
{
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE size = {};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    return size.cx;
}

}  // namespace

TEST(Resources, TextsFitTheirControls)
{
    OpenDialog open;
    ASSERT_NE(open.window, nullptr);
    HWND dialog = open.window;

    // The measurements mean something only in the fonts a Japanese Windows
    // draws with, which the Wine prefix provides (scripts/wine-run.sh):
    // Tahoma, and Japanese glyphs linked from a face with proportional kana.
    HDC dc = GetDC(dialog);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    printf("  at %d dpi\n", dpi);
    if (const int intended = IntendedDpi()) {
        EXPECT_EQ(dpi, intended) << "the run did not get the DPI it asked for";
    }
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)));
    wchar_t face[LF_FACESIZE] = L"";
    GetTextFaceW(dc, LF_FACESIZE, face);
    SelectObject(dc, old);
    EXPECT_EQ(std::wstring(face), L"Tahoma")
        << "the dialog draws in " << Utf8(face) << ", not Tahoma: the Wine prefix lacks it";
    const int smallKana = ExtentIn(dialog, dc, L"ャ"), kanji = ExtentIn(dialog, dc, L"選");
    EXPECT_TRUE(smallKana > 0 && smallKana < kanji)
        << "the Japanese glyphs are not proportional (ャ " << smallKana << " px, 選 " << kanji
        << " px): the Wine prefix lacks Tahoma's font link";

    for (const TextRow &row : TEXTS) {
        HWND control = ChildAt(dialog, row.position);
        const std::string at =
            "\"" + Utf8(row.text) + "\" (control " + std::to_string(row.position) + ")";
        EXPECT_NE(control, nullptr) << at << ": no such control";
        if (!control) continue;

        // The row states the text the dialog really shows: the control's own,
        // or the list's entry as the dialog filled it.
        wchar_t shown[128] = L"";
        const WPARAM entry = row.stringId - IDS_MODE_SELECT;
        if (!row.stringId)
            GetWindowTextW(control, shown, 128);
        else if (SendMessageW(control, CB_GETLBTEXTLEN, entry, 0) < 128)
            SendMessageW(control, CB_GETLBTEXT, entry, reinterpret_cast<LPARAM>(shown));
        EXPECT_EQ(std::wstring(shown), row.text)
            << at << ": the dialog shows \"" << Utf8(shown) << "\" there";

        const int extent = ExtentIn(control, dc, row.text);
        const int room = RoomFor(control, dc, row.room);
        const bool fits = extent <= room, known = IsKnownClip(dpi, row);
        printf("  %-24s %3d px in %3d px%s\n", at.c_str(), extent, room,
               fits ? (known ? "  FITS, though listed as clipped" : "")
                    : (known ? "  does not fit: known at this DPI" : "  DOES NOT FIT"));
        if (known)
            EXPECT_GT(extent, room) << at << " fits at " << dpi
                                    << " dpi now: drop its known exception, and the user "
                                       "guide's line about it";
        else
            EXPECT_LE(extent, room) << at << " is " << extent << " px wide in a room of " << room
                                    << " px at " << dpi << " dpi";
    }
    ReleaseDC(dialog, dc);
}
