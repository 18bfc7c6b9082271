#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the five presets, then
# runs the native unit tests (plain, under ASan/UBSan, and under valgrind for
# what the sanitizers cannot see), a short fuzz pass over the number syntax,
# and the Wine tests against the real 32-bit and 64-bit DLLs. The two Wine
# runs go side by side with the native steps, each on its own virtual display
# and in its own prefix, with one Wine server kept alive for the run.
#
# Each step's output is printed whole when it ends, with its time; a step
# still going says so every 20 s. The last line counts the tests of every
# step: "test: N passed, N failed". Exits 1 when anything failed.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

usage() {
    echo "usage: scripts/test.sh   (no arguments)"
    sed -n '2,11s/^# \{0,1\}//p' "$0"
}
case "${1-}" in
    "") [ $# -eq 0 ] || { echo "test: unknown argument ''" >&2; usage >&2; exit 2; } ;;
    -h | --help) usage; exit 0 ;;
    *) echo "test: unknown argument '$1'" >&2; usage >&2; exit 2 ;;
esac

"$PWD/scripts/setup.sh"

logs=build/test-logs
mkdir -p "$logs"
rm -f "$logs"/*.log "$logs"/*.status
jobs=$(nproc)
start=$SECONDS
passed=0 failed=0
summary=()

# The test counts in a step's log: CTest's summary lines, or else
# GoogleTest's (the valgrind pass); a step that failed without counting
# anything counts as one failed test.
count() {
    local log=$1 status=$2 p=0 f=0 line
    while read -r line; do
        if [[ $line =~ ([0-9]+)\ tests\ failed\ out\ of\ ([0-9]+) ]]; then
            f=$((f + BASH_REMATCH[1]))
            p=$((p + BASH_REMATCH[2] - BASH_REMATCH[1]))
        fi
    done < <(grep -E 'tests failed out of' "$log" || true)
    if ! grep -qE 'tests failed out of' "$log"; then
        while read -r line; do
            [[ $line =~ ^\[\ \ (PASSED|FAILED)\ \ \]\ ([0-9]+)\ tests?[,.] ]] || continue
            if [ "${BASH_REMATCH[1]}" = PASSED ]; then
                p=$((p + BASH_REMATCH[2]))
            else
                f=$((f + BASH_REMATCH[2]))
            fi
        done < <(grep -E '^\[  (PASSED|FAILED)  \] [0-9]+ test' "$log" || true)
    fi
    if [ "$status" -ne 0 ] && [ "$f" -eq 0 ]; then f=1; fi
    passed=$((passed + p)) failed=$((failed + f))
}

# log NAME: the file that holds a step's output.
log() { echo "$logs/${1// /-}.log"; }

# finish NAME STATUS SECONDS: prints a step's output (a build's only when it
# failed, its last 30 lines) and its time.
finish() {
    local name=$1 status=$2 took=$3 log
    log=$(log "$name")
    if [[ $name != *build ]]; then
        cat "$log"
    elif [ "$status" -ne 0 ]; then
        echo "the end of $log:"
        tail -n 30 "$log"
    fi
    count "$log" "$status"
    if [ "$status" -eq 0 ]; then
        printf '== %s: done in %d s\n' "$name" "$took"
        summary+=("$(printf '%-22s %4d s' "$name" "$took")")
    else
        printf '== %s: FAILED (exit status %d) after %d s\n' "$name" "$status" "$took"
        summary+=("$(printf '%-22s %4d s  FAILED' "$name" "$took")")
    fi
}

# step NAME COMMAND...: runs a step in the foreground, its output in its log,
# saying every 20 s that it goes on.
step() {
    local name=$1 began=$SECONDS status=0
    shift
    printf '\n== %s\n' "$name"
    "$@" >"$(log "$name")" 2>&1 &
    local pid=$!
    while ! wait_for "$pid" 20; do
        echo "   ... $name: still going after $((SECONDS - began)) s"
    done
    wait "$pid" || status=$?
    finish "$name" $status $((SECONDS - began))
    return $status
}

# wait_for PID SECONDS: whether the process ended within that time.
wait_for() {
    local i
    for ((i = 0; i < $2 * 10; i++)); do
        kill -0 "$1" 2>/dev/null || return 0
        sleep 0.1
    done
    ! kill -0 "$1" 2>/dev/null
}

# build PRESET: configure and build.
build() { cmake --preset "$1" && cmake --build --preset "$1" -j"$jobs"; }

# wine_tests PRESET: the preset's CTest run on a display of its own, with one
# Wine server kept alive in its prefix for the whole run.
wine_tests() {
    scripts/with-display.sh scripts/wine-session.sh "build/$1/host.exe" \
        ctest --preset "$1" -j"$jobs"
}

declare -A built
for preset in native native-asan fuzz win32 win64; do
    if step "$preset build" build "$preset"; then built[$preset]=1; fi
done
# test PRESET NAME COMMAND...: a step that runs when its preset built.
test_step() {
    if [ -n "${built[$1]:-}" ]; then step "${@:2}" || true; fi
}

# The Wine runs in the background, each its own step; the native steps in the
# foreground meanwhile.
background=()
for preset in win32 win64; do
    [ -n "${built[$preset]:-}" ] || continue
    (
        began=$SECONDS status=0
        wine_tests "$preset" >"$(log "$preset Wine tests")" 2>&1 || status=$?
        echo "$status $((SECONDS - began))" >"$logs/$preset.status"
    ) &
    background+=("$preset Wine tests:$!")
    printf '\n== %s Wine tests (in the background, printed when they end)\n' "$preset"
done

test_step native "native tests" ctest --preset native -j"$jobs"
test_step native-asan "native-asan tests" ctest --preset native-asan -j"$jobs"
# valgrind sees what the sanitizers do not: reads of uninitialised memory.
# Every test once more under it, but the sweeps that run the same code over
# thousands of values against the C library or every spin position: they ran
# in the two passes above, and would take a minute here for nothing new.
valgrind_pass() {
    local t status=0 tests=()
    local sweeps='*AgreesWithTheCLibrary*:*ShownTextsMatchTheCLibrary*'
    for t in build/native/*/*_tests; do [ -x "$t" ] && tests+=("$t"); done
    if [ ${#tests[@]} -eq 0 ]; then
        echo "test: no test programs in build/native/*/ for valgrind"
        return 1
    fi
    for t in "${tests[@]}"; do
        echo "valgrind $t"
        valgrind -q --error-exitcode=1 "$t" --gtest_brief=1 --gtest_filter="-$sweeps" || status=1
    done
    return $status
}
test_step native "valgrind" valgrind_pass
test_step fuzz "fuzz pass" ctest --preset fuzz

for entry in "${background[@]}"; do
    name=${entry%%:*} pid=${entry##*:}
    while ! wait_for "$pid" 20; do
        echo "   ... $name: still going after $((SECONDS - start)) s of the run"
    done
    wait "$pid" || true
    read -r status took 2>/dev/null <"$logs/${name%% *}.status" || { status=1 took=0; }
    printf '\n'
    finish "$name" "$status" "$took"
done

printf '\n== step times\n'
printf '   %s\n' "${summary[@]}"
printf '   %-22s %4d s\n' "whole run" $((SECONDS - start))
echo "test: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
