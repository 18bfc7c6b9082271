#!/usr/bin/env python3
"""The DLL's own stack protector, checked as a reviewer would.

Protected functions in every part of the DLL (the command, the dialog, the
portable core) check the guard and call the failure handler; the shipped DLL
is its unstripped twin's bytes less the symbols (the same sections at the same
offsets), so the guard's offset read from the twin holds for it; and each
process that loads the shipped DLL gets a guard of its own, never zero.

usage: check_stack_guard.py cubrik.dll cubrik_symbols.dll read_guard.exe wine-run.sh
"""
import re
import subprocess
import sys

OBJDUMP = "x86_64-w64-mingw32-objdump"  # reads both formats
NM = "x86_64-w64-mingw32-nm"
# A function from each part of the DLL that holds a local array.
PROTECTED = {"the command": "MQModifyObject", "the dialog": "RangeDialogProc",
             "the number text": "FormatFixed2"}


def output(*command):
    return subprocess.run(command, check=True, capture_output=True, text=True).stdout


def layout(dll):
    """(name, offset from the image base, size) of each section but the debug ones."""
    base = int(re.search(r"^ImageBase\s+([0-9a-fA-F]+)", output(OBJDUMP, "-p", dll), re.M)[1], 16)
    sections = re.findall(r"^\s*\d+ (\S+)\s+([0-9a-f]+)\s+([0-9a-f]+)", output(OBJDUMP, "-h", dll), re.M)
    return base, [(name[:8], int(vma, 16) - base, size) for name, size, vma in sections
                  if not name.startswith(".debug")]


def same_layout(dll, symbols):
    shipped, twin = layout(dll)[1], layout(symbols)[1]
    return [] if shipped == twin else [f"the twin's sections differ:\n{shipped}\n{twin}"]


def guard_address(symbols):
    symbol = re.search(r"^([0-9a-f]+) [BbDd] _*stack_chk_guard$", output(NM, symbols), re.M)
    return int(symbol[1], 16) if symbol else None


def protected_functions(dll, symbols):
    # The guard is read through a pointer beside it (x86-64) or at its
    # absolute address (i386).
    reads = re.compile(rf"<(\.refptr\.)?_*stack_chk_guard>|0x{guard_address(symbols) or 0:x}\b")
    uses = {}
    function = None
    for line in output(OBJDUMP, "-d", symbols).splitlines():
        start = re.match(r"^[0-9a-f]+ <(.*)>:$", line)
        if start:
            function = start[1]
        elif function and reads.search(line):
            uses.setdefault(function, set()).add("reads")
        elif function and re.search(r"call.*<_*stack_chk_fail>", line):
            uses.setdefault(function, set()).add("fails")
    checking = [f for f, u in uses.items() if u == {"reads", "fails"}]
    print(f"functions that check the guard: {len(checking)}")
    return [f"{part}: {name} does not check the guard" for part, name in PROTECTED.items()
            if not any(name in f for f in checking)]


def guard_per_process(dll, symbols, reader, wine_run):
    address = guard_address(symbols)
    if address is None:
        return ["no guard in the twin's symbols"]
    offset = address - layout(symbols)[0]
    guards = [output(wine_run, reader, dll, f"{offset:x}").strip() for _ in range(2)]
    print(f"guards of two processes: {guards}")
    failures = []
    if any(int(g, 16) == 0 for g in guards):
        failures.append("a process ran with the guard never seeded (zero)")
    if guards[0] == guards[1]:
        failures.append("two processes got the same guard")
    return failures


def main():
    dll, symbols, reader, wine_run = sys.argv[1:5]
    results = [same_layout(dll, symbols), protected_functions(dll, symbols),
               guard_per_process(dll, symbols, reader, wine_run)]
    for failure in (f for r in results for f in r):
        print(failure)
    failed = sum(1 for r in results if r)
    print(f"{len(results) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
