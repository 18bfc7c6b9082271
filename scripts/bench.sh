#!/usr/bin/env bash
# Builds and runs the vertex walk benchmark, then prints the figures the
# project watches, all taken from this one run's JSON output (an earlier run's
# file is deleted first, so nothing old is ever shown as new):
#
#   ns per vertex   CPU time (user and kernel, so page faults count) of one
#                   walk over the object, divided by its vertex count, in
#                   nanoseconds; the median of five repetitions.
#   walk / floor    the all-outside walk against the floor, a plain loop that
#                   does only what no walk can avoid (the same buffer, one copy
#                   of the points into it, the six comparisons). Target: at
#                   most 1.25, i.e. the command's own overhead (the host calls
#                   through its function table, the bookkeeping) costs at most
#                   a quarter of the unavoidable work.
#   scaling         the 10 M vertex run's cost against ten 1 M runs. Target:
#                   1.00 within 0.15, i.e. the walk is linear in the vertex
#                   count. The floor's own scaling is the machine's (caches,
#                   page faults); when the floor itself is off this target, a
#                   walk case that scales like the floor (its "vs floor" figure
#                   within 1.00 +/- 0.15) is reported as machine noise, not as
#                   a miss of the walk.
#
# Both are given for a buffer fresh from the system on every run (as the
# plug-in's heap serves a block this large) and for a reused one (the walk's
# own work laid bare); see bench/range_selection_bench.cpp.
#
# Usage: scripts/bench.sh [--build-dir DIR] [extra benchmark flags...]
#   By default the native preset is configured and built. --build-dir builds
#   the same target, RelWithDebInfo as in the preset, in a directory of your
#   own, so that the run does not disturb a build in progress. Extra flags go
#   to the benchmark program (e.g. --benchmark_filter=Floor).
# Exit status: 0 when every figure is on target (noise included), 1 on a
# miss, 2 when the benchmark could not run.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
case "${1:-}" in
    -h | --help) sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$0"; exit 0 ;;
    --build-dir)
        dir=${2:?--build-dir needs a directory}
        shift 2
        cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
        cmake --build "$dir" --target range_selection_bench -j2 ;;
    *)
        dir=build/native
        cmake --preset native >/dev/null
        cmake --build --preset native --target range_selection_bench ;;
esac
json=$dir/range_selection_bench.json log=$dir/range_selection_bench.log
rm -f "$json" "$log"

# Five repetitions, interleaved at random so that a burst of load elsewhere on
# the machine falls on every case alike; the ratios use the medians. The
# program's own table goes to the log: its ns_per_vertex column carries the
# library's unit for an inverted rate ("s"), though the figure is nanoseconds.
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

NAME = re.compile(r"^BM_(\w+)/vertices:(\d+)/reused:([01])")
SMALL, LARGE = 1000000, 10000000
SIZES = ((SMALL, "1 M"), (LARGE, "10 M"))
REGIMES = ((0, "fresh buffer"), (1, "reused buffer"))
ORDER = ["Floor", "WalkAllOutside", "WalkAllInsideSelect", "WalkAllInsideInvert",
         "WalkAllInsideRandom", "WalkHalfInsideSelect"]

# ns per vertex by (case, vertices, reused): the median of the repetitions, or
# the mean of the plain runs when the program ran without repetitions.
medians, plain, failed = {}, {}, set()
for run in json.load(open(sys.argv[1]))["benchmarks"]:
    m = NAME.match(run.get("run_name", run["name"]))
    if not m:
        continue
    key = (m[1], int(m[2]), int(m[3]))
    if run.get("error_occurred"):
        failed.add("%s: %s" % (run["name"], run.get("error_message", "")))
    elif run.get("run_type") != "aggregate":
        plain.setdefault(key, []).append(run["ns_per_vertex"])
    elif run.get("aggregate_name") == "median":
        medians[key] = run["ns_per_vertex"]
ns = medians or {k: statistics.mean(v) for k, v in plain.items()}
if failed:
    print("\nFAILED runs:\n  " + "\n  ".join(sorted(failed)))
if not ns:
    sys.exit("no benchmark results in " + sys.argv[1])
found = {k[0] for k in ns}
cases = [c for c in ORDER if c in found] + sorted(found - set(ORDER))
width = max(len(c) for c in cases) + 2
get = lambda case, n, reused: ns.get((case, n, reused))

print("\nCPU time per vertex, in ns (%s)" % ("median of 5 repetitions" if medians else "mean"))
print(" " * width + "".join("%18s" % title for _, title in REGIMES))
print(" " * width + "%9s%9s" % ("1 M", "10 M") * len(REGIMES))
for case in cases:
    print(case.ljust(width) + "".join("%9.2f" % v if v is not None else "%9s" % "-"
                                      for r, _ in REGIMES for n, _ in SIZES for v in [get(case, n, r)]))

misses = noise = 0
def verdict(ok):
    global misses
    misses += not ok
    return "ok" if ok else "MISS"

print("\nWalk / floor: the all-outside walk's time per vertex over the floor's, a ratio (target <= 1.25)")
for r, title in REGIMES:
    for n, label in SIZES:
        walk, floor = get("WalkAllOutside", n, r), get("Floor", n, r)
        if walk is not None and floor is not None:
            print("  %-14s %-5s %6.3f  %s" % (title, label, walk / floor, verdict(walk / floor <= 1.25)))

print("\nScaling: 10 M cost / (10 x 1 M cost), a ratio (target 1.00 +/- 0.15);"
      " 'vs floor' divides by the floor's own figure")
for r, title in REGIMES:
    floor_small, floor_large = get("Floor", SMALL, r), get("Floor", LARGE, r)
    floor_scale = floor_large / floor_small if floor_small and floor_large else None
    floor_off = floor_scale is not None and abs(floor_scale - 1.0) > 0.15
    print("  %s%s" % (title, "  (the floor itself is off target: the machine, not the walk)"
                            if floor_off else ""))
    for case in cases:
        small, large = get(case, SMALL, r), get(case, LARGE, r)
        if small is None or large is None:
            continue
        scale = large / small
        on = abs(scale - 1.0) <= 0.15
        relative = scale / floor_scale if floor_scale and case != "Floor" else None
        # The reference loop itself off target is the machine; so is a case
        # that scales as the floor does.
        if not on and (case == "Floor" or (floor_off and relative is not None
                                            and abs(relative - 1.0) <= 0.15)):
            word, noise = "noise", noise + 1
        else:
            word = verdict(on)
        line = "    %s %6.3f  %-5s" % (case.ljust(width), scale, word)
        print(line + ("  vs floor %6.3f" % relative if relative is not None else ""))

print()
if noise:
    print("%d figure(s) off target through the machine (noise): the floor scales alike;"
          " run again on a quieter machine to see them on target" % noise)
print("%d figure(s) of the walk off target" % misses if misses else "every figure of the walk on target")
sys.exit(1 if misses else 0)
EOF_PY
