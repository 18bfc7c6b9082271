#!/usr/bin/env bash
# Builds and runs the vertex walk benchmark, then prints the figures the
# project watches, all taken from the one run's JSON output:
#   - the all-outside walk against the floor, per vertex (target: at most 1.25)
#   - for every case, the 10 M run's cost against ten 1 M runs (target: 1.00
#     within 0.15), beside the floor's own figure, which shows what the memory
#     hierarchy alone does to the scaling.
# Both are given for a buffer fresh from the system on every run (as the
# plug-in's heap serves a block this large) and for a reused one (the walk's
# own work laid bare); see bench/range_selection_bench.cpp.
#
# Usage: scripts/bench.sh [--build-dir DIR] [extra benchmark flags...]
#   By default the native preset is configured and built. --build-dir builds
#   the same target, RelWithDebInfo as in the preset, in a directory of your
#   own, so that the run does not disturb a build in progress.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

build_dir=""
if [ "${1:-}" = "--build-dir" ]; then
    build_dir=${2:?--build-dir needs a directory}
    shift 2
fi

if [ -z "$build_dir" ]; then
    build_dir=build/native
    cmake --preset native >/dev/null
    cmake --build --preset native --target range_selection_bench
else
    cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build_dir" --target range_selection_bench -j2
fi

bench="$build_dir/selection/range_selection_bench"
json="$build_dir/range_selection_bench.json"

# Five repetitions, interleaved at random so that a burst of load elsewhere on
# the machine falls on every case alike; the ratios use the medians. About a
# minute on two cores.
"$bench" --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true \
    --benchmark_display_aggregates_only=true \
    --benchmark_out="$json" --benchmark_out_format=json "$@"

python3 - "$json" <<'EOF'
import json
import re
import statistics
import sys

with open(sys.argv[1]) as f:
    runs = json.load(f)["benchmarks"]

NAME = re.compile(r"^BM_(\w+)/vertices:(\d+)/reused:([01])")
SMALL, LARGE = 1000000, 10000000
REGIMES = ((0, "fresh buffer"), (1, "reused buffer"))

# ns per vertex by (case, vertices, reused): the median of the repetitions, or
# the mean of the plain runs when the program ran without repetitions.
medians, plain, failed = {}, {}, []
for run in runs:
    m = NAME.match(run.get("run_name", run["name"]))
    if not m:
        continue
    key = (m.group(1), int(m.group(2)), int(m.group(3)))
    if run.get("error_occurred"):
        failed.append("%s: %s" % (run["name"], run.get("error_message", "")))
    elif run.get("run_type") == "aggregate":
        if run.get("aggregate_name") == "median":
            medians[key] = run["ns_per_vertex"]
    else:
        plain.setdefault(key, []).append(run["ns_per_vertex"])
ns = medians or {k: statistics.mean(v) for k, v in plain.items()}

if failed:
    print("\nFAILED runs:\n  " + "\n  ".join(sorted(set(failed))))
if not ns:
    sys.exit("no benchmark results in " + sys.argv[1])

ORDER = ["Floor", "WalkAllOutside", "WalkAllInsideSelect", "WalkAllInsideInvert",
         "WalkAllInsideRandom", "WalkHalfInsideSelect"]
found = {k[0] for k in ns}
cases = [c for c in ORDER if c in found] + sorted(found - set(ORDER))
width = max(len(c) for c in cases) + 2

def get(case, n, reused):
    return ns.get((case, n, reused))

def cell(v):
    return "%9.2f" % v if v is not None else "%9s" % "-"

print("\nns per vertex (%s)" % ("median of repetitions" if medians else "mean"))
print(" " * width + "".join("%18s" % title for _, title in REGIMES))
print(" " * width + "%9s%9s" % ("1 M", "10 M") * len(REGIMES))
for case in cases:
    print(case.ljust(width) + "".join(cell(get(case, n, r)) for r, _ in REGIMES for n in (SMALL, LARGE)))

misses = 0

def verdict(ok):
    global misses
    misses += not ok
    return "ok" if ok else "MISS"

print("\nAll-outside walk / floor, per vertex (target <= 1.25)")
for r, title in REGIMES:
    for n, label in ((SMALL, "1 M"), (LARGE, "10 M")):
        walk, floor = get("WalkAllOutside", n, r), get("Floor", n, r)
        if walk is None or floor is None:
            continue
        ratio = walk / floor
        print("  %-14s %-5s %6.3f  %s" % (title, label, ratio, verdict(ratio <= 1.25)))

print("\n10 M cost / (10 x 1 M cost) (target 1.00 +/- 0.15); "
      "'vs floor' divides by the floor's own figure")
for r, title in REGIMES:
    floor_small, floor_large = get("Floor", SMALL, r), get("Floor", LARGE, r)
    floor_scale = floor_large / floor_small if floor_small and floor_large else None
    print("  %s" % title)
    for case in cases:
        small, large = get(case, SMALL, r), get(case, LARGE, r)
        if small is None or large is None:
            continue
        scale = large / small
        line = "    %s %6.3f  %-4s" % (case.ljust(width), scale, verdict(abs(scale - 1.0) <= 0.15))
        if floor_scale and case != "Floor":
            line += "   vs floor %6.3f" % (scale / floor_scale)
        print(line)

print("\n%d figure(s) off target" % misses if misses else "\nevery figure on target")
EOF
