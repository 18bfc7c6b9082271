#!/usr/bin/env python3
"""The machine a Windows program or DLL is built for, read from its PE header:
the one reader of that field for the scripts and the checks.

    scripts/pe_machine.py FILE    prints i386 (32-bit x86), x86-64, or the
                                  field in hex (0x....) for another machine;
                                  exits 1 with a message for a file that is
                                  not a Windows program or DLL
    scripts/pe_machine.py --program FILE
                                  the same, and exits 1 for a DLL too

From Python: machine(data) and machine_offset(data) on the file's bytes.
"""
import struct
import sys

NAMES = {0x014C: "i386", 0x8664: "x86-64"}
CODES = {name: code for code, name in NAMES.items()}


def machine_offset(data):
    """Where the machine field lies: in the PE header ("PE\\0\\0", then the
    field), whose offset the DOS header ("MZ") holds at 0x3C."""
    if len(data) < 0x40 or data[:2] != b"MZ":
        raise ValueError("not a Windows program or DLL (no DOS header)")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0" or len(data) < pe + 6:
        raise ValueError("not a Windows program or DLL (no PE header where the DOS header points)")
    return pe + 4


def machine(data):
    """'i386', 'x86-64', or '0x....' for another machine."""
    code = struct.unpack_from("<H", data, machine_offset(data))[0]
    return NAMES.get(code, f"{code:#06x}")


def is_dll(data):
    """Whether the file header's characteristics mark a DLL (IMAGE_FILE_DLL),
    18 bytes past the machine field."""
    return bool(struct.unpack_from("<H", data, machine_offset(data) + 18)[0] & 0x2000)


def main():
    args = sys.argv[1:]
    program = args[:1] == ["--program"]
    if program:
        args = args[1:]
    if len(args) != 1:
        print("usage: pe_machine.py [--program] FILE", file=sys.stderr)
        return 2
    try:
        with open(args[0], "rb") as f:
            data = f.read(4096)
        name = machine(data)
        if program and is_dll(data):
            raise ValueError("a DLL, not a program (a host program loads it)")
        print(name)
    except (OSError, ValueError) as e:
        print(f"pe_machine: {args[0]}: {e.strerror if isinstance(e, OSError) else e}",
              file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
