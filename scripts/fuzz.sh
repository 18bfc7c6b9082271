#!/usr/bin/env bash
# A long fuzzing pass over the edit boxes' number text: builds the fuzz target
# in build/fuzz and runs it for the given number of seconds (default 600),
# keeping what it learns in build/fuzz/corpus for the next pass. Findings go
# to build/fuzz/findings. Exits nonzero when something was found.
set -euo pipefail

seconds="${1:-600}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target number_text_fuzz -j2

corpus="build/fuzz/corpus"
findings="build/fuzz/findings"
log="build/fuzz/last-run.log"
mkdir -p "$corpus" "$findings"
started="build/fuzz/.started"
touch "$started"

echo "fuzz: running number_text_fuzz for ${seconds} s"
status=0
build/fuzz/dialog/number_text_fuzz "$corpus" \
    -max_total_time="$seconds" -max_len=64 -print_final_stats=1 \
    -artifact_prefix="$findings/" >"$log" 2>&1 || status=$?

runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
new_findings=$(find "$findings" -type f -newer "$started")
echo "fuzz: ${runs:-?} runs in ${seconds} s, corpus $(find "$corpus" -type f | wc -l) inputs, log in $log"
if [ "$status" -ne 0 ] || [ -n "$new_findings" ]; then
    echo "fuzz: FOUND (exit status $status):"
    grep -E 'ScanNumber\(|FormatFixed2\(|ERROR|runtime error' "$log" | cut -c1-300 | head -n 20 || true
    echo "$new_findings"
    exit 1
fi
echo "fuzz: findings: none"
