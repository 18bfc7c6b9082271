// The range dialog's inside, shared by AskRangeChoice and the Wine tests that
// drive the same compiled procedure without a modal loop: the run record the
// procedure keeps in DWLP_USER, the procedure, and the set-up of a run. The
// command itself needs only range_dialog.h.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "dialog/resource_ids.h"

struct RangeParam;

// One run of the dialog. OK fills *param and sets confirmed, and only OK: a
// dialog ended any other way leaves it false.
struct RunState {
    RangeParam *param;
    bool confirmed;
    // Set just before the spin-to-edit path writes a text; the EN_UPDATE
    // that the write raises clears it instead of moving the spin.
    bool ignoreNextEditUpdate;
};

// WM_INITDIALOG's lParam is the run's RunState, which must outlive the window.
INT_PTR CALLBACK RangeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// What every run does first: registers the spin class the template's spins
// need (a failure shows as a dialog that does not open), and makes run a run
// over param that nothing has confirmed.
inline void StartRun(RunState &run, RangeParam &param)
{
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&classes);
    run.param = &param;
    run.confirmed = false;
    run.ignoreNextEditUpdate = false;
}

// The dialog created modeless from instance's template over owner, with run
// (from StartRun) as its record, and shown as the modal loop shows it; null
// when it cannot be created. Destroyed with DestroyWindow.
inline HWND CreateRangeDialog(HINSTANCE instance, HWND owner, RunState &run)
{
    HWND dialog = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_RANGE), owner, RangeDialogProc,
                                     reinterpret_cast<LPARAM>(&run));
    if (dialog) ShowWindow(dialog, SW_SHOWNORMAL);
    return dialog;
}
