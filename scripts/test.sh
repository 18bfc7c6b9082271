#!/usr/bin/env bash
# usage: scripts/test.sh [STEP...]
#   STEP is native, native-asan, valgrind, fuzz, win32 or win64; by default all
#   of them. scripts/test.sh native win32: the quick cycle.
# Installs what is missing, builds the presets and runs the native unit tests
# (plain, under ASan/UBSan and under valgrind), a short fuzz pass and the Wine
# tests of both DLLs, each Wine run in the background on a virtual display of
# its own. Each step's output and time is printed when it ends (a build's only
# when it failed). Each step leaves a folder in build/test-logs/: its output
# (log) and its reports, CTest's JUnit XML and GoogleTest's JSON. The last
# line counts the tests in those reports (scripts/test_counts.py): "test: N
# passed, N failed, N skipped"; a failed step that counted no failed test (a
# failed build) counts as one failure. Exits 1 when anything failed.
set -euo pipefail
. "$(dirname "$0")/help.sh" "$@"
cd "$(dirname "$0")/.."
all=" native native-asan valgrind fuzz win32 win64 "
for arg in "$@"; do
    [[ $all == *" $arg "* ]] || usage_error "unknown step '$arg'"
done
steps=" ${*:-$all} "
wanted() { [[ $steps == *" $1 "* ]]; }

scripts/setup.sh
SECONDS=0
logs=$PWD/build/test-logs
rm -rf "$logs"
declare -A pids
built=" "

# record NAME COMMAND...: runs a step. Its folder (the command's $reports)
# receives its output in log and, when it ends, "STATUS SECONDS" in status.
record() (
    reports=$logs/${1// /-}
    mkdir -p "$reports"
    SECONDS=0
    status=0
    "${@:2}" >"$reports/log" 2>&1 || status=$?
    echo "$status $SECONDS" >"$reports/status"
)

# show NAME: prints an ended step's output (a build's only when it failed)
# and how it ended, and notes its time for the end. Returns its status.
show() {
    local folder=$logs/${1// /-} status=1 seconds=0 word=done note=""
    read -r status seconds <"$folder/status" || true
    if [ "$status" -ne 0 ]; then
        word="FAILED (exit status $status)"
        note="  $word"
    fi
    if [[ $1 != *build ]]; then
        cat "$folder/log"
    elif [ "$status" -ne 0 ]; then
        tail -n 30 "$folder/log"
    fi
    printf '== %s: %s after %d s\n' "$1" "$word" "$seconds"
    printf '   %-22s %4d s%s\n' "$1" "$seconds" "$note" >>"$logs/times"
    return "$status"
}

# run NAME COMMAND...: a step in the foreground, from its title to its end.
run() {
    printf '\n== %s\n' "$1"
    record "$@"
    show "$1"
}

build() {
    cmake --preset "$1" && cmake --build --preset "$1" -j2
}

# run_ctest PRESET [RUNNER...]: the preset's tests, through RUNNER if given.
run_ctest() {
    "${@:2}" ctest --preset "$1" -j2 --output-junit "$reports/junit.xml"
}

# valgrind sees what the sanitizers do not: reads of uninitialised memory.
# Every test once more under it, but the sweeps that run the same code over
# thousands of values against the C library or every spin position: they ran
# in the two passes before, and would take a minute here for nothing new.
valgrind_pass() {
    local program status=0 sweeps='*AgreesWithTheCLibrary*:*ShownTextsMatchTheCLibrary*'
    for program in build/native/*/*_tests; do
        echo "valgrind $program"
        valgrind -q --error-exitcode=1 "$program" --gtest_brief=1 --gtest_filter="-$sweeps" \
            --gtest_output="json:$reports/${program##*/}.json" || status=1
    done
    return $status
}

# step NAME STEP PRESET COMMAND...: runs when STEP is wanted and PRESET built.
step() {
    if wanted "$2" && [[ $built == *" $3 "* ]]; then
        run "$1" "${@:4}" || true
    fi
}

# A preset is built when its step is wanted, native also for valgrind.
builds=$steps
if wanted valgrind; then
    builds+="native "
fi
for preset in native native-asan fuzz win32 win64; do
    [[ $builds == *" $preset "* ]] || continue
    run "$preset build" build "$preset" || continue
    built+="$preset "
    # The Wine tests start as soon as their build is there, on a display of
    # their own: CTest keeps one Wine server alive for the run.
    if [[ $preset == win* ]]; then
        printf '\n== %s Wine tests (in the background, printed when they end)\n' "$preset"
        record "$preset Wine tests" run_ctest "$preset" \
            xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" &
        pids[$preset]=$!
    fi
done
step "native tests" native native run_ctest native
step "native-asan tests" native-asan native-asan run_ctest native-asan
step valgrind valgrind native valgrind_pass
step "fuzz pass" fuzz fuzz run_ctest fuzz
for preset in win32 win64; do
    if [[ -v pids[$preset] ]]; then
        wait "${pids[$preset]}"
        echo
        show "$preset Wine tests" || true
    fi
done

printf '\n== step times\n'
cat "$logs/times"
printf '   %-22s %4d s\n' "whole run" "$SECONDS"
python3 scripts/test_counts.py "$logs"/*/
