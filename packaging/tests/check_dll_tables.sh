#!/usr/bin/env bash
# The shipped DLL, as a host and a security reviewer see it: the expected
# format, exactly the seven entry points by plain name, exactly the four system
# DLLs it imports, the hardening characteristics, and at most 64 KiB.
# usage: check_dll_tables.sh DLL pei-i386|pei-x86-64
set -euo pipefail
dll=$1
format=$2
# The x86-64 objdump reads both formats.
dump=$(x86_64-w64-mingw32-objdump -p "$dll")
failed=0
fail() { echo "$*"; failed=1; }

machine=$(printf '%s\n' "$dump" | sed -n 's/^.*file format //p' | head -1)
[ "$machine" = "$format" ] || fail "format: got $machine, expected $format"

exports=$(printf '%s\n' "$dump" | awk '/\[Ordinal\/Name Pointer\] Table/{on=1;next} on&&/^[[:space:]]*\[/{print $NF} on&&/^$/{on=0}' | sort | tr '\n' ' ')
expected="MQCheckVersion MQEnumString MQGetPlugInID MQGetPlugInName MQGetPlugInType MQInit MQModifyObject "
[ "$exports" = "$expected" ] || fail "exports: got [$exports], expected [$expected]"

# Exactly the four system DLLs the plug-in's own code needs: another one is
# a library that no host has, or work that a runtime does while the DLL loads
# (the compiler's stack-protector runtime seeds itself through ADVAPI32).
imports=$(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u | tr '\n' ' ')
expected_imports="comctl32.dll kernel32.dll msvcrt.dll user32.dll "
[ "$imports" = "$expected_imports" ] || fail "imports: got [$imports], expected [$expected_imports]"

# DYNAMIC_BASE 0x0040, NX_COMPAT 0x0100, NO_SEH 0x0400.
characteristics=$((16#$(printf '%s\n' "$dump" | sed -n 's/^DllCharacteristics[[:space:]]*//p')))
for flag in 0x0040:DYNAMIC_BASE 0x0100:NX_COMPAT 0x0400:NO_SEH; do
    (( characteristics & ${flag%%:*} )) || fail "DllCharacteristics lacks ${flag#*:}"
done

size=$(stat -c %s "$dll")
[ "$size" -le 65536 ] || fail "size: $size bytes, more than 64 KiB"

echo "format: $machine"
echo "exports: $exports"
echo "imports: $imports"
printf 'characteristics: 0x%04x\n' "$characteristics"
echo "size: $size bytes"
[ $failed -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $failed
