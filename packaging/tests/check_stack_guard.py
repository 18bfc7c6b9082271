#!/usr/bin/env python3
"""The DLL's own stack protector, and what runs while the DLL loads, checked
as a reviewer would.

Protected functions in every part of the DLL (the command, the dialog, the
portable core) check the guard and call the failure handler; the shipped DLL
is its unstripped twin's bytes less the symbols (the same sections at the same
offsets), so an offset read from the twin's symbols holds for it; each process
that loads the shipped DLL gets a guard of its own, never zero; the failure
handler ends the process with STATUS_STACK_BUFFER_OVERRUN and never returns.
While the DLL loads, the entry point calls only what seeds the guard and the
C runtime's start-up, DllMain calls nothing, and there is no static
constructor but the runtime's own.

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
# What runs while the DLL loads may call: the entry point seeds the guard from
# what the process reads in-process and hands over to the C runtime's
# start-up, which calls DllMain; DllMain only keeps its handle. The only
# static constructor is the runtime's (libgcc's frame registration).
SEEDING = {"GetSystemTimeAsFileTime", "GetCurrentProcessId", "GetCurrentThreadId",
           "GetTickCount", "QueryPerformanceCounter"}
LOAD_TIME_CALLS = {"CubrikDllEntry": SEEDING | {"StackGuardSeed", "DllMainCRTStartup"},
                   "StackGuardSeed": SEEDING, "DllMain": set()}
RUNTIME_CONSTRUCTORS = {"register_frame_ctor"}
# How Wine hands a Windows exit code to Linux: its low byte.
STATUS_STACK_BUFFER_OVERRUN = 0xC0000409 & 0xFF


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


def plain(name):
    """A symbol's name without the i386 decorations and the import prefix."""
    return re.sub(r"@\d+$", "", re.sub(r"^_*(imp_+)?", "", name))


def symbol_table(symbols):
    """{address: plain name} of the twin's symbols; where several name one
    address, an import's name (the function an import table entry points
    to), else a function's rather than a section's."""
    table = {}
    for a, n in re.findall(r"^([0-9a-f]+) \S (\S+)$", output(NM, symbols), re.M):
        known = table.get(int(a, 16), ".")
        if "imp_" in n or (known.startswith(".") and "imp_" not in known):
            table[int(a, 16)] = plain(n)
    return table


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


def load_time_work(symbols):
    """What the functions that run while the DLL loads call (directly, or
    through the import table), and the static constructors, against what
    they may."""
    names = symbol_table(symbols)
    calls = {f: set() for f in LOAD_TIME_CALLS}
    function = None
    for line in output(OBJDUMP, "-d", symbols).splitlines():
        start = re.match(r"^[0-9a-f]+ <(.*)>:$", line)
        if start:
            function = plain(start[1])
        jump = re.search(r"\s(call|jmp)\s+(\S+)(.*)$", line)
        if function not in calls or not jump:
            continue
        target = re.search(r"<([^>+]+)", jump[3])  # x86-64's import table too
        slot = re.fullmatch(r"\*0x([0-9a-f]+)", jump[2])  # i386's import table
        if target:
            callee = plain(target[1])
        elif slot:
            callee = names.get(int(slot[1], 16), jump[2])
        else:
            callee = f"an indirect {jump[1]} {jump[2]}"
        if callee != function:
            calls[function].add(callee)
    print(f"called at load: {sorted(set().union(*calls.values()))}")
    failures = [f"{f} runs at load and calls {', '.join(sorted(c - LOAD_TIME_CALLS[f]))}"
                for f, c in calls.items() if c - LOAD_TIME_CALLS[f]]
    failures += [f"no {f} in the twin's symbols" for f in ("CubrikDllEntry", "DllMain")
                 if f not in names.values()]
    return failures + static_constructors(symbols, names)


def static_constructors(symbols, names):
    """The entries of the constructor list (after its -1, up to its 0) that
    are not the runtime's own."""
    start = next((a for a, n in names.items() if n == "CTOR_LIST__"), None)
    if start is None:
        return ["no __CTOR_LIST__ in the twin's symbols"]
    width = 8 if "x86-64" in output(OBJDUMP, "-f", symbols) else 4
    dump = output(OBJDUMP, "-s", f"--start-address={start:#x}",
                  f"--stop-address={start + 16 * width:#x}", symbols)
    # Each line: the address, up to four groups of hex bytes, two blanks, text.
    data = bytes.fromhex("".join("".join(line[1:].split("  ")[0].split()[1:])
                                 for line in dump.splitlines() if re.match(r"^ [0-9a-f]+ ", line)))
    words = [int.from_bytes(data[i:i + width], "little") for i in range(width, len(data), width)]
    entries = [names.get(w, f"{w:#x}") for w in words[:words.index(0) if 0 in words else None]]
    return [f"a static constructor beyond the runtime's: {e}" for e in entries
            if e not in RUNTIME_CONSTRUCTORS]


def failure_handler_ends_process(dll, symbols, reader, wine_run):
    """The shipped DLL's failure handler, called: it must end the process
    with STATUS_STACK_BUFFER_OVERRUN, never return to its caller."""
    handler = next((a for a, n in symbol_table(symbols).items() if n == "stack_chk_fail"), None)
    if handler is None:
        return ["no failure handler in the twin's symbols"]
    run = subprocess.run([wine_run, reader, dll, f"{handler - layout(symbols)[0]:x}", "--call"],
                         capture_output=True, text=True)
    print(f"the failure handler called: exit status {run.returncode} {run.stdout.strip()}")
    if run.returncode != STATUS_STACK_BUFFER_OVERRUN or run.stdout:
        return [f"the failure handler's process ended with exit status {run.returncode}"
                f" {run.stdout.strip()}, not STATUS_STACK_BUFFER_OVERRUN"
                f" ({STATUS_STACK_BUFFER_OVERRUN} under Wine)"]
    return []


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
               guard_per_process(dll, symbols, reader, wine_run),
               failure_handler_ends_process(dll, symbols, reader, wine_run),
               load_time_work(symbols)]
    for failure in (f for r in results for f in r):
        print(failure)
    failed = sum(1 for r in results if r)
    print(f"{len(results) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
