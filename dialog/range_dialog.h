// The range dialog: shows and edits a RangeParam. Run it modally with the
// record's address as the initialisation value; it ends with IDOK after
// filling the record, or IDCANCEL.
#pragma once

#include <windows.h>

INT_PTR CALLBACK RangeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Registers the up-down (spin) control class that the template's controls need.
void RegisterSpinControlClass(void);
