// The stand-in host's side of a scripted dialog: the script language of
// --script, read into the driver's steps, and the one-line account of the
// dialog's controls that host.exe prints.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "test_support/dialog_driver.h"

// Parses a script such as "check 1009; type 1001 -0.25; up 1012; mode 2; ok".
// Words: up/down ID, type ID TEXT, set ID TEXT, click ID, check ID (= click),
// mode N, ok, cancel, escape, enter, close, pause MS, snapshot PATH (the
// dialog saved as a 24-bit BMP; a file that cannot be written fails the step).
// Steps are separated by ";". TEXT is the rest of its step, the blanks around
// it trimmed; in double quotes it keeps blanks and ";", with \" for a quote
// and \\ for a backslash. Returns false with a message in error naming the
// step on an unknown word, a missing or extra number, a control number that is
// not of the step's kind (a spin for up/down, an edit box for type/set, a
// checkbox or OK/Cancel for click), a mode outside the list, a pause outside 0
// to 60000 ms, a quote out of place or left open, or any step after one that
// ends the dialog (ok, cancel, close, click 1 or 2).
bool ParseDriverScript(const char *script, std::vector<DriverStep> &steps, std::string &error);

// A one-line account of the dialog's controls: each bound that is on, with
// its text when the box holds one number and nothing else ("x < 0.50"), else
// the value the command used and the text as typed ("x < 1 (typed "1,5")"),
// and the chosen operation, in UTF-8 (read as Unicode, so the same on every
// ANSI code page).
std::string DescribeDialog(HWND dialog);
