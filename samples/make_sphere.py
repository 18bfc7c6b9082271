#!/usr/bin/env python3
"""Writes the demo's sample mesh to the file out (sphere.obj if none is named):
a UV sphere of radius 1 centred on the origin, so that vertices lie on both
sides of every axis plane."""
import argparse
from math import cos, pi, sin

SEGMENTS = 64
RINGS = 40


def corners(ring, segment):
    """The vertex numbers of the face below a ring's vertex, ring 0 being the
    top pole (vertex 1): a triangle at either pole, a quad between two rings.
    Each ring's vertices are numbered on from the last ring's, and the bottom
    pole after the last ring."""
    below = 2 + ring * SEGMENTS  # the first vertex of the ring below
    # The ring below's vertices under this one and under the next round.
    left = below + segment
    right = below + (segment + 1) % SEGMENTS
    if ring == 0:
        return [1, right, left]
    if ring == RINGS - 1:
        return [below, left - SEGMENTS, right - SEGMENTS]
    return [left - SEGMENTS, right - SEGMENTS, right, left]


def sphere():
    """The lines of the file: the vertices from the top pole down, then the
    faces from the top down."""
    yield f"# UV sphere, radius 1: {SEGMENTS} segments, {RINGS} rings"
    yield "o sphere"
    yield "v 0 1 0"
    for ring in range(1, RINGS):
        theta = pi * ring / RINGS
        radius = sin(theta)  # of the ring, around the Y axis
        for segment in range(SEGMENTS):
            phi = 2 * pi * segment / SEGMENTS
            yield "v %.6f %.6f %.6f" % (radius * cos(phi), cos(theta), radius * sin(phi))
    yield "v 0 -1 0"
    for ring in range(RINGS):
        for segment in range(SEGMENTS):
            yield "f " + " ".join(map(str, corners(ring, segment)))


if __name__ == "__main__":
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("out", nargs="?", default="sphere.obj")
    with open(parser.parse_args().out, "w") as out:
        for line in sphere():
            print(line, file=out)
