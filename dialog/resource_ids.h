// Every resource identifier of the range dialog, declared once; used by the
// resource script and by the code. The control numbers follow no rule across
// the X, Y and Z rows: pair controls through kBoundIds below, never by
// arithmetic on these numbers.
#pragma once

#define IDD_RANGE 101

#define IDC_MIN_X_EDIT  1001
#define IDC_MIN_X_SPIN  1002
#define IDC_MIN_Y_EDIT  1003
#define IDC_MIN_Y_SPIN  1004
#define IDC_MIN_Z_EDIT  1005
#define IDC_MIN_Z_SPIN  1006
#define IDC_MAX_X_EDIT  1007
#define IDC_MODE_COMBO  1008
#define IDC_MIN_X_CHECK 1009
#define IDC_MIN_Y_CHECK 1010
#define IDC_MIN_Z_CHECK 1011
#define IDC_MAX_X_SPIN  1012
#define IDC_MAX_Y_EDIT  1013
#define IDC_MAX_Y_SPIN  1014
#define IDC_MAX_Z_EDIT  1015
#define IDC_MAX_Z_SPIN  1016
#define IDC_MAX_X_CHECK 1017
#define IDC_MAX_Y_CHECK 1018
#define IDC_MAX_Z_CHECK 1019

// The operation list's entries, in list order: entry i is string
// IDS_MODE_SELECT + i, and i is its SelectMode value.
#define IDS_MODE_SELECT   103
#define IDS_MODE_DESELECT 104
#define IDS_MODE_INVERT   105
#define IDS_MODE_RANDOM   106

#ifndef RC_INVOKED
// The six bounds' controls, the one table of them that the dialog and every
// test helper walk, in the order lower X, Y, Z, upper X, Y, Z.
struct BoundIds {
    int check, edit, spin;
};
inline constexpr BoundIds kBoundIds[6] = {
    {IDC_MIN_X_CHECK, IDC_MIN_X_EDIT, IDC_MIN_X_SPIN},
    {IDC_MIN_Y_CHECK, IDC_MIN_Y_EDIT, IDC_MIN_Y_SPIN},
    {IDC_MIN_Z_CHECK, IDC_MIN_Z_EDIT, IDC_MIN_Z_SPIN},
    {IDC_MAX_X_CHECK, IDC_MAX_X_EDIT, IDC_MAX_X_SPIN},
    {IDC_MAX_Y_CHECK, IDC_MAX_Y_EDIT, IDC_MAX_Y_SPIN},
    {IDC_MAX_Z_CHECK, IDC_MAX_Z_EDIT, IDC_MAX_Z_SPIN},
};
#endif
