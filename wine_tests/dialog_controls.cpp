#include "wine_tests/dialog_controls.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include "dialog/resource_ids.h"
#include "wine_tests/plugin_load.h"

OpenDialog::OpenDialog()
{
    StartRun(run, param);
    window = CreateRangeDialog(Plugin().module, nullptr, run);
    EXPECT_NE(window, nullptr) << "the dialog cannot be created (error " << GetLastError() << ")";
}

OpenDialog::~OpenDialog()
{
    if (window) DestroyWindow(window);
}

DialogState ReadDialog(HWND dialog)
{
    DialogState s;
    for (int i = 0; i < 6; ++i) {
        char text[64] = "";
        const BoundIds &ids = kBoundIds[i];
        GetDlgItemTextA(dialog, ids.edit, text, sizeof text);
        s.text[i] = text;
        HWND spin = GetDlgItem(dialog, ids.spin);
        s.position[i] = static_cast<int>(SendMessageW(spin, UDM_GETPOS32, 0, 0));
        s.checked[i] = SendDlgItemMessageW(dialog, ids.check, BM_GETCHECK, 0, 0) == BST_CHECKED;
        s.editEnabled[i] = IsWindowEnabled(GetDlgItem(dialog, ids.edit)) != 0;
        s.spinEnabled[i] = IsWindowEnabled(spin) != 0;
    }
    HWND focus = GetFocus();
    s.focusId = focus ? GetDlgCtrlID(focus) : 0;
    return s;
}

std::vector<HWND> Children(HWND dialog)
{
    std::vector<HWND> children;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = L"";
    GetClassNameW(window, name, 64);
    return name;
}

std::wstring TextOf(HWND window)
{
    wchar_t text[128] = L"";
    GetWindowTextW(window, text, 128);
    return text;
}

std::vector<std::wstring> EntriesOf(HWND list)
{
    std::vector<std::wstring> entries;
    const int count = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[128] = L"";
        if (SendMessageW(list, CB_GETLBTEXTLEN, i, 0) < 128)
            SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}
