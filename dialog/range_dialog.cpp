// The range dialog's procedure. Each bound has a checkbox that switches it on,
// an edit box with its value, and a spin that steps the value by 0.1. The
// edit box and the spin are coupled both ways: typing moves the spin, a spin
// step rewrites the text, and the dialog's ignoreNextEditUpdate stops the
// rewrite from echoing back into the spin. The record is filled from the
// texts on OK.
//
// The dialog is a Unicode window: the template's and the string table's texts
// are UTF-16 and reach the controls as they are, so the Japanese texts do
// not depend on the system's ANSI code page. Only the edit boxes' numbers,
// plain ASCII, go through the ANSI calls.
//
// Everything a run needs lives in its RunState, on AskRangeChoice's stack and
// kept by the dialog in its DWLP_USER slot: a modal dialog disables only its
// owner, so the host can start the command again (from a timer, another
// window or another thread) while one is open, and each must keep its own.
#include "dialog/range_dialog.h"

#include <commctrl.h>
#include <stdint.h>

#include "dialog/range_dialog_internal.h"
#include "dialog/resource_ids.h"
#include "numbers/number_text.h"
#include "numbers/spin_encoding.h"
#include "selection/range_selection.h"

enum { STRING_BUFFER = 128 };

// The six bounds, in kBoundIds's order, in which the dialog initialises and
// reads them: each row's controls and the record's fields they fill.
struct BoundControls {
    BoundIds ids;
    AxisRange RangeParam::*axis;
    bool AxisRange::*use;
    float AxisRange::*value;
};

// clang-format off
static const BoundControls kBounds[] = {
    {kBoundIds[0], &RangeParam::x, &AxisRange::useMin, &AxisRange::min},
    {kBoundIds[1], &RangeParam::y, &AxisRange::useMin, &AxisRange::min},
    {kBoundIds[2], &RangeParam::z, &AxisRange::useMin, &AxisRange::min},
    {kBoundIds[3], &RangeParam::x, &AxisRange::useMax, &AxisRange::max},
    {kBoundIds[4], &RangeParam::y, &AxisRange::useMax, &AxisRange::max},
    {kBoundIds[5], &RangeParam::z, &AxisRange::useMax, &AxisRange::max},
};
// clang-format on
static_assert(sizeof kBounds / sizeof *kBounds == sizeof kBoundIds / sizeof *kBoundIds,
              "a record field for every bound");

static int ControlId(HWND control) { return static_cast<int>(GetWindowLongW(control, GWL_ID)); }

// Spin or checkbox to its bound's edit box; null for any other control.
static HWND EditForControl(HWND dialog, HWND control)
{
    const int id = ControlId(control);
    for (const BoundControls &b : kBounds)
        if (id == b.ids.spin || id == b.ids.check) return GetDlgItem(dialog, b.ids.edit);
    return nullptr;
}

// Edit box or checkbox to its bound's spin; null for any other control.
static HWND SpinForControl(HWND dialog, HWND control)
{
    const int id = ControlId(control);
    for (const BoundControls &b : kBounds)
        if (id == b.ids.edit || id == b.ids.check) return GetDlgItem(dialog, b.ids.spin);
    return nullptr;
}

static bool IsBoundCheckbox(int id)
{
    for (const BoundControls &b : kBounds)
        if (id == b.ids.check) return true;
    return false;
}

// The edit box's value; only the first EDIT_TEXT_BUFFER - 1 bytes count.
static double ReadEditValue(HWND dialog, int id)
{
    char text[EDIT_TEXT_BUFFER] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return ScanNumber(text);
}

static void WriteEditValue(HWND dialog, int id, float value)
{
    char text[EDIT_TEXT_BUFFER];
    FormatFixed2(value, text, sizeof text);
    SetDlgItemTextA(dialog, id, text);  // raises EN_UPDATE before it returns
}

static LRESULT SendToControl(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam)
{
    return SendMessageW(GetDlgItem(dialog, id), message, wParam, lParam);
}

// The run's state, kept with the dialog from WM_INITDIALOG on; null before
// it (WM_SETFONT and the other creation messages come first).
static RunState *StateOf(HWND dialog)
{
    return reinterpret_cast<RunState *>(GetWindowLongPtrW(dialog, DWLP_USER));
}

