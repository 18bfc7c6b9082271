#!/usr/bin/env bash
# usage: scripts/bench.sh [extra benchmark flags...]
# Builds the vertex walk benchmark (the native preset) and runs it: five
# repetitions of each case, interleaved at random so that a burst of load
# elsewhere falls on every case alike, shown as Google Benchmark's own table
# of their aggregates (extra flags go to it, e.g. --benchmark_filter=Floor).
# Then scripts/bench_verdicts.py judges two ratios of the medians, for a
# buffer fresh from the system on every run and for a reused one: walk /
# floor (the all-outside walk over a plain loop doing only what no walk can
# avoid; target at most 1.25) and scaling (each walk's 10 M vertices over ten
# 1 M runs, over the floor's own figure; target 1.00 +/- 0.15). The README
# and bench/range_selection_bench.cpp say more.
# Exit status: 0 when every figure is on target, 1 on a miss, 2 when the
# benchmark could not run.
set -euo pipefail
. "$(dirname "$0")/help.sh" "$@"
cd "$(dirname "$0")/.."
cmake --preset native >/dev/null
cmake --build --preset native --target range_selection_bench -j2
json=build/native/range_selection_bench.json
echo "bench: about a minute on two cores"
if ! build/native/bench/range_selection_bench --benchmark_min_time=0.2 --benchmark_repetitions=5 \
    --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true \
    --benchmark_out="$json" --benchmark_out_format=json "$@"; then
    echo "bench: the benchmark failed" >&2
    exit 2
fi
echo
exec python3 scripts/bench_verdicts.py "$json"
