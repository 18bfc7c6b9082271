// What a user does to the range dialog, one kind of step each; portable, so
// that the stand-in host's script language reads into the same steps that
// dialog_driver.h performs.
#pragma once

enum class DriverAction {
    SpinUp,       // a mouse click on the up arrow of spin `id`
    SpinDown,     // a mouse click on the down arrow of spin `id`
    Type,         // select all of edit `id` and type `text` key by key
    SetText,      // SetWindowTextA on edit `id`: a program's WM_SETTEXT
    Click,        // a click on button or checkbox `id` (BM_CLICK)
    ChooseMode,   // choose entry `value` of the operation list, as the user would
    Key,          // key `value` (a virtual-key code) pressed and released on the focus
    CloseBox,     // the close box in the title bar
    Pause,        // waits `value` milliseconds before the next step
    Call,         // calls `call` with the dialog (it may run the command again)
    SpinReports,  // what spin `id` does for a step it takes: moves to `value`, tells the dialog
};
