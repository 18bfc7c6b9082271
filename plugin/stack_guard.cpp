// The stack protector's guard and its failure handler, defined here rather
// than taken from the compiler's runtime library: that one seeds its guard
// from a constructor that loads the system's crypto libraries and reads the
// registry while the DLL attaches, under the loader lock, where a host that
// loads plug-ins while other threads run can deadlock.
//
// This file is built without the protector: the entry point below changes
// the guard, so no function on the stack at that moment may check it.
#include <windows.h>

#include <stdint.h>

extern "C" {

// The value every protected frame carries and checks on the way out. Zero in
// the file; seeded before any protected function runs.
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

// The C runtime's own entry point, which runs its start-up and then DllMain.
BOOL WINAPI DllMainCRTStartup(HANDLE instance, DWORD reason, LPVOID reserved);

}  // extern "C"

// Mixes what differs between processes, threads and moments, all of it read
// in-process without loading anything: the system time, the process and
// thread ids, the tick count, the performance counter and an address on the
// stack (which moves with address-space layout randomisation).
static uintptr_t StackGuardSeed(void)
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    uint64_t mixed = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    mixed ^= GetCurrentProcessId();
    mixed ^= static_cast<uint64_t>(GetCurrentThreadId()) << 16;
    mixed ^= static_cast<uint64_t>(GetTickCount()) << 32;
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    mixed ^=
        static_cast<uint64_t>(counter.QuadPart) << 24 ^ static_cast<uint64_t>(counter.QuadPart);
    mixed ^= reinterpret_cast<uintptr_t>(&now);
    // Folded to the guard's width; never zero, the value a guard that was
    // never seeded would have.
    uintptr_t seed = static_cast<uintptr_t>(mixed);
    if (sizeof seed < sizeof mixed) seed ^= static_cast<uintptr_t>(mixed >> 32);
    return seed ? seed : 0x2B992DDF;
}

// The DLL's entry point (the linker's -e): seeds the guard on the first
// notification, then hands every notification to the C runtime's start-up.
extern "C" BOOL WINAPI CubrikDllEntry(HANDLE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH && !__stack_chk_guard) __stack_chk_guard = StackGuardSeed();
    return DllMainCRTStartup(instance, reason, reserved);
}
