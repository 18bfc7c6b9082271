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
# pefile), and the prefix host.exe runs in without the wrapper.
/usr/bin/python3 - "$build/host.exe" "$build/cubrik.dll" other_bitness.dll <<'PY' || exit
import pefile, sys
i386 = pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"]
amd64 = pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"]
own = pefile.PE(sys.argv[1], fast_load=True).FILE_HEADER.Machine
dll = pefile.PE(sys.argv[2], fast_load=True)
dll.FILE_HEADER.Machine = amd64 if own == i386 else i386
dll.write(sys.argv[3])
PY
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
# Files as Windows opens them: Japanese names, folders, outputs that cannot be written.
row 0 'inside: 0 of 3 vertices' "$dll" 球体.obj $ok
row 2 'mesh "無い.obj": No such file' "$dll" 無い.obj $ok
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
row 1 'script step 1 "snapshot no/such/dir/d.bmp": cannot write no/such/dir/d.bmp' \
    "$dll" good.obj --script "snapshot no/such/dir/d.bmp; ok" --quiet
row 1 'the dialog ended before script step 2 "up 1012" ran' \
    "$dll" good.obj --script "escape; up 1012; ok"

# The display: a run for a user refuses the wrapper's virtual one (nobody sees
# it); help and mistakes need none; a display that cannot be reached fails a
# run started without the wrapper, naming it.
DISPLAY='' row 2 'host.exe is interactive .* needs a display' "$dll" good.obj
DISPLAY='' row 2 'unknown option "--scirpt"' "$dll" good.obj --scirpt ok
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
