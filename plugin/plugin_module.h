// The module's own instance handle, and whether the host's table can be
// called through.
#pragma once

#include <windows.h>

// Where the dialog template and the string table are loaded from. Saved by
// DllMain on every notification.
extern HINSTANCE g_hInstance;

// True when the last successful MQInit bound the whole table and the module
// it points into is still loaded. The command asks before it opens the
// dialog and again before it walks: the host may bind again in between.
bool HostTableUsable(void);
