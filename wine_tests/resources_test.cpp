// The plug-in's resources in the real DLL: the range dialog as its command
// opens it, window by window, as the platform built it from the template;
// what only the resources themselves show; and the version record.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dialog/resource_ids.h"
#include "standin_engine/wide_text.h"
#include "wine_tests/command_run.h"
#include "wine_tests/dialog_controls.h"
#include "wine_tests/plugin_load.h"

namespace {

const WORD JAPANESE = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);

// A window of the dialog: its class, its style and extended style as the
// platform created it from the template (an edit box's WS_BORDER becomes
// WS_EX_CLIENTEDGE, every control gets WS_EX_NOPARENTNOTIFY, the dialog
// DS_3DLOOK), its rectangle in dialog units (the dialog's: where it opens,
// over no owner window, and its client area) and the text the user reads.
struct WindowRow {
    int id;
    const wchar_t *cls;
    DWORD style;
    DWORD exStyle;
    int x, y, cx, cy;
    const wchar_t *text;
};

// The dialog, then its controls in z-order, which is the Tab order.
const WindowRow WINDOWS[] = {
    {0, L"#32770", 0x80C800C4, 0x10101, 0, 0, 155, 99, L"cubrik v1.00"},
    {1009, L"Button", 0x50010003, 0x4, 6, 9, 12, 12, L""},
    {1001, L"Edit", 0x58010080, 0x204, 18, 10, 39, 12, L"0.00"},
    {1002, L"msctls_updown32", 0x50000034, 0x4, 54, 10, 9, 12, L""},
    {-1, L"Static", 0x5002008B, 0x4, 63, 11, 29, 12, L"<  X  <"},
    {1017, L"Button", 0x50010003, 0x4, 93, 9, 12, 12, L""},
    {1007, L"Edit", 0x58010080, 0x204, 105, 10, 39, 12, L"0.00"},
    {1012, L"msctls_updown32", 0x50000034, 0x4, 141, 10, 9, 11, L""},
    {1010, L"Button", 0x50010003, 0x4, 6, 27, 12, 12, L""},
    {1003, L"Edit", 0x58010080, 0x204, 18, 29, 39, 12, L"0.00"},
    {1004, L"msctls_updown32", 0x50000034, 0x4, 54, 28, 9, 12, L""},
    {-1, L"Static", 0x5002008B, 0x4, 63, 29, 29, 12, L"<  Y  <"},
    {1018, L"Button", 0x50010003, 0x4, 93, 27, 12, 12, L""},
    {1013, L"Edit", 0x58010080, 0x204, 105, 29, 39, 12, L"0.00"},
    {1014, L"msctls_updown32", 0x50000034, 0x4, 141, 28, 9, 11, L""},
    {1011, L"Button", 0x50010003, 0x4, 6, 45, 12, 12, L""},
    {1005, L"Edit", 0x58010080, 0x204, 18, 46, 39, 12, L"0.00"},
    {1006, L"msctls_updown32", 0x50000034, 0x4, 54, 46, 9, 12, L""},
    {-1, L"Static", 0x5002008B, 0x4, 63, 47, 29, 12, L"<  Z  <"},
    {1019, L"Button", 0x50010003, 0x4, 93, 45, 12, 12, L""},
    {1015, L"Edit", 0x58010080, 0x204, 105, 46, 39, 12, L"0.00"},
    {1016, L"msctls_updown32", 0x50000034, 0x4, 141, 46, 9, 11, L""},
    {1008, L"ComboBox", 0x50210003, 0x4, 96, 66, 57, 60, L"選択する"},
    {1, L"Button", 0x50010001, 0x4, 75, 84, 38, 13, L"OK"},
    {2, L"Button", 0x50010000, 0x4, 117, 84, 36, 13, L"キャンセル"},
    {-1, L"Static", 0x5002000B, 0x4, 66, 68, 27, 8, L"の頂点を"},
    {-1, L"Button", 0x50000007, 0x4, 3, 0, 150, 63, L"範囲"},
};

// The operation list's entries, in list order (strings 103 to 106).
const std::vector<std::wstring> MODE_ENTRIES = {L"選択する", L"非選択にする", L"選択反転する",
                                                L"ランダムに選択"};

// Each window as it was created, before it or the dialog's procedure changed
// it (a spin moves beside its edit box, the list takes its closed height).
std::map<HWND, CREATESTRUCTW> g_created;
HHOOK g_hook;

LRESULT CALLBACK NoteCreation(int code, WPARAM window, LPARAM info)
{
    if (code == HCBT_CREATEWND) {
        const CBT_CREATEWNDW *creation = reinterpret_cast<CBT_CREATEWNDW *>(info);
        g_created[reinterpret_cast<HWND>(window)] = *creation->lpcs;
    }
    return CallNextHookEx(g_hook, code, window, info);
}

