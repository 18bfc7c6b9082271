#!/usr/bin/env python3
"""The two builds of the plug-in carry the same resources, byte for byte:
the dialog template, the string table and the version record, each under the
same type, name and language. The first DLL must be the 32-bit one and the
second the 64-bit one, so that a DLL is never compared with itself or with
another of its own kind.

usage: check_same_resources.py WIN32_DLL WIN64_DLL
"""
import os
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
from pe_machine import machine, machine_offset  # noqa: E402


def resources(data, path):
    """{(type, name, language): bytes} of a PE file's resource tree."""
    pe = machine_offset(data) - 4
    sections, optional_size = struct.unpack_from("<H", data, pe + 6)[0], struct.unpack_from("<H", data, pe + 20)[0]
    magic = struct.unpack_from("<H", data, pe + 24)[0]
    directories = pe + 24 + (112 if magic == 0x20B else 96)  # PE32+ or PE32
    rsrc_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]

    table = pe + 24 + optional_size
    spans = []
    for i in range(sections):
        size, rva, raw_size, raw = struct.unpack_from("<IIII", data, table + 40 * i + 8)
        spans.append((rva, max(size, raw_size), raw))

    def at(rva):
        for start, size, raw in spans:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError(f"{path}: RVA {rva:#x} lies in no section")

    base = at(rsrc_rva)
    found = {}

    def walk(offset, path_so_far):
        named, numbered = struct.unpack_from("<HH", data, base + offset + 12)
        for i in range(named + numbered):
            key, target = struct.unpack_from("<II", data, base + offset + 16 + 8 * i)
            if key & 0x80000000:
                length = struct.unpack_from("<H", data, base + (key & 0x7FFFFFFF))[0]
                start = base + (key & 0x7FFFFFFF) + 2
                key = data[start:start + 2 * length].decode("utf-16-le")
            if target & 0x80000000:
                walk(target & 0x7FFFFFFF, path_so_far + (key,))
            else:
                rva, size = struct.unpack_from("<II", data, base + target)
                found[path_so_far + (key,)] = data[at(rva):at(rva) + size]

    walk(0, ())
    return found


def main():
    failed = 0
    found = []
    for path, expected in zip(sys.argv[1:3], ("i386", "x86-64")):
        data = open(path, "rb").read()
        if machine(data) != expected:
            print(f"{path} is built for {machine(data)}, expected {expected}")
            failed = 1
        found.append(resources(data, path))
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
