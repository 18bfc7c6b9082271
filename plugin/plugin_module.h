// The module's own instance handle: where the dialog template and the string
// table are loaded from. Saved by DllMain on every notification.
#pragma once

#include <windows.h>

extern HINSTANCE g_hInstance;

// Whether the last MQInit that found the host's module bound every name.
extern bool g_hostBound;
