// The host's menu command: ask for the range, then walk the current object.
#include <windows.h>

#include "dialog/range_dialog.h"
#include "plugin/plugin_exports.h"
#include "plugin/plugin_module.h"
#include "selection/range_selection.h"

int32_t __cdecl MQModifyObject(int32_t index, HostDocument doc)
{
    if (index != 0) return 0;
    // A host that runs the command without a successful MQInit, or whose
    // bound module has gone, would have the plug-in call into nothing.
    if (!HostTableUsable()) return 0;

    RangeParam param;  // the dialog initialises it and fills it on OK
    HWND owner = static_cast<HWND>(g_host.MQ_GetWindowHandle());
    if (!AskRangeChoice(g_hInstance, owner, param)) return 0;
    // The host may have bound again while the dialog was open.
    if (!HostTableUsable()) return 0;
    return ApplyRangeSelection(doc, param);
}
