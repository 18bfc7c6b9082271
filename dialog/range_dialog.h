// The range dialog: shows and edits a RangeParam. Run it modally with the
// address of a RangeDialogState as the initialisation value; it ends with
// IDOK after filling the record, or IDCANCEL.
#pragma once

#include <windows.h>

struct RangeParam;

// One run of the dialog, owned by its caller for as long as the dialog is
// open. The dialog fills *param on OK and sets confirmed then, and only then:
// a dialog ended any other way (Cancel, Escape, the close box, a quit message
// in the host's queue) leaves it false.
struct RangeDialogState {
    RangeParam *param;
    bool confirmed;
    // Set just before the spin-to-edit path writes a text; the EN_UPDATE
    // that the write raises clears it instead of moving the spin.
    bool ignoreNextEditUpdate;
};

INT_PTR CALLBACK RangeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Registers the up-down (spin) control class that the template's controls need.
void RegisterSpinControlClass(void);
