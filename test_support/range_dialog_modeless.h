// The range dialog created modeless, for tests that drive it synchronously:
// the template and strings of the module given (the loaded cubrik.dll), the
// dialog's own procedure, and messages sent straight to its controls, with
// no modal loop, timer or hook in between.
#pragma once

#include <windows.h>

#include "selection/range_selection.h"

// Creates the dialog from instance's template, shown over owner, with a run
// of its own kept with the window; null if it cannot be created.
HWND CreateRangeDialog(HINSTANCE instance, HWND owner);

// Whether OK has been pressed, and then the record it filled.
bool ConfirmedChoice(HWND dialog, RangeParam &param);

// Destroys the dialog and its run.
void DestroyRangeDialog(HWND dialog);
