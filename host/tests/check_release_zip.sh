#!/usr/bin/env bash
# The release zip carries the very DLL the Wine tests ran (same bytes), with
# the README and the licence, and nothing else.
set -euo pipefail
zip=$1 dll=$2
name=$(basename "$zip" .zip)
listing=$(unzip -Z1 "$zip" | grep -v '/$' | sort | tr '\n' ' ')
expected="$name/LICENSE $name/README.md $name/cubrik.dll "
if [ "$listing" != "$expected" ]; then
    echo "zip holds [$listing], expected [$expected]"
    echo "0 passed, 1 failed"
    exit 1
fi
if ! unzip -p "$zip" "$name/cubrik.dll" | cmp -s - "$dll"; then
    echo "the zip's cubrik.dll differs from the tested $dll"
    echo "0 passed, 1 failed"
    exit 1
fi
echo "$(basename "$zip"): $(stat -c %s "$zip") bytes, DLL identical to the tested one"
echo "1 passed, 0 failed"
