#!/usr/bin/python3
"""usage: scripts/bench_verdicts.py FILE

The two verdicts of scripts/bench.sh, from the JSON FILE that Google
Benchmark wrote for range_selection_bench with its aggregates: on the
medians of vertices per CPU second, for a fresh and a reused buffer,
walk / floor (the all-outside walk's time per vertex over the floor's) and
scaling (each walk's 10 M run over ten 1 M runs, over the floor's own figure,
so that a machine that slows down for large buffers slows both alike).
Exits 0 when every figure is on target, 1 on a miss, 2 when a run failed.
"""
import json
import sys

WALK_OVER_FLOOR_MAX = 1.25
SCALING_SPREAD = 0.15
REGIMES = {0: "fresh buffer", 1: "reused buffer"}
SIZES = {1000000: "1 M", 10000000: "10 M"}
WALKS = [
    "WalkAllOutside",
    "WalkAllInsideSelect",
    "WalkAllInsideInvert",
    "WalkAllInsideRandom",
    "WalkHalfInsideSelect",
]


def medians(runs):
    """Vertices per CPU second by run name, from the median aggregates."""
    rates = {}
    for run in runs:
        if run.get("aggregate_name") == "median":
            rates[run["run_name"]] = run["items_per_second"]
    return rates


def rate(rates, case, vertices, reused):
    return rates.get(f"BM_{case}/vertices:{vertices}/reused:{reused}")


def scaling(rates, case, reused):
    """The 10 M run's cost over ten 1 M runs' cost; None when not measured."""
    small = rate(rates, case, 1000000, reused)
    large = rate(rates, case, 10000000, reused)
    if small is None or large is None:
        return None
    return small / large


def print_walk_over_floor(rates):
    """Prints each walk / floor figure and returns the misses."""
    print(f"walk / floor: the all-outside walk over the floor (target at most {WALK_OVER_FLOOR_MAX})")
    misses = 0
    for reused, regime in REGIMES.items():
        for vertices, size in SIZES.items():
            walk = rate(rates, "WalkAllOutside", vertices, reused)
            floor = rate(rates, "Floor", vertices, reused)
            if walk is None or floor is None:
                continue
            ratio = floor / walk
            ok = ratio <= WALK_OVER_FLOOR_MAX
            misses += not ok
            print(f"  {regime:14} {size:5} {ratio:6.3f}  {verdict(ok)}")
    return misses


def print_scaling(rates):
    """Prints each walk's scaling over the floor's and returns the misses."""
    print(f"scaling: 10 M over ten 1 M, over the floor's own figure (target 1.00 +/- {SCALING_SPREAD})")
    misses = 0
    for reused, regime in REGIMES.items():
        floor = scaling(rates, "Floor", reused)
        if floor is None:
            continue
        print(f"  {regime}: the floor scales {floor:.3f}")
        for walk in WALKS:
            figure = scaling(rates, walk, reused)
            if figure is None:
                continue
            relative = figure / floor
            ok = abs(relative - 1.0) <= SCALING_SPREAD
            misses += not ok
            print(f"    {walk:22} {figure:6.3f}  over the floor {relative:6.3f}  {verdict(ok)}")
    return misses


def verdict(ok):
    if ok:
        return "ok"
    return "MISS"


def main(path):
    runs = json.load(open(path))["benchmarks"]
    failed = [run for run in runs if run.get("error_occurred")]
    for run in failed:
        print(f"bench: {run['name']} failed: {run['error_message']}")
    if failed:
        return 2
    rates = medians(runs)
    misses = print_walk_over_floor(rates) + print_scaling(rates)
    if misses:
        print(f"{misses} figure(s) of the walk off target")
        return 1
    print("every figure of the walk on target")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
