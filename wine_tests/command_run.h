// Running the plug-in's command from a Wine test: this test program is the
// host (it exports the 122 host functions) and the modal dialog is driven by
// a script of DriverSteps. For the flows that need the modal loop; the
// dialog's own behaviour is tested synchronously (dialog_controls.h).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "standin_host/standin_host.h"
#include "standin_engine/dialog_driver.h"

// MQInit with this program's own file name, as the host does; checked.
void BindToThisHost();

// Runs command 0 over the current document with the script. Checks that
// the script did not leave the dialog open.
int RunCommand(const std::vector<DriverStep> &steps);

// The calls made into the host by the last run, one line each:
// "MQDoc_AddSelectVertex 0 5" (function, object index, vertex index).
std::vector<std::string> HostCalls();
std::string Call(const char *function, int object = -1, int vertex = -1);
