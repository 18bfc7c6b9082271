#!/usr/bin/env bash
# usage: scripts/fuzz.sh SECONDS
# Fuzzes the number text of the range dialog for SECONDS seconds (a whole
# number, at least 1) against an independent reference, e.g. scripts/fuzz.sh
# 600: builds the fuzz target in build/fuzz and runs it, keeping what it learns
# in build/fuzz/corpus for the next pass; findings go to build/fuzz/findings.
# Prints a progress line at least every 30 s; Ctrl-C stops the pass early and
# reports what ran. Exits 1 when something was found, 2 on a usage error, 130
# when interrupted with nothing found.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/help.sh" "$@"
if [ $# -ne 1 ] || ! [[ "$1" =~ ^[0-9]{1,9}$ ]] || [ "$((10#$1))" -lt 1 ]; then
    usage_error "expected the duration in seconds, a whole number of at least 1"
fi
seconds=$((10#$1))
cd "$(dirname "${BASH_SOURCE[0]}")/.."
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target number_text_fuzz -j2

corpus=build/fuzz/corpus findings=build/fuzz/findings log=build/fuzz/last-run.log
mkdir -p "$corpus" "$findings"
touch build/fuzz/.started
# The latest run count libFuzzer has logged ("#12345 ..." lines).
runs_so_far() { grep -ao '^#[0-9]*' "$log" 2>/dev/null | tail -n 1 | tr -d '#' || true; }

echo "fuzz: running number_text_fuzz for ${seconds} s"
# The fuzzer runs in the background so that this script can report progress;
# Ctrl-C reaches it through the terminal, a signal sent to the script alone is
# passed on.
build/fuzz/numbers/number_text_fuzz "$corpus" -max_total_time="$seconds" -max_len=64 \
    -print_final_stats=1 -artifact_prefix="$findings/" >"$log" 2>&1 &
fuzzer=$! interrupted=0 begin=$SECONDS
trap 'interrupted=1; kill -INT "$fuzzer" 2>/dev/null || true' INT TERM
next_report=$((begin + 25))
while kill -0 "$fuzzer" 2>/dev/null; do
    sleep 1 || true
    if [ "$SECONDS" -ge "$next_report" ] && kill -0 "$fuzzer" 2>/dev/null; then
        echo "fuzz: $((SECONDS - begin)) s of ${seconds} s, $(runs_so_far) runs so far"
        next_report=$((SECONDS + 25))
    fi
done
# wait returns early when a trapped signal arrives; wait again for the exit.
status=0
while wait "$fuzzer" && status=0 || status=$?; kill -0 "$fuzzer" 2>/dev/null; do :; done
elapsed=$((SECONDS - begin))
trap - INT TERM

runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
new_findings=$(find "$findings" -type f -newer build/fuzz/.started)
echo "fuzz: ${runs:-$(runs_so_far)} runs in ${elapsed} s, corpus $(find "$corpus" -type f | wc -l) inputs, log in $log"
# libFuzzer leaves with its own exit code after an interrupt; only a crash
# or a mismatch leaves an artifact behind.
if [ -n "$new_findings" ] || { [ "$interrupted" -eq 0 ] && [ "$status" -ne 0 ]; }; then
    echo "fuzz: FOUND (exit status $status):"
    grep -aE 'MISMATCH|ScanNumber =|FormatFixed2\(|position|ERROR|runtime error' "$log" | cut -c1-300 | head -n 20 || true
    echo "$new_findings"
    exit 1
fi
if [ "$interrupted" -eq 1 ]; then
    echo "fuzz: interrupted after ${elapsed} s of ${seconds} s; findings: none"
    exit 130
fi
echo "fuzz: findings: none"
