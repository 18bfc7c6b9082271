// The real plug-in DLL, loaded once for the Wine tests as the host loads it.
#pragma once

#include "standin_host/standin_host.h"

// cubrik.dll beside the test program, every export resolved; a DLL that
// cannot be loaded or lacks an export ends the run.
const LoadedPlugin &Plugin();

// The full path of a file beside the test program.
const char *BesideTests(const char *file);
