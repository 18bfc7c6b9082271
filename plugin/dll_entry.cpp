// The DLL's entry point, which seeds the stack protector's guard
// (stack_guard.cpp) before the C runtime's start-up and DllMain run.
//
// This file is built without the protector: the entry point changes the
// guard, so no function on the stack at that moment may check it.
#include <windows.h>

#include <stdint.h>

extern "C" {

extern uintptr_t __stack_chk_guard;

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
