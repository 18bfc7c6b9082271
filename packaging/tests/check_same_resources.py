#!/usr/bin/python3
"""The two builds of the plug-in carry the same resources, byte for byte:
the dialog template, the string table and the version record, each under the
same type, name and language. The first DLL must be the 32-bit one and the
second the 64-bit one, so that a DLL is never compared with itself or with
another of its own kind.

usage: check_same_resources.py WIN32_DLL WIN64_DLL
"""
import sys

import pefile

MACHINES = {0x014C: "i386", 0x8664: "x86-64"}


def resources(pe):
    """{(type, name, language): bytes} of a PE file's resource tree."""
    found = {}

    def walk(directory, path):
        for entry in directory.entries:
            key = path + (str(entry.name) if entry.name else entry.id,)
            if hasattr(entry, "directory"):
                walk(entry.directory, key)
            else:
                found[key] = pe.get_data(entry.data.struct.OffsetToData, entry.data.struct.Size)

    walk(pe.DIRECTORY_ENTRY_RESOURCE, ())
    return found


def main():
    failed = 0
    found = []
    for path, expected in zip(sys.argv[1:3], ("i386", "x86-64")):
        pe = pefile.PE(path)
        machine = MACHINES.get(pe.FILE_HEADER.Machine, f"{pe.FILE_HEADER.Machine:#06x}")
        if machine != expected:
            print(f"{path} is built for {machine}, expected {expected}")
            failed = 1
        found.append(resources(pe))
    first, second = found
    for key in sorted(set(first) | set(second), key=str):
        if first.get(key) != second.get(key):
            print(f"resource {key} differs between the two DLLs")
            failed = 1
    kinds = {5: "dialog", 6: "strings", 16: "version"}
    names = ", ".join(f"{kinds.get(k[0]) or k[0]} {k[1]}/{k[2]:#06x}" for k in sorted(first, key=str))
    print(f"{len(first)} resources compared: {names}")
    print("1 passed, 0 failed" if not failed else "0 passed, 1 failed")
    return failed


if __name__ == "__main__":
    sys.exit(main())
