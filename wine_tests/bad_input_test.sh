#!/usr/bin/env bash
# What host.exe does with what it is given: one table row per input, run
# through the Wine wrapper, with the exit status and a pattern its output must
# match. Bad inputs end with a non-zero status and a message naming what is
# wrong; the awkward but valid ones (a byte-order mark, long lines, CRLF, a
# Japanese file name) are read in full.
#
# usage: bad_input_test.sh BUILD_DIR   (holds host.exe, cubrik.dll, standin_full.dll)
set -uo pipefail
build=$(cd "${1:?usage: bad_input_test.sh BUILD_DIR}" && pwd)
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ -z "${DISPLAY:-}" ]; then
    exec "$root/scripts/with-display.sh" "$0" "$@"
fi
export CUBRIK_INTERACTIVE=0 CUBRIK_WINE_TIMEOUT=60

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit

# The inputs.
printf 'v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n' >good.obj
printf '\xef\xbb\xbfv 0 0 0\nv 1 0 0\nv 0 1 0\n' >bom.obj
printf 'v 0 0 0\r\nv 1 0 0\r\nv 0 1 0\r\n' >crlf.obj
# A comment whose tail, cut at 511 bytes, would read as a vertex.
{ printf '#%0510dv 5 5 5\n' 0; cat good.obj; } >long_comment.obj
# A vertex line far longer than 512 bytes.
{ printf 'v 0.5%600s0.5 0.5\n' ''; cat good.obj; } >long_vertex.obj
cp good.obj 球体.obj
printf 'v 0 0 0\nv 1 2\n' >short_vertex.obj
printf 'v 0 0 0\nv 1 2 3extra\n' >stuck_text.obj
# Beyond a float's range (infinity), not a number, and one plain vertex.
printf 'v 1e39 0 0\nv nan 0 0\nv 0 0 0\n' >non_finite.obj
mkdir folder
printf '# no vertices\nf 1 2 3\n' >empty.obj
echo "not a DLL" >text.dll
# cubrik.dll with the other bitness in its header's machine field.
python3 - "$build/cubrik.dll" "$build/host.exe" other_bitness.dll "$root/scripts" <<'PY'
import struct, sys
sys.path.insert(0, sys.argv[4])
from pe_machine import CODES, machine, machine_offset
own = machine(open(sys.argv[2], "rb").read())
dll = bytearray(open(sys.argv[1], "rb").read())
struct.pack_into("<H", dll, machine_offset(dll), CODES["x86-64" if own == "i386" else "i386"])
open(sys.argv[3], "wb").write(dll)
PY

