#!/usr/bin/env bash
# Runs every test: installs what is missing, then builds and runs the native
# unit tests (plain and under ASan/UBSan), a short fuzz pass over the number
# syntax, and the Wine tests against the real 32-bit DLL.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

"$PWD/scripts/setup.sh"

jobs=$(nproc)
step() { printf '\n== %s\n' "$*"; }

run_preset() {
    local preset=$1
    step "$preset: configure and build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j"$jobs" >/dev/null
    step "$preset: test"
    ctest --preset "$preset" -j"$jobs"
}

run_preset native
run_preset native-asan
run_preset fuzz

# The Wine tests share one virtual display instead of starting one each.
if [ -z "${DISPLAY:-}" ]; then
    step "starting a virtual display for Wine"
    for n in $(seq 90 120); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }
    done
    Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
    export DISPLAY=$display
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
fi
run_preset win32