// A row as one line, its rectangle in pixels.
std::string Line(const WindowRow &row)
{
    char line[256];
    snprintf(line, sizeof line,
             "id %d, %s, style %08lX, extended %lX, at %d %d, size %d %d, \"%s\"", row.id,
             Utf8(row.cls).c_str(), row.style, row.exStyle, row.x, row.y, row.cx, row.cy,
             Utf8(row.text).c_str());
    return line;
}

// The row with its rectangle mapped to pixels as the dialog maps it.
std::string ExpectedLine(HWND dialog, WindowRow row)
{
    RECT units;
    units.left = row.x;
    units.top = row.y;
    units.right = row.cx;
    units.bottom = row.cy;
    MapDialogRect(dialog, &units);
    row.x = units.left;
    row.y = units.top;
    row.cx = units.right;
    row.cy = units.bottom;
    return Line(row);
}

std::string SeenLine(HWND dialog, HWND window)
{
    const CREATESTRUCTW &made = g_created[window];
    const std::wstring cls = ClassOf(window);
    const std::wstring text = TextOf(window);
    WindowRow seen;
    seen.id = GetDlgCtrlID(window);
    seen.cls = cls.c_str();
    seen.style = static_cast<DWORD>(made.style);
    seen.exStyle = made.dwExStyle;
    seen.x = made.x;
    seen.y = made.y;
    seen.cx = made.cx;
    seen.cy = made.cy;
    seen.text = text.c_str();
    if (window == dialog) {
        RECT client;
        GetClientRect(dialog, &client);
        seen.cx = client.right;
        seen.cy = client.bottom;
    }
    return Line(seen);
}

// The open dialog against WINDOWS and MODE_ENTRIES.
void CheckWindows(HWND dialog)
{
    std::vector<HWND> windows = Children(dialog);
    windows.insert(windows.begin(), dialog);
    const size_t count = sizeof WINDOWS / sizeof WINDOWS[0];
    EXPECT_EQ(windows.size(), count) << "windows: the dialog and its controls";
    for (size_t i = 0; i < count && i < windows.size(); ++i) {
        EXPECT_EQ(SeenLine(dialog, windows[i]), ExpectedLine(dialog, WINDOWS[i])) << "window " << i;
        EXPECT_EQ(GetWindowContextHelpId(windows[i]), 0ul) << "window " << i << " has a help id";
        EXPECT_EQ(g_created[windows[i]].lpCreateParams, nullptr)
            << "window " << i << " has creation data";
    }
    EXPECT_EQ(EntriesOf(GetDlgItem(dialog, IDC_MODE_COMBO)), MODE_ENTRIES);
}

}  // namespace

// The dialog the command opens (DialogBoxParamW, its list filled through
// LoadStringW), read inside its modal loop. CTest runs this under code page
// 1252 too (wine_DialogText_cp1252), where a text that went through the ANSI
// code page would show as "?".
TEST(Resources, DialogWindows)
{
    BindToThisHost();
    g_hook = SetWindowsHookExW(WH_CBT, NoteCreation, nullptr, GetCurrentThreadId());
    bool opened = false;
    RunCommand({Do([&opened](HWND dialog) {
                    CheckWindows(dialog);
                    opened = true;
                }),
                Click(IDCANCEL)});
    UnhookWindowsHookEx(g_hook);
    EXPECT_TRUE(opened) << "the command's dialog did not open";
}

// The rectangle and id of a control as its template entry stores them, 12
// bytes after the entry's start: its help id, extended style and style.
struct Placement {
    short x, y, cx, cy;
    int id;
};

// What only the resources show: that each is filed as Japanese, that the
// string block of the list's names (ids 96 to 111) holds nothing else, and
// what Wine's dialog manager ignores, found in the template's bytes: the
// font's character set, in the font block as a whole (9 pt, weight 400, not
// italic, character set 0, Tahoma), and each control's help id.
TEST(Resources, WhatOnlyTheResourcesShow)
{
    const HMODULE module = Plugin().module;
    const struct {
        LPCSTR type;
        int name;
    } japanese[] = {{RT_DIALOG, IDD_RANGE}, {RT_STRING, 7}, {RT_VERSION, 1}};
    for (const auto &r : japanese)
        EXPECT_NE(FindResourceExA(module, r.type, MAKEINTRESOURCEA(r.name), JAPANESE), nullptr)
            << "resource " << r.name << " of type " << reinterpret_cast<UINT_PTR>(r.type)
            << " is not filed as Japanese";
    for (UINT id : {96, 102, 107, 111}) {
        wchar_t text[8];
        EXPECT_EQ(LoadStringW(module, id, text, 8), 0) << "string " << id << " exists";
    }
    HRSRC found = FindResourceExA(module, RT_DIALOG, MAKEINTRESOURCEA(IDD_RANGE), JAPANESE);
    ASSERT_NE(found, nullptr);
    const char *bytes = static_cast<const char *>(LockResource(LoadResource(module, found)));
    const char *end = bytes + SizeofResource(module, found);
    const wchar_t font[] = L"\x0009\x0190\x0000Tahoma";
    const char *fontBytes = reinterpret_cast<const char *>(font);
    EXPECT_NE(std::search(bytes, end, fontBytes, fontBytes + sizeof font), end)
        << "the dialog's font is not 9 pt Tahoma, weight 400, upright, character set 0";
    for (size_t i = 1; i < sizeof WINDOWS / sizeof WINDOWS[0]; ++i) {
        Placement place;
        place.x = WINDOWS[i].x;
        place.y = WINDOWS[i].y;
        place.cx = WINDOWS[i].cx;
        place.cy = WINDOWS[i].cy;
        place.id = WINDOWS[i].id;
        const char *placeBytes = reinterpret_cast<const char *>(&place);
        const char *at = std::search(bytes + 12, end, placeBytes, placeBytes + sizeof place);
        ASSERT_NE(at, end) << "window " << i << " is not in the template as WINDOWS places it";
        DWORD helpId;
        memcpy(&helpId, at - 12, sizeof helpId);
        EXPECT_EQ(helpId, 0ul) << "window " << i << " has a help id in the template";
    }
}

