#include "wine_tests/command_run.h"

#include <commctrl.h>
#include <stdio.h>

#include <gtest/gtest.h>

#include "dialog/resource_ids.h"
#include "wine_tests/plugin_load.h"

std::vector<DialogState> g_states;

static const int kChecks[6] = {IDC_MIN_X_CHECK, IDC_MIN_Y_CHECK, IDC_MIN_Z_CHECK,
                               IDC_MAX_X_CHECK, IDC_MAX_Y_CHECK, IDC_MAX_Z_CHECK};
static const int kEdits[6] = {IDC_MIN_X_EDIT, IDC_MIN_Y_EDIT, IDC_MIN_Z_EDIT,
                              IDC_MAX_X_EDIT, IDC_MAX_Y_EDIT, IDC_MAX_Z_EDIT};
static const int kSpins[6] = {IDC_MIN_X_SPIN, IDC_MIN_Y_SPIN, IDC_MIN_Z_SPIN,
                              IDC_MAX_X_SPIN, IDC_MAX_Y_SPIN, IDC_MAX_Z_SPIN};

int BoundRow(int editId)
{
    for (int i = 0; i < 6; ++i)
        if (kEdits[i] == editId) return i;
    return -1;
}

void BindToThisHost()
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    EXPECT_EQ(Plugin().init(self), 1) << "MQInit with this program's own file name";
}

void RecordDialog(HWND dialog, int tag)
{
    DialogState s;
    s.tag = tag;
    for (int i = 0; i < 6; ++i) {
        char text[64] = "";
        GetDlgItemTextA(dialog, kEdits[i], text, sizeof text);
        s.text[i] = text;
        HWND spin = GetDlgItem(dialog, kSpins[i]);
        s.position[i] = static_cast<int>(SendMessageA(spin, UDM_GETPOS32, 0, 0));
        s.rangeLow[i] = s.rangeHigh[i] = -1;
        SendMessageA(spin, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&s.rangeLow[i]),
                     reinterpret_cast<LPARAM>(&s.rangeHigh[i]));
        s.checked[i] = SendDlgItemMessageA(dialog, kChecks[i], BM_GETCHECK, 0, 0) == BST_CHECKED;
        s.edit[i] = GetDlgItem(dialog, kEdits[i]);
        s.editEnabled[i] = IsWindowEnabled(s.edit[i]) != 0;
        s.spinEnabled[i] = IsWindowEnabled(spin) != 0;
        s.buddy[i] = reinterpret_cast<HWND>(SendMessageA(spin, UDM_GETBUDDY, 0, 0));
    }
    s.modeIndex = static_cast<int>(SendDlgItemMessageA(dialog, IDC_MODE_COMBO, CB_GETCURSEL, 0, 0));
    const int entries =
        static_cast<int>(SendDlgItemMessageA(dialog, IDC_MODE_COMBO, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < entries; ++i) {
        wchar_t text[128] = L"";
        if (SendDlgItemMessageW(dialog, IDC_MODE_COMBO, CB_GETLBTEXTLEN, i, 0) < 128)
            SendDlgItemMessageW(dialog, IDC_MODE_COMBO, CB_GETLBTEXT, i,
                                reinterpret_cast<LPARAM>(text));
        s.modeEntries.push_back(text);
    }
    wchar_t caption[128] = L"";
    GetWindowTextW(dialog, caption, 128);
    s.caption = caption;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t text[128] = L"";
        GetWindowTextW(child, text, 128);
        s.childTexts.push_back(text);
    }
    HWND focus = GetFocus();
    s.focusId = focus ? GetDlgCtrlID(focus) : 0;
    s.owner = GetWindow(dialog, GW_OWNER);
    g_states.push_back(s);
}

static DriverStep Make(DriverAction action, int id, int value = 0, const char *text = "")
{
    DriverStep s;
    s.action = action;
    s.id = id;
    s.value = value;
    s.text = text;
    return s;
}

DriverStep Up(int spin) { return Make(DriverAction::SpinUp, spin); }
DriverStep Down(int spin) { return Make(DriverAction::SpinDown, spin); }
DriverStep SpinNotice(int spin, int position)
{
    return Make(DriverAction::SpinNotice, spin, position);
}
DriverStep Type(int edit, const char *text) { return Make(DriverAction::Type, edit, 0, text); }
DriverStep SetText(int edit, const char *text)
{
    return Make(DriverAction::SetText, edit, 0, text);
}
DriverStep Click(int id) { return Make(DriverAction::Click, id); }
DriverStep Mode(int index) { return Make(DriverAction::ChooseMode, 0, index); }
DriverStep Key(int virtualKey) { return Make(DriverAction::Key, 0, virtualKey); }
DriverStep CloseBox() { return Make(DriverAction::CloseBox, 0); }
DriverStep Look(int tag) { return Make(DriverAction::Inspect, 0, tag); }

int RunCommand(const std::vector<DriverStep> &steps)
{
    g_states.clear();
    TheHost().log.clear();
    ArmDialogDriver(steps, RecordDialog, 10);
    const int result = Plugin().modifyObject(0, TheHost().doc);
    DisarmDialogDriver();
    EXPECT_FALSE(DriverTimedOut()) << "the script left the dialog open";
    EXPECT_TRUE(TheHost().unexpected.empty())
        << "the plug-in called a host function it never should";
    return result;
}

std::string Call(const char *function, int object, int vertex)
{
    char text[96];
    snprintf(text, sizeof text, "%s %d %d", function, object, vertex);
    return text;
}

std::vector<std::string> HostCalls()
{
    std::vector<std::string> calls;
    for (const LoggedCall &c : TheHost().log) {
        const std::string function = HostFunctionName(c.call);
        std::string line = Call(function.c_str(), c.object, c.vertex);
        // Calls that take the document must be given this one.
        const bool takesDocument = function.rfind("MQDoc_", 0) == 0;
        if (takesDocument && c.doc != TheHost().doc) line += " (another document)";
        calls.push_back(line);
    }
    return calls;
}
