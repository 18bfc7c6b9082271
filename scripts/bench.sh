#!/usr/bin/env bash
# usage: scripts/bench.sh [--build-dir DIR] [extra benchmark flags...]
# Builds the vertex walk benchmark (the native preset; with --build-dir, the
# same target in a folder of your own, so that a build in progress is left
# alone), runs it (extra flags go to it, e.g. --benchmark_filter=Floor) and
# prints from this run's JSON alone, for a buffer fresh from the system on
# every run and for a reused one: the CPU time per vertex (median of five
# repetitions), walk / floor (the all-outside walk over a plain loop doing only
# what no walk can avoid; target at most 1.25) and scaling (10 M vertices over
# ten 1 M runs; target 1.00 +/- 0.15, and a walk that scales like an
# off-target floor counts as the machine's noise). The README and
# bench/range_selection_bench.cpp say more.
# Exit status: 0 when every figure is on target (noise included), 1 on a miss,
# 2 when the benchmark could not run.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/help.sh" "$@"
cd "$(dirname "${BASH_SOURCE[0]}")/.."
dir=build/native
case "${1:-}" in
    --build-dir) dir=${2:?--build-dir needs a directory}; shift 2 ;;
esac
cmake --preset native -B "$dir" >/dev/null
cmake --build "$dir" --target range_selection_bench -j2
json=$dir/range_selection_bench.json log=$dir/range_selection_bench.log
rm -f "$json" "$log"  # nothing old is ever shown as new

# Five repetitions, interleaved at random so that a burst of load elsewhere on
# the machine falls on every case alike. The program's own table goes to the
# log: its ns_per_vertex column carries the library's unit for an inverted
# rate ("s"), though the figure is nanoseconds.
echo "bench: running the benchmark (about a minute on two cores); its raw output: $log"
status=0
"$dir/bench/range_selection_bench" --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true \
    --benchmark_display_aggregates_only=true \
    --benchmark_out="$json" --benchmark_out_format=json "$@" >"$log" 2>&1 || status=$?
if [ $status -ne 0 ] || [ ! -s "$json" ]; then
    echo "bench: the benchmark $([ $status -ne 0 ] && echo "failed (exit status $status)" ||
        echo "wrote no results"); the end of its output:" >&2
    tail -n 20 "$log" >&2
    exit 2
fi

python3 - "$json" <<'EOF_PY'
import json, re, statistics, sys

SIZES = {1000000: "1 M", 10000000: "10 M"}
REGIMES = {0: "fresh buffer", 1: "reused buffer"}
ORDER = ["Floor", "WalkAllOutside", "WalkAllInsideSelect", "WalkAllInsideInvert",
         "WalkAllInsideRandom", "WalkHalfInsideSelect"]

# Every run's ns per vertex by (case, vertices, reused); the file holds the
# single runs beside the library's aggregates, whose median is theirs.
runs, failed = {}, set()
for run in json.load(open(sys.argv[1]))["benchmarks"]:
    m = re.match(r"BM_(\w+)/vertices:(\d+)/reused:([01])", run["name"])
    if m and run.get("error_occurred"):
        failed.add("%s: %s" % (run["name"], run.get("error_message", "")))
    elif m and run.get("run_type") != "aggregate":
        runs.setdefault((m[1], int(m[2]), int(m[3])), []).append(run["ns_per_vertex"])
if failed:
    print("\nFAILED runs:\n  " + "\n  ".join(sorted(failed)))
if not runs:
    sys.exit("no benchmark results in " + sys.argv[1])
ns = {key: statistics.median(values) for key, values in runs.items()}
get = lambda case, n, reused: ns.get((case, n, reused))
found = {key[0] for key in ns}
cases = [c for c in ORDER if c in found] + sorted(found - set(ORDER))
width = max(len(c) for c in cases) + 2
repetitions = max(len(values) for values in runs.values())

print("\nCPU time per vertex, in ns (%s)" % ("median of %d repetitions" % repetitions
                                          if repetitions > 1 else "one run"))
print(" " * width + "".join("%18s" % title for title in REGIMES.values()))
print(" " * width + "%9s%9s" % tuple(SIZES.values()) * len(REGIMES))
cell = lambda value: "%9s" % "-" if value is None else "%9.2f" % value
for case in cases:
    print(case.ljust(width) + "".join(cell(get(case, n, r)) for r in REGIMES for n in SIZES))

misses = noise = 0
print("\nWalk / floor: the all-outside walk's time per vertex over the floor's, a ratio (target <= 1.25)")
for r, title in REGIMES.items():
    for n, label in SIZES.items():
        walk, floor = get("WalkAllOutside", n, r), get("Floor", n, r)
        if walk is not None and floor is not None:
            ok = walk / floor <= 1.25
            misses += not ok
            print("  %-14s %-5s %6.3f  %s" % (title, label, walk / floor, "ok" if ok else "MISS"))

print("\nScaling: 10 M cost / (10 x 1 M cost), a ratio (target 1.00 +/- 0.15);"
      " 'vs floor' divides by the floor's own figure")
scaling = {(case, r): get(case, 10000000, r) / get(case, 1000000, r)
           for case in cases for r in REGIMES if get(case, 1000000, r) and get(case, 10000000, r)}
for r, title in REGIMES.items():
    floor = scaling.get(("Floor", r))
    floor_off = floor is not None and abs(floor - 1.0) > 0.15
    print("  " + title + ("  (the floor itself is off target: the machine, not the walk)" if floor_off else ""))
    for case in cases:
        if (case, r) not in scaling:
            continue
        scale = scaling[case, r]
        relative = scale / floor if floor and case != "Floor" else None
        # The floor off target is the machine; so is a case that scales as the floor does.
        if abs(scale - 1.0) <= 0.15:
            word = "ok"
        elif case == "Floor" or (floor_off and relative is not None and abs(relative - 1.0) <= 0.15):
            word, noise = "noise", noise + 1
        else:
            word, misses = "MISS", misses + 1
        print("    %s %6.3f  %-5s" % (case.ljust(width), scale, word)
              + ("  vs floor %6.3f" % relative if relative is not None else ""))

print()
if noise:
    print("%d figure(s) off target through the machine (noise): the floor scales alike;"
          " run again on a quieter machine to see them on target" % noise)
print("%d figure(s) of the walk off target" % misses if misses else "every figure of the walk on target")
sys.exit(1 if misses else 0)
EOF_PY
