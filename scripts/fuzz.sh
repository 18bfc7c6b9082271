#!/usr/bin/env bash
# usage: scripts/fuzz.sh SECONDS
# Fuzzes the number text of the range dialog for SECONDS seconds (a whole
# number, at least 1), e.g. scripts/fuzz.sh 600: builds the fuzz target in
# build/fuzz and runs libFuzzer on it, which prints its own progress and, at
# the end, its statistics. The corpus in build/fuzz/corpus grows from pass to
# pass; an input that fails is kept in
# build/fuzz/findings/. Ctrl-C stops the pass early. Exits 0 when nothing was
# found, 1 when something was, 2 on a usage error, 72 (libFuzzer's) when
# interrupted.
set -euo pipefail
. "$(dirname "$0")/help.sh" "$@"
if [ $# -ne 1 ] || ! [[ $1 =~ ^[1-9][0-9]{0,8}$ ]]; then
    usage_error "expected the duration in seconds, a whole number of at least 1"
fi
cd "$(dirname "$0")/.."
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target number_text_fuzz -j2
mkdir -p build/fuzz/corpus build/fuzz/findings
exec build/fuzz/numbers/number_text_fuzz build/fuzz/corpus -max_total_time="$1" -max_len=64 \
    -print_final_stats=1 -artifact_prefix=build/fuzz/findings/ -error_exitcode=1 -timeout_exitcode=1
