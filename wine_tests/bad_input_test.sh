#!/usr/bin/env bash
# What host.exe does with what only Windows can tell (plug-in files, file
# names, code pages, the dialog, the display) and the Wine wrapper's own
# refusals: one row per run, its exit status and a pattern its output must
# match. The rest is the native table, standin_host/host_core_test.cpp.
#
# usage: bad_input_test.sh BUILD_DIR   (holds host.exe, cubrik.dll, standin_full.dll)
set -uo pipefail
build=$(cd "${1:?usage: bad_input_test.sh BUILD_DIR}" && pwd)
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s '-screen 0 1024x768x24' "$0" "$@"
fi
export WINEDEBUG=-all

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit

# The inputs.
printf 'v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n' >good.obj
cp good.obj 球体.obj
mkdir folder
echo "not a DLL" >text.dll
# cubrik.dll with the other bitness in its header (Debian's python3 has
# pefile).
/usr/bin/python3 - "$build/host.exe" "$build/cubrik.dll" other_bitness.dll <<'PY' || exit
import pefile, sys
i386 = pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"]
amd64 = pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"]
own = pefile.PE(sys.argv[1], fast_load=True).FILE_HEADER.Machine
dll = pefile.PE(sys.argv[2], fast_load=True)
dll.FILE_HEADER.Machine = amd64 if own == i386 else i386
dll.write(sys.argv[3])
PY
# cubrik.dll importing a DLL that is nowhere, and calling a host function it
# must never call (its name for MQ_GetWindowHandle, the first it calls, is
# that of one of those).
/usr/bin/python3 - "$build/cubrik.dll" <<'PY' || exit
import re, sys
dll = open(sys.argv[1], "rb").read()
for name, old, new in (("missing_import.dll", rb"COMCTL32\.dll", b"NOSUCH32.dll"),
                       ("rogue.dll", rb"MQ_GetWindowHandle", b"MQ_GetSystemPath\0\0")):
    patched, count = re.subn(old, new, dll, flags=re.IGNORECASE)
    assert count == 1, name
    open(name, "wb").write(patched)
PY
# The prefix host.exe runs in without the wrapper.
prefix=$("$root/scripts/wine-run.sh" --prefix "$build/host.exe") || exit

dll=$build/cubrik.dll
. "$root/packaging/tests/check_lib.sh"
# row STATUS PATTERN HOST-ARGUMENTS...: the exit status must be STATUS, the
# output match PATTERN (grep -E) and hold no carriage return and no word of a
# lost X connection. A row may set host= (another program), plain=1 (plain
# wine in the wrapper's prefix), DISPLAY and the wrapper's variables.
row() {
    local want=$1 pattern=$2 runner=("$root/scripts/wine-run.sh")
    shift 2
    [ -z "${plain:-}" ] || runner=(env WINEPREFIX="$prefix" wine)
    local output status=0
    output=$("${runner[@]}" "${host:-$build/host.exe}" "$@" 2>&1) || status=$?
    local problem=""
    if [ "$status" -ne "$want" ]; then
        problem="exit status $status, expected $want"
    elif ! grep -Eq -- "$pattern" <<<"$output"; then
        problem="no match for /$pattern/"
    elif [[ $output == *$'\r'* ]]; then
        problem="a carriage return in the output"
    elif [[ $output == *"X connection"* ]]; then
        problem="a message about the X connection"
    fi
    check "$(printf 'host.exe %s\n  %s; the output was:\n%s' "$*" "$problem" "$output")" \
        test -z "$problem"
}
ok="--script cancel --quiet"

# The plug-in file, as the loader sees it.
row 2 'the plug-in "nope.dll" does not exist' nope.dll good.obj $ok
row 2 'the plug-in "text.dll" is not a Windows DLL' text.dll good.obj $ok
row 2 'the plug-in "folder" is a folder, not a file' folder good.obj $ok
row 2 'is a Windows program, not a DLL' "$build/host.exe" good.obj $ok
row 2 'is a DLL but not a plug-in: it exports no MQCheckVersion' \
    "$build/standin_full.dll" good.obj $ok
row 2 'the plug-in "other_bitness.dll" is a (64-bit \(x86-64\)|32-bit \(x86\)) DLL, and this host is (32|64)-bit' \
    other_bitness.dll good.obj $ok
row 2 'the plug-in "missing_import.dll" cannot be loaded: a DLL it imports is missing \(error 126\)' \
    missing_import.dll good.obj $ok
# A call the plug-in must never make ends the run at once, said on standard
# error as every message of host.exe is.
said=$("$root/scripts/wine-run.sh" "$build/host.exe" rogue.dll good.obj $ok 2>&1 >/dev/null) &&
    status=0 || status=$?
check "host.exe rogue.dll: exit status $status, expected 5; on standard error: $said" \
    test "$status: $said" = "5: host: the plug-in called MQ_GetSystemPath, which it never should"
