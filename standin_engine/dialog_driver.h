// What a user does to the range dialog, as rows of steps, each done by one
// function (PerformStep): the Wine tests perform them on a modeless dialog
// and read the controls back; the driver below replays them inside the modal
// dialog of the plug-in's command, from the host process, one step per tick
// of a thread timer: a WH_CBT hook notices the dialog being created and
// starts the script. Deterministic: every step runs on the dialog's own
// thread, between two turns of its message loop. The driver reports what
// happened; the program that armed it says so in its own words.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "standin_engine/driver_action.h"

struct DriverStep {
    DriverAction action;
    int id = 0;
    int value = 0;
    std::string text;
    std::function<void(HWND dialog)> call;
    std::string source;  // where the step came from, for messages: script step 3 "up 1012"
};

// Steps, built readably.
inline DriverStep Step(DriverAction action, int id = 0, int value = 0, const char *text = "")
{
    DriverStep step;
    step.action = action;
    step.id = id;
    step.value = value;
    step.text = text;
    return step;
}
inline DriverStep Up(int spin) { return Step(DriverAction::SpinUp, spin); }
inline DriverStep Down(int spin) { return Step(DriverAction::SpinDown, spin); }
inline DriverStep Type(int edit, const char *text)
{
    return Step(DriverAction::Type, edit, 0, text);
}
inline DriverStep SetText(int edit, const char *text)
{
    return Step(DriverAction::SetText, edit, 0, text);
}
inline DriverStep Click(int id) { return Step(DriverAction::Click, id); }
inline DriverStep Mode(int index) { return Step(DriverAction::ChooseMode, 0, index); }
inline DriverStep Key(int virtualKey) { return Step(DriverAction::Key, 0, virtualKey); }
inline DriverStep CloseBox() { return Step(DriverAction::CloseBox); }
inline DriverStep SpinReports(int spin, int position)
{
    return Step(DriverAction::SpinReports, spin, position);
}
// A step that calls `call` with the dialog; it may run the command again.
inline DriverStep Do(std::function<void(HWND dialog)> call)
{
    DriverStep step = Step(DriverAction::Call);
    step.call = call;
    return step;
}

// Whether the window is a dialog box (of the system's dialog class).
bool IsDialog(HWND window);

// Does the step to the dialog and returns once the dialog has answered it;
// only a key is posted, for a modal loop to see as typed. Pause does nothing.
void PerformStep(HWND dialog, const DriverStep &step);

// Arms the driver for the next dialog that opens on this thread. Steps run
// every `tickMs`; when the script ends with the dialog still open the driver
// cancels it after a grace period, so a wrong script never hangs a run.
// Runs nest (a Call step may arm another for a dialog it opens) and each
// thread has its own.
void ArmDialogDriver(const std::vector<DriverStep> &steps, UINT tickMs = 20);
// Unhooks this thread's innermost run; safe to call when nothing is armed.
void DisarmDialogDriver();
// The dialog this thread's innermost run saw (or, once disarmed, the last
// one), whether the script left it open (the driver cancelled it), and how
// many steps had not run when it ended (it closed before them).
HWND DrivenDialog();
bool DriverTimedOut();
size_t DriverStepsLeft();
