// The range dialog of the loaded plug-in, created modeless and driven
// synchronously: each step (PerformStep) sends the messages a user's click,
// key or choice produces, and returns once the dialog has answered them;
// then the controls are read back. Only flows that need a modal loop go
// through the command and the scripted driver (command_run.h).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "dialog/range_dialog_internal.h"
#include "selection/range_selection.h"
#include "standin_engine/dialog_driver.h"

// The dialog, open for one test: created from cubrik.dll's template with the
// dialog's own procedure (the DLL's object), over a run and record of its
// own, destroyed when the test's scope ends.
struct OpenDialog {
    RangeParam param;
    RunState run;
    HWND window;
    OpenDialog();
    ~OpenDialog();
    OpenDialog(const OpenDialog &) = delete;
    OpenDialog &operator=(const OpenDialog &) = delete;
};

// What the dialog shows. Bounds are in the order lower X, Y, Z, upper X, Y, Z.
struct DialogState {
    std::string text[6];
    int position[6];
    bool checked[6];
    bool editEnabled[6];
    bool spinEnabled[6];
    int focusId;
};
DialogState ReadDialog(HWND dialog);

// The dialog's controls in z-order, which is the template's order and the
// Tab order.
std::vector<HWND> Children(HWND dialog);

// A window's class and text, and a list's entries in list order, as Unicode
// whatever the code page.
std::wstring ClassOf(HWND window);
std::wstring TextOf(HWND window);
std::vector<std::wstring> EntriesOf(HWND list);
