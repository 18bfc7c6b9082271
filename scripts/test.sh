#!/usr/bin/env bash
# usage: scripts/test.sh [STEP...]
#   STEP is native, native-asan, valgrind, fuzz, win32 or win64; by default all
#   of them. scripts/test.sh native win32: the quick cycle.
# Installs what is missing, builds the presets and runs the native unit tests
# (plain, under ASan/UBSan and under valgrind), a short fuzz pass and the Wine
# tests of both DLLs, each Wine run in the background on a virtual display of
# its own. Each step's output and time is printed when it ends (a build's only
# when it failed), its log kept in build/test-logs/. The last line counts the
# tests: "test: N passed, N failed, N skipped". Exits 1 when anything failed.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/help.sh" "$@"
cd "$(dirname "${BASH_SOURCE[0]}")/.."
all=(native native-asan valgrind fuzz win32 win64)
for arg in "$@"; do
    [[ " ${all[*]} " == *" $arg "* ]] || usage_error "unknown step '$arg'"
done
[ $# -gt 0 ] || set -- "${all[@]}"
steps=" $* "
wanted() { [[ $steps == *" $1 "* ]]; }

scripts/setup.sh
logs=build/test-logs
mkdir -p "$logs"
rm -f "$logs"/*.log "$logs"/*.status
start=$SECONDS passed=0 failed=0 skipped=0 summary=()

# count LOG STATUS: adds up CTest's summary (a skipped test counts there as
# passed, a disabled one not at all) and its list of tests that did not run,
# or else GoogleTest's (the valgrind pass). A failed step that counted no
# failure counts as one.
count() {
    local p f s
    read -r p f s < <(awk -v status="$2" '
        / tests failed out of / { ctest = 1; f += $(NF - 5); p += $NF - $(NF - 5) }
        /^[ \t]*[0-9]+ - .* \(Skipped\)$/ { p--; s++ }
        /^[ \t]*[0-9]+ - .* \(Disabled\)$/ { s++ }
        /^\[  (PASSED|FAILED|SKIPPED)  ?\] [0-9]+ tests?/ { gtest[$2] += $4 }
        END {
            if (!ctest) { p = gtest["PASSED"]; f = gtest["FAILED"]; s = gtest["SKIPPED"] }
            print p + 0, (status && !f ? 1 : f + 0), s + 0
        }' "$1")
    passed=$((passed + p)) failed=$((failed + f)) skipped=$((skipped + s))
}

# run NAME COMMAND...: a step in the background, its output in its log, its
# status and time in its .status file when it ends.
run() {
    local file=$logs/${1// /-}
    ( began=$SECONDS status=0
      "${@:2}" >"$file.log" 2>&1 || status=$?
      echo "$status $((SECONDS - began))" >"$file.status" ) &
    pids[$1]=$!
}

# await NAME: waits for a step, saying every 20 s that it goes on, then prints
# its output (a build's only when it failed) and its time. Returns its status.
await() {
    local name=$1 file=$logs/${1// /-} status took i=0 word=done
    while kill -0 "${pids[$name]}" 2>/dev/null; do
        sleep 0.2
        ((++i % 100)) || echo "   ... $name: still going after $((SECONDS - start)) s of the run"
    done
    wait "${pids[$name]}" || true
    read -r status took <"$file.status" || status=1 took=0
    if [[ $name != *build ]]; then
        cat "$file.log"
    elif [ "$status" -ne 0 ]; then
        echo "the end of $file.log:" && tail -n 30 "$file.log"
    fi
    count "$file.log" "$status"
    [ "$status" -eq 0 ] || word="FAILED (exit status $status)"
    printf '== %s: %s after %d s\n' "$name" "$word" "$took"
    summary+=("$(printf '%-22s %4d s  %s' "$name" "$took" "${word/#done/}")")
    return "$status"
}

build() { cmake --preset "$1" && cmake --build --preset "$1" -j2; }
# The Wine tests on a display of their own: CTest keeps one Wine server
# alive for the run.
wine_tests() { xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" ctest --preset "$1" -j2; }
# valgrind sees what the sanitizers do not: reads of uninitialised memory.
# Every test once more under it, but the sweeps that run the same code over
# thousands of values against the C library or every spin position: they ran
# in the two passes before, and would take a minute here for nothing new.
valgrind_pass() {
    local t status=0 sweeps='*AgreesWithTheCLibrary*:*ShownTextsMatchTheCLibrary*'
    for t in build/native/*/*_tests; do
        echo "valgrind $t"
        valgrind -q --error-exitcode=1 "$t" --gtest_brief=1 --gtest_filter="-$sweeps" || status=1
    done
    return $status
}

declare -A pids built
for preset in native native-asan fuzz win32 win64; do
    wanted "$preset" || { [ "$preset" = native ] && wanted valgrind; } || continue
    printf '\n== %s build\n' "$preset"
    run "$preset build" build "$preset"
    if await "$preset build"; then built[$preset]=1; fi
    # The Wine tests start as soon as their build is there.
    if [[ -n ${built[$preset]:-} && $preset == win* ]]; then
        printf '\n== %s Wine tests (in the background, printed when they end)\n' "$preset"
        run "$preset Wine tests" wine_tests "$preset"
    fi
done
# test_step NAME STEP PRESET COMMAND...: when STEP is wanted and PRESET built.
test_step() {
    wanted "$2" && [ -n "${built[$3]:-}" ] || return 0
    printf '\n== %s\n' "$1"
    run "$1" "${@:4}"
    await "$1" || true
}
test_step "native tests" native native ctest --preset native -j2
test_step "native-asan tests" native-asan native-asan ctest --preset native-asan -j2
test_step valgrind valgrind native valgrind_pass
test_step "fuzz pass" fuzz fuzz ctest --preset fuzz
for preset in win32 win64; do
    [ -z "${pids[$preset Wine tests]:-}" ] || { echo; await "$preset Wine tests" || true; }
done

printf '\n== step times\n'
printf '   %s\n' "${summary[@]}"
printf '   %-22s %4d s\n' "whole run" $((SECONDS - start))
echo "test: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