// A function of version.dll, as file-property readers use it. It is loaded
// at run time: the test program links only what the host needs.
template <typename Function> Function VersionCall(const char *name)
{
    static HMODULE version = LoadLibraryA("version.dll");
    if (!version) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void *>(GetProcAddress(version, name)));
}

TEST(Resources, VersionRecord)
{
    auto getSize = VersionCall<decltype(&GetFileVersionInfoSizeA)>("GetFileVersionInfoSizeA");
    auto getInfo = VersionCall<decltype(&GetFileVersionInfoA)>("GetFileVersionInfoA");
    auto query = VersionCall<decltype(&VerQueryValueA)>("VerQueryValueA");
    ASSERT_TRUE(getSize && getInfo && query);

    char path[MAX_PATH];
    GetModuleFileNameA(Plugin().module, path, MAX_PATH);
    DWORD handle = 0;
    const DWORD size = getSize(path, &handle);
    ASSERT_NE(size, 0ul) << "cubrik.dll has no version record";
    std::vector<BYTE> block(size);
    EXPECT_TRUE(getInfo(path, 0, size, block.data()));

    void *value = nullptr;
    UINT length = 0;
    EXPECT_TRUE(query(block.data(), "\\", &value, &length));
    ASSERT_EQ(length, static_cast<UINT>(sizeof(VS_FIXEDFILEINFO)));
    const VS_FIXEDFILEINFO *fixed = static_cast<const VS_FIXEDFILEINFO *>(value);
    // Version 1.0.0.0 of a DLL, with no debug, pre-release or other flag.
    char fixedLine[128];
    snprintf(fixedLine, sizeof fixedLine,
             "%08lX, file %lX %lX, product %lX %lX, type %lu, flags %lX", fixed->dwSignature,
             fixed->dwFileVersionMS, fixed->dwFileVersionLS, fixed->dwProductVersionMS,
             fixed->dwProductVersionLS, fixed->dwFileType,
             fixed->dwFileFlags & fixed->dwFileFlagsMask);
    EXPECT_STREQ(fixedLine, "FEEF04BD, file 10000 0, product 10000 0, type 2, flags 0");

    // Readers find the texts through the first translation.
    EXPECT_TRUE(query(block.data(), "\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 4u);
    const WORD *translation = static_cast<const WORD *>(value);
    EXPECT_EQ(translation[0], static_cast<WORD>(0x0411));  // Japanese
    EXPECT_EQ(translation[1], static_cast<WORD>(932));     // Shift-JIS

    // The description a user sees is Japanese like every other text: the
    // command's own name, as the menu shows it (compared in code page 932).
    const struct {
        const char *name;
        const char *value;  // null: the entry must be absent
    } texts[] = {{"ProductName", "cubrik"},     {"FileVersion", "1.0.0.0"},
                 {"ProductVersion", "1.0.0.0"}, {"OriginalFilename", "cubrik.dll"},
                 {"InternalName", "cubrik"},    {"CompanyName", nullptr},
                 {"LegalCopyright", nullptr},   {"FileDescription", Plugin().enumString(0)}};
    for (const auto &row : texts) {
        char key[96];
        snprintf(key, sizeof key, "\\StringFileInfo\\%04x%04x\\%s", translation[0], translation[1],
                 row.name);
        value = nullptr;
        const bool found = query(block.data(), key, &value, &length) && value;
        SCOPED_TRACE(row.name);
        if (!row.value) {
            EXPECT_FALSE(found) << "should be absent";
            continue;
        }
        ASSERT_TRUE(found) << "missing";
        EXPECT_STREQ(static_cast<const char *>(value), row.value);
    }
}
