// Test support: loads a DLL and prints the pointer-sized value at an offset
// from its base (its stack protector's guard, for check_stack_guard.py), in
// hexadecimal. usage: read_guard.exe DLL OFFSET_HEX
#include <windows.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: read_guard.exe DLL OFFSET_HEX\n");
        return 2;
    }
    HMODULE module = LoadLibraryA(argv[1]);
    if (!module) {
        fprintf(stderr, "read_guard: cannot load %s (error %lu)\n", argv[1], GetLastError());
        return 1;
    }
    uintptr_t value;
    memcpy(&value, reinterpret_cast<const char *>(module) + strtoul(argv[2], nullptr, 16),
           sizeof value);
    printf("%llx\n", static_cast<unsigned long long>(value));
    return 0;
}
