#!/usr/bin/python3
"""usage: scripts/bench_verdicts.py FILE

The two verdicts of scripts/bench.sh, from the JSON FILE that Google
Benchmark wrote for range_selection_bench with its aggregates. On the
medians of the CPU time per vertex, for a fresh and a reused buffer:
walk / floor, the all-outside walk's time over the floor's (target at most
1.25), and scaling, each walk's 10 M run over ten 1 M runs divided by the
floor's own figure (target 1.00 +/- 0.15), so that a machine that slows
down for large buffers slows both alike. Exits 0 when every figure is on
target, 1 on a miss, 2 when a run failed.
"""
import json
import sys

REGIMES = {0: "fresh buffer", 1: "reused buffer"}
WALKS = ["AllOutside", "AllInsideSelect", "AllInsideInvert", "AllInsideRandom", "HalfInsideSelect"]


def walk_over_floor_on_target(figure):
    return figure <= 1.25


def scaling_on_target(figure):
    return abs(figure - 1.0) <= 0.15


def ratio(numerator, denominator):
    """numerator / denominator, or None when either was not measured."""
    if numerator is None or denominator is None:
        return None
    return numerator / denominator


def cost(rates, case, vertices, reused):
    """The median CPU time per vertex of a case, in seconds."""
    return ratio(1.0, rates.get(f"{case}/vertices:{vertices}/reused:{reused}"))


def scaling(rates, case, reused):
    """A 10 M run's cost over ten 1 M runs' cost."""
    return ratio(cost(rates, case, 10000000, reused), cost(rates, case, 1000000, reused))


def verdict(label, figure, on_target):
    """Prints a figure and its verdict; 1 for a miss, else 0 (a figure not
    measured is no miss)."""
    if figure is None:
        return 0
    if on_target(figure):
        print(f"  {label:36} {figure:6.3f}  ok")
        return 0
    print(f"  {label:36} {figure:6.3f}  MISS")
    return 1


def main(path):
    runs = json.load(open(path))["benchmarks"]
    failed = [run for run in runs if run.get("error_occurred")]
    for run in failed:
        print(f"bench: {run['name']}: {run['error_message']}")
    if failed:
        return 2
    rates = {}
    for run in runs:
        if run.get("aggregate_name") == "median":
            rates[run["run_name"]] = run["items_per_second"]

    misses = 0
    print("walk / floor: the all-outside walk's time over the floor's (target at most 1.25)")
    for reused, regime in REGIMES.items():
        for vertices in (1000000, 10000000):
            walk = cost(rates, "Walk/AllOutside", vertices, reused)
            floor = cost(rates, "Floor", vertices, reused)
            label = f"{regime}, {vertices:,} vertices"
            misses += verdict(label, ratio(walk, floor), walk_over_floor_on_target)
    print("scaling: 10 M over ten 1 M, over the floor's own figure (target 1.00 +/- 0.15)")
    for reused, regime in REGIMES.items():
        floor = scaling(rates, "Floor", reused)
        if floor is not None:
            print(f"  {regime}: the floor's own {floor:.3f}")
        for walk in WALKS:
            figure = ratio(scaling(rates, "Walk/" + walk, reused), floor)
            misses += verdict(f"{regime}, {walk}", figure, scaling_on_target)
    if misses:
        print(f"{misses} figure(s) of the walk off target")
        return 1
    print("every figure of the walk on target")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
