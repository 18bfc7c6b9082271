// The host's menu command: ask for the range, then walk the current object.
#include <windows.h>

#include "dialog/range_dialog.h"
#include "dialog/resource_ids.h"
#include "plugin/plugin_exports.h"
#include "plugin/plugin_module.h"
#include "selection/range_selection.h"

int32_t __cdecl MQModifyObject(int32_t index, HostDocument doc)
{
    if (index != 0) return 0;
    // A host that runs the command without a successful MQInit would have the
    // plug-in call through null or stale slots.
    if (!g_hostBound || !HostCallsBound(g_host)) return 0;

    RangeParam param;                               // the dialog initialises it and fills it on OK
    RangeDialogState run = {&param, false, false};  // this run's, kept by its own dialog
    HWND owner = static_cast<HWND>(g_host.MQ_GetWindowHandle());

    // The template's spins need their class before the dialog is created.
    RegisterSpinControlClass();
    const INT_PTR result = DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_RANGE), owner,
                                           RangeDialogProc, reinterpret_cast<LPARAM>(&run));
    // Only the user's OK walks. A quit message in the host's queue also ends
    // the modal loop with 1, though nobody confirmed anything; Cancel, Escape,
    // the close box and a dialog that could not open end it otherwise.
    if (result != IDOK || !run.confirmed) return 0;
    return ApplyRangeSelection(doc, param);
}
