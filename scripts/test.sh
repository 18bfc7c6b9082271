#!/usr/bin/env bash
# Runs every test: installs what is missing, then builds and runs the native
# unit tests (plain, under ASan/UBSan and under valgrind), a short fuzz pass
# over the number syntax, and the Wine tests against the real 32-bit and
# 64-bit DLLs. Every step says what it does before it starts, and a step still
# going says so every 20 s.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

"$PWD/scripts/setup.sh"

jobs=$(nproc)
step() { printf '\n== %s\n' "$*"; }

# ticking LABEL COMMAND...: runs the command, printing a line every 20 s
# while it goes on, so that no step is silent for long.
ticking() {
    local label=$1
    shift
    (
        elapsed=0
        while sleep 20; do
            elapsed=$((elapsed + 20))
            echo "   ... $label: still going after $elapsed s"
        done
    ) &
    local ticker=$! status=0
    "$@" || status=$?
    kill "$ticker" 2>/dev/null || true
    wait "$ticker" 2>/dev/null || true
    return $status
}

# build PRESET: configure and build quietly; on failure, the end of the log.
build() {
    local preset=$1 log=build/$1-build.log
    mkdir -p build
    step "$preset: configure and build (log: $log)"
    if ! ticking "$preset build" bash -c \
        "cmake --preset '$preset' && cmake --build --preset '$preset' -j$jobs" >"$log" 2>&1; then
        echo "test: the $preset build failed; the end of $log:"
        tail -n 30 "$log"
        return 1
    fi
}

# run_preset PRESET [WRAPPER...]: build the preset, then run its tests,
# through the wrapper command when one is given.
run_preset() {
    local preset=$1
    shift
    build "$preset"
    step "$preset: test"
    ticking "$preset tests" "$@" ctest --preset "$preset" -j"$jobs"
}

run_preset native
run_preset native-asan
# The native tests once more under valgrind, which sees what the sanitizers
# do not (uninitialised reads); the exhaustive sweep of every spin position
# runs in the two passes above, and would take minutes here.
step "native: the unit tests under valgrind (about 15 s)"
for t in build/native/*/*_tests; do
    ticking "valgrind $t" valgrind -q --error-exitcode=1 "$t" --gtest_brief=1 \
        --gtest_filter='-*EverySpinPosition*'
done
build fuzz
step "fuzz: test (a short fuzz pass over the number syntax, about 45 s)"
ticking "fuzz pass" ctest --preset fuzz

# The Wine tests share one virtual display rather than starting one each; the
# 64-bit DLL gets every test the 32-bit one does, in a 64-bit prefix.
for preset in win32 win64; do
    build $preset
    step "$preset: the Wine prefix (created on the first run only, 10-60 s)"
    ticking "Wine prefix" scripts/wine-run.sh build/$preset/host.exe --help >/dev/null
    step "$preset: test (the Wine tests, one at a time: they share one desktop)"
    ticking "$preset tests" scripts/with-display.sh ctest --preset $preset -j"$jobs"
done
