// The stack protector's guard and its failure handler, defined here rather
// than taken from the compiler's runtime library: that one seeds its guard
// from a constructor that loads the system's crypto libraries and reads the
// registry while the DLL attaches, under the loader lock, where a host that
// loads plug-ins while other threads run can deadlock.
//
// Built without the protector, as is the DLL's entry point (dll_entry.cpp)
// that seeds the guard. The Wine tests link this same object, for the
// protected code of the dialog and the portable core they run.
#include <windows.h>

#include <stdint.h>

extern "C" {

// The value every protected frame carries and checks on the way out. Zero in
// the file; the DLL's entry point seeds it before any protected function runs.
uintptr_t __stack_chk_guard;

// A protected frame found its copy changed: the stack was overwritten, and
// nothing it holds can be trusted, not even a return address. End the
// process at once, as a smashed security cookie does: no message box, no
// unwinding, no return.
__attribute__((noreturn)) void __stack_chk_fail(void)
{
    TerminateProcess(GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
    __builtin_trap();
}

}  // extern "C"