static INT_PTR OnInitDialog(HWND dialog, RunState *state)
{
    // Kept before any control is written: the writes below come back as
    // EN_UPDATE notices, which need it.
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
    InitRangeParam(*state->param);  // OK overwrites every field

    for (const BoundControls &b : kBounds)
        SendToControl(dialog, b.ids.spin, UDM_SETRANGE32, 0 /* lower end */, SPIN_MAX_POS);
    // Each write's EN_UPDATE puts the spin at the position of 0.0.
    for (const BoundControls &b : kBounds) WriteEditValue(dialog, b.ids.edit, 0.0f);

    // Only the X upper bound starts switched on.
    SendToControl(dialog, IDC_MAX_X_CHECK, BM_SETCHECK, BST_CHECKED, 0);
    EnableWindow(GetDlgItem(dialog, IDC_MAX_X_EDIT), TRUE);

    static const int modeStrings[] = {IDS_MODE_SELECT, IDS_MODE_DESELECT, IDS_MODE_INVERT,
                                      IDS_MODE_RANDOM};
    // The strings come from the module the template came from.
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE));
    for (int id : modeStrings) {
        wchar_t text[STRING_BUFFER] = L"";
        LoadStringW(instance, id, text, STRING_BUFFER);
        SendToControl(dialog, IDC_MODE_COMBO, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    SendToControl(dialog, IDC_MODE_COMBO, CB_SETCURSEL, Select, 0);
    return TRUE;  // the platform focuses the first tab stop
}

static void FillRecord(HWND dialog, RangeParam &param)
{
    for (const BoundControls &b : kBounds)
        param.*b.axis.*b.use = SendToControl(dialog, b.ids.check, BM_GETCHECK, 0, 0) != 0;
    // Every edit box is read, switched on or not; the double is rounded to
    // the nearest float.
    for (const BoundControls &b : kBounds)
        param.*b.axis.*b.value = static_cast<float>(ReadEditValue(dialog, b.ids.edit));
    param.mode = static_cast<int32_t>(SendToControl(dialog, IDC_MODE_COMBO, CB_GETCURSEL, 0, 0));
}

// Typed text moves the spin; the text itself stays as it is.
static INT_PTR OnEditUpdate(HWND dialog, RunState &state, int id, HWND edit)
{
    if (state.ignoreNextEditUpdate) {  // the spin's own write
        state.ignoreNextEditUpdate = false;
        return FALSE;
    }
    HWND spin = SpinForControl(dialog, edit);
    if (!spin) return FALSE;
    const int32_t position = SpinPositionForValue(ReadEditValue(dialog, id));
    SendMessageW(spin, UDM_SETPOS32, 0, position);
    return TRUE;
}

static INT_PTR OnCommand(HWND dialog, RunState &state, int id, HWND control, UINT code)
{
    if (IsBoundCheckbox(id)) {
        if (control) {
            const LRESULT checked = SendMessageW(control, BM_GETCHECK, 0, 0);
            HWND edit = EditForControl(dialog, control);
            if (edit) EnableWindow(edit, checked != 0);
        }
        return TRUE;
    }
    if (id == IDOK) {
        FillRecord(dialog, *state.param);
        state.confirmed = true;  // only this makes the command walk
        EndDialog(dialog, IDOK);
        return TRUE;
    }
    if (id == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    if (code == EN_UPDATE) return OnEditUpdate(dialog, state, id, control);
    return FALSE;
}

// A spin step rewrites its edit box from the spin's position.
static INT_PTR OnSpinScroll(HWND dialog, RunState &state, HWND spin)
{
    HWND edit = EditForControl(dialog, spin);
    if (!edit) return FALSE;
    int lower = 0, upper = 0;
    SendMessageW(spin, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lower),
                 reinterpret_cast<LPARAM>(&upper));
    if (upper != SPIN_MAX_POS) return TRUE;  // not one of this dialog's spins

    state.ignoreNextEditUpdate = true;
    const int32_t position = static_cast<int32_t>(SendMessageW(spin, UDM_GETPOS32, 0, 0));
    WriteEditValue(dialog, ControlId(edit), SpinValueForPosition(position));
    return TRUE;
}

INT_PTR CALLBACK RangeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) return OnInitDialog(dialog, reinterpret_cast<RunState *>(lParam));
    RunState *state = StateOf(dialog);
    if (!state) return FALSE;
    switch (message) {
    case WM_COMMAND:
        return OnCommand(dialog, *state, LOWORD(wParam), reinterpret_cast<HWND>(lParam),
                         HIWORD(wParam));
    case WM_VSCROLL:
        return OnSpinScroll(dialog, *state, reinterpret_cast<HWND>(lParam));
    default:
        return FALSE;
    }
}

bool AskRangeChoice(HINSTANCE instance, HWND owner, RangeParam &param)
{
    RunState run;
    StartRun(run, param);
    const INT_PTR result = DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_RANGE), owner,
                                           RangeDialogProc, reinterpret_cast<LPARAM>(&run));
    // A quit message in the owner's queue also ends the modal loop with
    // IDOK, though nobody pressed it; only the user's OK confirms.
    return result == IDOK && run.confirmed;
}
