#!/usr/bin/env bash
# The shipped DLL, as a host and a security reviewer see it: the expected
# format, exactly the seven entry points by plain name, exactly the four system
# DLLs it imports, the hardening characteristics, and at most 64 KiB.
# usage: check_dll_tables.sh DLL pei-i386|pei-x86-64
set -euo pipefail
dll=$1
format=$2
. "$(dirname "${BASH_SOURCE[0]}")/check_lib.sh"
# The x86-64 objdump reads both formats.
dump=$(x86_64-w64-mingw32-objdump -p "$dll")

machine=$(printf '%s\n' "$dump" | sed -n 's/^.*file format //p' | head -1)
check "format: got $machine, expected $format" test "$machine" = "$format"

exports=$(printf '%s\n' "$dump" | awk '/\[Ordinal\/Name Pointer\] Table/{on=1;next} on&&/^[[:space:]]*\[/{print $NF} on&&/^$/{on=0}' | sort | tr '\n' ' ')
expected="MQCheckVersion MQEnumString MQGetPlugInID MQGetPlugInName MQGetPlugInType MQInit MQModifyObject "
check "exports: got [$exports], expected [$expected]" test "$exports" = "$expected"

# Exactly the four system DLLs the plug-in's own code needs: another one is
# a library that no host has, or work that a runtime does while the DLL loads
# (the compiler's stack-protector runtime seeds itself through ADVAPI32).
imports=$(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u | tr '\n' ' ')
expected_imports="comctl32.dll kernel32.dll msvcrt.dll user32.dll "
check "imports: got [$imports], expected [$expected_imports]" test "$imports" = "$expected_imports"

# DYNAMIC_BASE 0x0040, NX_COMPAT 0x0100, NO_SEH 0x0400.
characteristics=$((16#$(printf '%s\n' "$dump" | sed -n 's/^DllCharacteristics[[:space:]]*//p')))
for flag in 0x0040:DYNAMIC_BASE 0x0100:NX_COMPAT 0x0400:NO_SEH; do
    check "DllCharacteristics lacks ${flag#*:}" test $((characteristics & ${flag%%:*})) -ne 0
done

size=$(stat -c %s "$dll")
check "size: $size bytes, more than 64 KiB" test "$size" -le 65536

echo "format: $machine"
echo "exports: $exports"
echo "imports: $imports"
printf 'characteristics: 0x%04x\n' "$characteristics"
echo "size: $size bytes"
report
