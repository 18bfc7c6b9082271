// Test support for check_stack_guard.py: loads a DLL and, at an offset from
// its base, prints the pointer-sized value there (the stack protector's
// guard) in hexadecimal, or with --call calls the function there (the guard's
// failure handler), which must end the process: if it returns, this says so
// and exits 3. usage: read_guard.exe DLL OFFSET_HEX [--call]
#include <windows.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char **argv)
{
    const bool call = argc == 4 && strcmp(argv[3], "--call") == 0;
    if (argc != 3 && !call) {
        fprintf(stderr, "usage: read_guard.exe DLL OFFSET_HEX [--call]\n");
        return 2;
    }
    HMODULE module = LoadLibraryA(argv[1]);
    if (!module) {
        fprintf(stderr, "read_guard: cannot load %s (error %lu)\n", argv[1], GetLastError());
        return 1;
    }
    const char *at = reinterpret_cast<const char *>(module) + strtoul(argv[2], nullptr, 16);
    if (call) {
        void (*handler)(void);
        memcpy(&handler, &at, sizeof handler);
        handler();
        printf("the failure handler returned\n");
        return 3;
    }
    uintptr_t value;
    memcpy(&value, at, sizeof value);
    printf("%llx\n", static_cast<unsigned long long>(value));
    return 0;
}
