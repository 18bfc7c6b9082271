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
        s.rangeLow[i] = s.rangeHigh[i] = -1;
        SendMessageW(spin, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&s.rangeLow[i]),
                     reinterpret_cast<LPARAM>(&s.rangeHigh[i]));
        s.checked[i] = SendDlgItemMessageW(dialog, ids.check, BM_GETCHECK, 0, 0) == BST_CHECKED;
        s.edit[i] = GetDlgItem(dialog, ids.edit);
        s.editEnabled[i] = IsWindowEnabled(s.edit[i]) != 0;
        s.spinEnabled[i] = IsWindowEnabled(spin) != 0;
        s.buddy[i] = reinterpret_cast<HWND>(SendMessageW(spin, UDM_GETBUDDY, 0, 0));
    }
    s.modeIndex = static_cast<int>(SendDlgItemMessageW(dialog, IDC_MODE_COMBO, CB_GETCURSEL, 0, 0));
    const int entries =
        static_cast<int>(SendDlgItemMessageW(dialog, IDC_MODE_COMBO, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < entries; ++i) {
        wchar_t text[128] = L"";
        if (SendDlgItemMessageW(dialog, IDC_MODE_COMBO, CB_GETLBTEXTLEN, i, 0) < 128)
            SendDlgItemMessageW(dialog, IDC_MODE_COMBO, CB_GETLBTEXT, i,
                                reinterpret_cast<LPARAM>(text));
        s.modeEntries.push_back(text);
    }
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t text[128] = L"";
        GetWindowTextW(child, text, 128);
        s.childTexts.push_back(text);
    }
    HWND focus = GetFocus();
    s.focusId = focus ? GetDlgCtrlID(focus) : 0;
    return s;
}
