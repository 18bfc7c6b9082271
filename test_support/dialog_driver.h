// Drives the plug-in's modal dialog from inside the host process, as a user
// would, one step per tick of a thread timer: a WH_CBT hook notices the
// dialog being activated and starts the script. Deterministic: every step
// runs on the dialog's own thread, between two turns of its message loop.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

enum class DriverAction {
    SpinUp,      // a mouse click on the up arrow of spin `id`
    SpinDown,    // a mouse click on the down arrow of spin `id`
    Type,        // select all of edit `id` and type `text` key by key
    SetText,     // SetDlgItemTextA(id, text)
    Click,       // a click on button or checkbox `id` (BM_CLICK)
    ChooseMode,  // choose entry `value` of the operation list, as the user would
    Key,         // key `value` (a virtual-key code) pressed and released on the focus
    CloseBox,    // the close box in the title bar
    Pause,       // waits `value` milliseconds before the next step
    Call,        // calls `call` with the dialog (it may run the command again)
};

struct DriverStep {
    DriverAction action;
    int id = 0;
    int value = 0;
    std::string text;
    std::function<void(HWND dialog)> call;
    std::string source;  // where the step came from, for messages: script step 3 "up 1012"
};

// Arms the driver for the next dialog that opens on this thread. Steps run
// every `tickMs`; when the script ends with the dialog still open the driver
// cancels it after a grace period, so a wrong script never hangs a run.
// Runs nest (a Call step may arm another for a dialog it opens) and each
// thread has its own.
void ArmDialogDriver(const std::vector<DriverStep> &steps, UINT tickMs = 20);
// Unhooks this thread's innermost run; safe to call when nothing is armed.
void DisarmDialogDriver();
// The dialog this thread's innermost run saw (or, once disarmed, the last
// one), and whether the script left it open.
HWND DrivenDialog();
bool DriverTimedOut();
// Whether a step could not do its work (a snapshot that could not be written);
// the step has said why on stderr. A Call step marks its own failure with
// FailDriverStep.
bool DriverStepFailed();
void FailDriverStep();
// How many steps had not run when the run ended (the dialog closed before them).
size_t DriverStepsLeft();
