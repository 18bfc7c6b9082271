#!/usr/bin/python3
"""usage: scripts/bench_verdicts.py FILE

The two verdicts of scripts/bench.sh, from the JSON FILE that Google
Benchmark wrote for range_selection_bench with its aggregates. On the
medians of the CPU time per vertex, for a fresh and a reused buffer:
walk / floor, the all-outside walk's time over the floor's (target at most
1.25), and scaling, each walk's 10 M run over ten 1 M runs divided by the
floor's own figure (target 1.00 +/- 0.15), so that a machine that slows
down for large buffers slows both alike. A figure whose runs were left out
(--benchmark_filter) gets no verdict. Exits 0 when every figure is on
target, 1 on a miss, 2 when a run failed.
"""
import argparse
import collections
import json
import math
import sys

REGIMES = {0: "fresh buffer", 1: "reused buffer"}
WALKS = ["AllOutside", "AllInsideSelect", "AllInsideInvert", "AllInsideRandom", "HalfInsideSelect"]


def scaling(cost, case, reused):
    """A 10 M run's cost per vertex over a 1 M run's."""
    large = cost["%s/vertices:10000000/reused:%d" % (case, reused)]
    return large / cost["%s/vertices:1000000/reused:%d" % (case, reused)]


def verdict(label, figure, low, high):
    """Prints a figure and its verdict; True for a miss, False on target
    (and nothing, None, for a figure not measured: NaN)."""
    if math.isnan(figure):
        return None
    missed = not low <= figure <= high
    print("  %-36s %6.3f  %s" % (label, figure, "MISS" if missed else "ok"))
    return missed


def main(path):
    runs = json.load(open(path))["benchmarks"]
    failed = [run for run in runs if run.get("error_occurred")]
    for run in failed:
        print("bench: {name}: {error_message}".format_map(run))
    if failed:
        return 2
    # The median CPU time per vertex of each case, in seconds; NaN for a case
    # not run, which makes NaN of every figure it enters.
    cost = collections.defaultdict(lambda: math.nan)
    for run in runs:
        if run.get("aggregate_name") == "median":
            cost[run["run_name"]] = 1 / run["items_per_second"]

    verdicts = []
    print("walk / floor: the all-outside walk's time over the floor's (target at most 1.25)")
    for reused, regime in REGIMES.items():
        for vertices in (1000000, 10000000):
            size = "vertices:%d/reused:%d" % (vertices, reused)
            figure = cost["Walk/AllOutside/" + size] / cost["Floor/" + size]
            label = "%s, %s vertices" % (regime, format(vertices, ","))
            verdicts.append(verdict(label, figure, 0, 1.25))
    print("scaling: 10 M over ten 1 M, over the floor's own figure (target 1.00 +/- 0.15)")
    for reused, regime in REGIMES.items():
        floor = scaling(cost, "Floor", reused)
        if not math.isnan(floor):
            print("  %s: the floor's own %.3f" % (regime, floor))
        for walk in WALKS:
            figure = scaling(cost, "Walk/" + walk, reused) / floor
            verdicts.append(verdict(regime + ", " + walk, figure, 0.85, 1.15))
    judged = [missed for missed in verdicts if missed is not None]
    misses = sum(judged)
    if not judged:
        print("no figure of the walk judged: the filter left out the runs they need")
        return 0
    if misses:
        print(misses, "figure(s) of the walk off target")
        return 1
    print("every figure of the walk on target")
    return 0


if __name__ == "__main__":
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[1])
    parser.add_argument("file", metavar="FILE")
    sys.exit(main(parser.parse_args().file))
