// The dialog's own source, compiled into the test program: its procedure and
// its run record are file-local there, and stay so. Reaching them this way
// leaves the shipped DLL's bytes and the command's one entry, AskRangeChoice,
// as they are; the template and the strings still come from the loaded DLL,
// and the command tests drive the DLL's own copy of the procedure modally.
#include "dialog/range_dialog.cpp"

#include "test_support/range_dialog_modeless.h"

HWND CreateRangeDialog(HINSTANCE instance, HWND owner)
{
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&classes);
    RangeParam *param = new RangeParam();
    RunState *run = new RunState{param, false, false};
    HWND dialog = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_RANGE), owner, RangeDialogProc,
                                     reinterpret_cast<LPARAM>(run));
    if (!dialog) {
        delete run;
        delete param;
        return nullptr;
    }
    ShowWindow(dialog, SW_SHOWNORMAL);  // as the modal loop shows it
    return dialog;
}

bool ConfirmedChoice(HWND dialog, RangeParam &param)
{
    const RunState *run = StateOf(dialog);
    if (!run || !run->confirmed) return false;
    param = *run->param;
    return true;
}

void DestroyRangeDialog(HWND dialog)
{
    RunState *run = StateOf(dialog);
    DestroyWindow(dialog);
    if (run) delete run->param;
    delete run;
}
