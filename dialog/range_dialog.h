// The range dialog: asks the user for the bounds and the operation.
#pragma once

#include <windows.h>

struct RangeParam;

// Runs the dialog modally over owner, with the template and the strings of
// instance, and fills param when the user presses OK. True only then: Cancel,
// Escape, the close box, a quit message in the owner's queue and a dialog
// that cannot open all answer false, with param left undefined.
bool AskRangeChoice(HINSTANCE instance, HWND owner, RangeParam &param);
