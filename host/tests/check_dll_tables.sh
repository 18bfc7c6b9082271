#!/usr/bin/env bash
# The shipped DLL exports exactly the seven entry points, by plain name, and
# imports nothing but system DLLs that every Windows has.
set -euo pipefail
dll=$1
dump=$(i686-w64-mingw32-objdump -p "$dll")
failed=0

exports=$(printf '%s\n' "$dump" | awk '/\[Ordinal\/Name Pointer\] Table/{on=1;next} on&&/^[[:space:]]*\[/{print $NF} on&&/^$/{on=0}' | sort | tr '\n' ' ')
expected="MQCheckVersion MQEnumString MQGetPlugInID MQGetPlugInName MQGetPlugInType MQInit MQModifyObject "
if [ "$exports" != "$expected" ]; then
    echo "exports: got [$exports], expected [$expected]"; failed=1
fi

imports=$(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u | tr '\n' ' ')
for dll_name in $imports; do
    case "$dll_name" in
        kernel32.dll|user32.dll|comctl32.dll|msvcrt.dll) ;;
        *) echo "imports $dll_name, which no host has"; failed=1 ;;
    esac
done

machine=$(printf '%s\n' "$dump" | sed -n 's/^.*file format //p' | head -1)
[ "$machine" = "pei-i386" ] || { echo "not a 32-bit DLL: $machine"; failed=1; }

echo "exports: $exports"
echo "imports: $imports"
echo "size: $(stat -c %s "$dll") bytes"
[ $failed -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $failed