dll=$build/cubrik.dll
. "$root/packaging/tests/check_lib.sh"
# row STATUS PATTERN HOST-ARGUMENTS...: the run's exit status must be STATUS
# and its output (stdout and stderr) must match PATTERN (grep -E), hold no
# carriage return and no word of a lost X connection. The program is host.exe
# unless the row sets host=; a row may set the wrapper's variables (DISPLAY,
# CUBRIK_INTERACTIVE) the same way, for itself alone.
row() {
    local want=$1 pattern=$2
    shift 2
    local output status=0
    output=$("$root/scripts/wine-run.sh" "${host:-$build/host.exe}" "$@" 2>&1) || status=$?
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

# Options.
row 0 'usage: host.exe PLUGIN.dll MESH.obj' --help
row 2 'a plug-in DLL and a mesh file are needed' "$dll"
row 2 'unknown option "--bogus"' "$dll" good.obj --bogus
row 2 'option --script needs a value' "$dll" good.obj --script
row 2 '--select-below: the axis is x, y or z, not "w"' "$dll" good.obj --select-below w 0 $ok
row 2 '--select-below: "abc" is not a finite number' "$dll" good.obj --select-below z abc $ok
row 2 '--select-below: "1e99" is not a finite number' "$dll" good.obj --select-below z 1e99 $ok
row 2 'option --select-below needs an axis and a number' "$dll" good.obj --select-below z
row 2 '--selection-out "no/such/dir/out.txt": cannot write it' \
    "$dll" good.obj --selection-out no/such/dir/out.txt $ok
row 2 '--selection-out "folder" is a folder, not a file' "$dll" good.obj --selection-out folder $ok
# The plug-in file.
row 2 'the plug-in "nope.dll" does not exist' nope.dll good.obj $ok
row 2 'the plug-in "text.dll" is not a Windows DLL' text.dll good.obj $ok
row 2 'the plug-in "folder" is a folder, not a file' folder good.obj $ok
row 2 'is a Windows program, not a DLL' "$build/host.exe" good.obj $ok
row 2 'is a DLL but not a plug-in: it exports no MQCheckVersion' \
    "$build/standin_full.dll" good.obj $ok
row 2 'the plug-in "other_bitness.dll" is a (64-bit \(x86-64\)|32-bit \(x86\)) DLL, and this host is (32|64)-bit' \
    other_bitness.dll good.obj $ok
# The mesh.
row 2 'mesh "nope.obj": No such file' "$dll" nope.obj $ok
row 2 'mesh "無い.obj": No such file' "$dll" 無い.obj $ok
row 2 'mesh "short_vertex.obj": line 2: a vertex needs three numbers: "v 1 2"' \
    "$dll" short_vertex.obj $ok
row 2 'mesh "stuck_text.obj": line 2: unexpected "extra" after the number "3"' \
    "$dll" stuck_text.obj $ok
row 2 'mesh "empty.obj": holds no vertex' "$dll" empty.obj $ok
row 2 'the mesh "folder" is a folder, not a file' "$dll" folder $ok
# Non-finite coordinates are read, for trying the plug-in on them, and counted.
row 0 'inside: 1 of 3 vertices \(2 with a non-finite coordinate\)' \
    "$dll" non_finite.obj --script "check 1009; type 1001 -5; type 1007 5; ok"
row 0 'inside: 0 of 3 vertices' "$dll" bom.obj $ok
row 0 'inside: 0 of 3 vertices' "$dll" crlf.obj $ok
row 0 'inside: 0 of 3 vertices' "$dll" long_comment.obj $ok
row 0 'inside: 0 of 4 vertices' "$dll" long_vertex.obj $ok
row 0 'inside: 0 of 3 vertices' "$dll" 球体.obj $ok
# The script: checked before the dialog opens, or failing the step that runs.
row 2 'script step 1 "type 9999 0.5": 9999 is not an edit box' "$dll" good.obj --script "type 9999 0.5"
row 2 'script step 2 "up 1001": 1001 is not a spin' "$dll" good.obj --script "check 1009; up 1001; ok"
row 2 'script step 1 "click 1001": 1001 is not a checkbox or button' "$dll" good.obj --script "click 1001"
row 2 'script step 1 "mode 7": the operation list has entries 0 to 3' "$dll" good.obj --script "mode 7"
row 2 'script step 1 "mode -1": the operation list has entries 0 to 3' "$dll" good.obj --script "mode -1"
row 2 'script step 1 "pause -5": a pause lasts 0 to 60000 ms' "$dll" good.obj --script "pause -5"
row 2 'script step 1 "up": a number must follow "up"' "$dll" good.obj --script "up"
row 2 'script step 1 "mode 2x": unexpected "x" after the number' "$dll" good.obj --script "mode 2x"
row 2 'script step 2 "frob 3": unknown word "frob"' "$dll" good.obj --script "ok; frob 3"
row 1 'script step 1 "snapshot no/such/dir/d.bmp": cannot write no/such/dir/d.bmp' \
    "$dll" good.obj --script "snapshot no/such/dir/d.bmp; ok" --quiet
row 2 'script step 2 "up 1012": it follows script step 1 "ok", which ends the dialog' \
    "$dll" good.obj --script "ok; up 1012"
row 1 'the dialog ended before script step 2 "up 1012" ran' \
    "$dll" good.obj --script "escape; up 1012; ok"
row 2 'script step 1 "type 1007 "0.5; ok": the quoted text has no closing double quote' \
    "$dll" good.obj --script 'type 1007 "0.5; ok'
# Code page 1252 has no full-width digits: typing them would type others.
CUBRIK_LC_ALL=en_US.UTF-8 row 2 'the script holds characters the ANSI code page \(1252\) cannot' \
    "$dll" good.obj --script "type 1007 ＋１; ok"
# A good run: the summary of what was chosen, with LF line ends.
row 0 'cubrik: x < 0.5, -0.25 < y; .* -> applied; inside: 2 of 3 vertices' \
    "$dll" good.obj --script "check 1010; type 1003 -0.25; type 1007 0.5; ok"
# A box not holding one plain number: the value the walk used, then the text
# as typed (in UTF-8, on code page 932 too); quoted text keeps blanks and ";".
row 0 'cubrik: x < 1 \(typed "1,5"\); .* inside: 2 of 3' "$dll" good.obj --script "type 1007 1,5; ok"
row 0 'cubrik: x < 0 \(typed "＋１"\); ' "$dll" good.obj --script "type 1007 ＋１; ok"
row 0 'cubrik: x < 0.5 \(typed "  0.5;"\); .* inside: 2 of 3' \
    "$dll" good.obj --script 'type 1007 "  0.5;"; ok'

# The wrapper: what it says before Wine could say it worse. Without a display,
# only a run that would open the dialog for a user is interactive; a mistyped
# option or a missing file name gets host.exe's own answer.
CUBRIK_INTERACTIVE='' DISPLAY='' row 2 'host.exe is interactive .* needs a display' "$dll" good.obj
CUBRIK_INTERACTIVE='' DISPLAY='' row 2 'unknown option "--scirpt"' "$dll" good.obj --scirpt ok
CUBRIK_INTERACTIVE='' DISPLAY='' row 2 'unknown option "-script"' "$dll" good.obj -script ok
CUBRIK_INTERACTIVE='' DISPLAY='' row 2 'a plug-in DLL and a mesh file are needed'
# No display to open the dialog on: a failure naming the display, never a
# quiet "nothing done" (host.exe says the same when run without the wrapper).
DISPLAY=:77 row 2 'no X server answers on the display :77' "$dll" good.obj --script "check 1010; ok"
host=$work/nowhere/host.exe row 2 'wine-run: .*/nowhere/host.exe does not exist; build it first' \
    "$dll" good.obj $ok
host=$work/text.dll row 2 'wine-run: cannot run .*/text.dll: not a Windows program or DLL' \
    "$dll" good.obj $ok
host=$dll row 2 'wine-run: cannot run .*cubrik.dll: a DLL, not a program' "$dll" good.obj $ok

report
