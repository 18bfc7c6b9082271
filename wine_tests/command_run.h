// Running the plug-in's command from a Wine test: this test program is the
// host (it exports the 122 host functions), the dialog is driven by a script
// of DriverSteps, and every control's state can be recorded along the way.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "test_support/dialog_driver.h"
#include "standin_host/standin_host.h"

// MQInit with this program's own file name, as the host does; checked.
void BindToThisHost();

// What the dialog showed at one Inspect step. Bounds are in the order
// lower X, Y, Z, upper X, Y, Z.
struct DialogState {
    int tag;
    std::string text[6];
    int position[6];
    int rangeLow[6], rangeHigh[6];
    bool checked[6];
    bool editEnabled[6];
    bool spinEnabled[6];
    HWND buddy[6], edit[6];
    int modeIndex;
    std::vector<std::wstring> modeEntries;  // read as Unicode, whatever the code page
    std::wstring caption;
    std::vector<std::wstring> childTexts;  // every control's text, in template order
    int focusId;
    HWND owner;
};

extern std::vector<DialogState> g_states;
void RecordDialog(HWND dialog, int tag);

// Steps, built readably.
DriverStep Up(int spin);
DriverStep Down(int spin);
DriverStep SpinNotice(int spin, int position);
DriverStep Type(int edit, const char *text);
DriverStep SetText(int edit, const char *text);
DriverStep Click(int id);
DriverStep Mode(int index);
DriverStep Key(int virtualKey);
DriverStep CloseBox();
DriverStep Look(int tag);

// Runs command 0 over the current document with the script; the dialog's
// states land in g_states. Checks that the script did not leave it open.
int RunCommand(const std::vector<DriverStep> &steps);

// The calls made into the host by the last run, one line each:
// "MQDoc_AddSelectVertex 0 5" (function, object index, vertex index).
std::vector<std::string> HostCalls();
std::string Call(const char *function, int object = -1, int vertex = -1);

// Indices of bound rows in DialogState, by the edit box's identifier.
int BoundRow(int editId);