# Files as Windows opens them: Japanese names, folders, outputs that cannot be written.
row 0 'inside: 0 of 3 vertices' "$dll" 球体.obj $ok
row 2 'the mesh "無い.obj": cannot read it: No such file' "$dll" 無い.obj $ok
row 2 'the mesh "folder" is a folder, not a file' "$dll" folder $ok
row 2 '--selection-out "no/such/dir/out.txt": cannot write it' \
    "$dll" good.obj --selection-out no/such/dir/out.txt $ok
row 2 '--json "folder" is a folder, not a file' "$dll" good.obj --json folder $ok
# Code page 1252 has no full-width digits: typing them would type others.
CUBRIK_LC_ALL=en_US.UTF-8 row 2 'the script holds characters the ANSI code page \(1252\) cannot' \
    "$dll" good.obj --script "type 1007 ＋１; ok"
# Good runs: the summary and --json, a box's text typed through code page 932
# and shown in UTF-8.
row 0 'cubrik: x < 0.5, -0.25 < y; .* -> applied; inside: 2 of 3 vertices' \
    "$dll" good.obj --script "check 1010; type 1003 -0.25; type 1007 0.5; ok" --json run.json
row 0 'cubrik: x < 0 \(typed "＋１"\); ' "$dll" good.obj --script "type 1007 ＋１; ok"
check "run.json: $(cat run.json)" grep -q '"selected":\[0,2\],' run.json
# The dialog's steps as they run.
row 0 'inside: 0 of 3 vertices' "$dll" good.obj --script "snapshot d.bmp; ok" --quiet
check "d.bmp starts: $(head -c 2 d.bmp)" test "$(head -c 2 d.bmp)" = BM
row 1 'script step 1 "snapshot no/such/dir/d.bmp": cannot write no/such/dir/d.bmp: .*; the dialog is cancelled' \
    "$dll" good.obj --script "snapshot no/such/dir/d.bmp; ok" --quiet
row 1 'the dialog ended before script step 2 "up 1012" ran' \
    "$dll" good.obj --script "escape; up 1012; ok"
row 1 'the script left the dialog open, so it was cancelled' "$dll" good.obj --script "up 1012"
# A user's steps only where a user can take them (the lower X bound starts
# off), and nothing applied; set is a program's, and reaches a disabled box.
row 1 'script step 1 "type 1001 5": edit box 1001 is disabled, .* \(check 1009 enables it\); the dialog is cancelled' \
    "$dll" good.obj --script "type 1001 5; ok" --json refused.json
check "refused.json: $(cat refused.json)" grep -q '"applied": *false' refused.json
row 1 'script step 2 "down 1002": edit box 1001 is disabled, so a user cannot do this' \
    "$dll" good.obj --script "up 1012; down 1002; ok"
row 0 'cubrik: 5 < x, x < 0.00; ' "$dll" good.obj --script "set 1001 5; check 1009; ok"

# The display: a run for a user refuses the wrapper's virtual one (nobody sees
# it), a scripted run goes ahead on it; help and mistakes need none, and a
# mistake gets one line, not the usage; a display that cannot be reached fails a
# run started without the wrapper, naming it.
DISPLAY='' row 2 'host.exe is interactive .* needs a display' "$dll" good.obj
# (The variable as the wrapper sets it on a display of its own: the test run's
# kept Wine server has its desktop on another display than that one.)
CUBRIK_VIRTUAL_DISPLAY=1 plain=1 row 0 'inside: 0 of 3 vertices' "$dll" good.obj $ok
DISPLAY='' row 2 '^host: unknown option "--scirpt" \(see host.exe --help\)$' "$dll" good.obj --scirpt ok
DISPLAY=:77 plain=1 row 0 'usage: host.exe PLUGIN.dll MESH.obj' --help
DISPLAY=:77 plain=1 row 1 'the dialog cannot open: .*the X display ":77" cannot be reached' \
    "$dll" good.obj --script ok
# The wrapper: what it says before Wine could say it worse.
host=$work/nowhere/host.exe row 2 'wine-run: .*/nowhere/host.exe does not exist; build it first' \
    "$dll" good.obj $ok
host=$work/text.dll row 2 'wine-run: cannot run .*/text.dll: not a Windows program or DLL' \
    "$dll" good.obj $ok
host=$dll row 2 'wine-run: cannot run .*cubrik.dll: a DLL, not a program' "$dll" good.obj $ok
host=$build/hosts.exe row 2 'wine-run: .*/hosts.exe does not exist; the programs in .*: (.* )?host\.exe( |$)' \
    "$dll" good.obj $ok
CUBRIK_LC_ALL=xx_XX.UTF-8 row 2 'wine-run: the locale xx_XX.UTF-8 is not installed' "$dll" good.obj $ok
# The prefix the wrapper picks, its path resolved (no "..").
host=--prefix row 0 "^$root/build/wineprefix(64)?\$" "$build/host.exe"

report
