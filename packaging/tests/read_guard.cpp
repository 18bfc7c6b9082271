// Test support for check_stack_guard.py: loads a DLL and, at an offset from
// its base, either prints the pointer-sized value there (the stack
// protector's guard), in hexadecimal, or calls the function there (the
// guard's failure handler) in a child process of its own and prints how that
// process ended: "exit code c0000409" when the handler ended it, "exit code 3"
// when the handler returned to its caller.
// usage: read_guard.exe DLL OFFSET_HEX [--call]
#include <windows.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char CHILD[] = "--call-here";
static const int RETURNED = 3;

static int CallInChild(const char *dll, const char *offset)
{
    char self[MAX_PATH], line[3 * MAX_PATH + 64];
    GetModuleFileNameA(nullptr, self, sizeof self);
    snprintf(line, sizeof line, "\"%s\" \"%s\" %s %s", self, dll, offset, CHILD);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child = {};
    if (!CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &child)) {
        fprintf(stderr, "read_guard: cannot start itself (error %lu)\n", GetLastError());
        return 1;
    }
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(child.hProcess, &code);
    printf("exit code %lx\n", code);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    return 0;
}

int main(int argc, char **argv)
{
    const bool call = argc == 4 && strcmp(argv[3], "--call") == 0;
    const bool callHere = argc == 4 && strcmp(argv[3], CHILD) == 0;
    if (argc != 3 && !call && !callHere) {
        fprintf(stderr, "usage: read_guard.exe DLL OFFSET_HEX [--call]\n");
        return 2;
    }
    if (call) return CallInChild(argv[1], argv[2]);
    HMODULE module = LoadLibraryA(argv[1]);
    if (!module) {
        fprintf(stderr, "read_guard: cannot load %s (error %lu)\n", argv[1], GetLastError());
        return 1;
    }
    const char *at = reinterpret_cast<const char *>(module) + strtoul(argv[2], nullptr, 16);
    if (callHere) {
        void (*handler)(void);
        memcpy(&handler, &at, sizeof handler);
        handler();
        return RETURNED;  // the handler came back: the caller's frame runs on
    }
    uintptr_t value;
    memcpy(&value, at, sizeof value);
    printf("%llx\n", static_cast<unsigned long long>(value));
    return 0;
}
