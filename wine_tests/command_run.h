// Running the plug-in's command from a Wine test: this test program is the
// host (it exports the 122 host functions) and the modal dialog is driven by
// a script of DriverSteps. For the flows that need the modal loop; the
// dialog's own behaviour is tested synchronously (dialog_controls.h).
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "standin_engine/dialog_driver.h"
#include "standin_host/standin_host.h"

// This program's own file name, as the host passes it to MQInit.
const char *ThisProgram();

// MQInit with this program's own file name, as the host does; checked.
void BindToThisHost();

// Runs command 0 over the current document with the script. Checks that
// the script did not leave the dialog open.
int RunCommand(const std::vector<DriverStep> &steps);

// The calls made into the host by the last run, one line each:
// "MQDoc_AddSelectVertex 0 5" (function, object index, vertex index); those
// of one thread only, when its id is given.
std::vector<std::string> HostCalls(DWORD thread = 0);
std::string Call(const char *function, int object = -1, int vertex = -1);

// The calls of a run that reached the walk: the dialog asks for its owner
// window, the walk opens over object 0 with its four calls, then these.
std::vector<std::string> Walked(const std::vector<std::string> &selection = {});

// The lists one after another: steps of a script, or host calls.
template <typename T> std::vector<T> Concat(std::initializer_list<std::vector<T>> parts)
{
    std::vector<T> all;
    for (const std::vector<T> &part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}
