#!/usr/bin/env bash
# Runs every test: installs what is missing, then builds and runs the native
# unit tests (plain and under ASan/UBSan), a short fuzz pass over the number
# syntax, and the Wine tests against the real 32-bit and 64-bit DLLs.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

"$PWD/scripts/setup.sh"

jobs=$(nproc)
step() { printf '\n== %s\n' "$*"; }

# run_preset PRESET [WRAPPER...]: build the preset, then run its tests,
# through the wrapper command when one is given.
run_preset() {
    local preset=$1
    shift
    step "$preset: configure and build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j"$jobs" >/dev/null
    step "$preset: test"
    "$@" ctest --preset "$preset" -j"$jobs"
}

run_preset native
run_preset native-asan
run_preset fuzz

# The Wine tests share one virtual display rather than starting one each; the
# 64-bit DLL gets every test the 32-bit one does.
run_preset win32 "$PWD/scripts/with-display.sh"
run_preset win64 "$PWD/scripts/with-display.sh"
