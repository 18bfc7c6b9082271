#!/usr/bin/env python3
"""Writes the demo's sample mesh: a UV sphere of radius 1 centred on the origin,
so that vertices lie on both sides of every axis plane."""
import argparse
import math

SEGMENTS = 64
RINGS = 40
HEADER = "# UV sphere, radius 1: %d segments, %d rings" % (SEGMENTS, RINGS)


def vertex(ring, segment):
    """A vertex's 1-based number: 1 is the top pole, vertex(RINGS, 0) the bottom one."""
    return 2 + (ring - 1) * SEGMENTS + segment % SEGMENTS


def point(ring, segment):
    """The v line of a vertex between the poles."""
    theta = math.pi * ring / RINGS
    phi = 2 * math.pi * segment / SEGMENTS
    x = math.sin(theta) * math.cos(phi)
    z = math.sin(theta) * math.sin(phi)
    return "v %.6f %.6f %.6f" % (x, math.cos(theta), z)


def face(*corners):
    return "f " + " ".join(map(str, corners))


def quad(ring, segment):
    """The face below a ring's vertex."""
    return face(
        vertex(ring, segment),
        vertex(ring, segment + 1),
        vertex(ring + 1, segment + 1),
        vertex(ring + 1, segment),
    )


def sphere():
    """The lines of the file: the vertices from the top pole down, then the
    faces, triangles at the poles and quads between the rings."""
    lines = [HEADER, "o sphere", "v 0 1 0"]
    for ring in range(1, RINGS):
        for segment in range(SEGMENTS):
            lines.append(point(ring, segment))
    lines.append("v 0 -1 0")
    for segment in range(SEGMENTS):
        lines.append(face(1, vertex(1, segment + 1), vertex(1, segment)))
    for ring in range(1, RINGS - 1):
        for segment in range(SEGMENTS):
            lines.append(quad(ring, segment))
    last = RINGS - 1
    bottom = vertex(RINGS, 0)
    for segment in range(SEGMENTS):
        lines.append(face(bottom, vertex(last, segment), vertex(last, segment + 1)))
    return lines


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("out", metavar="OUT.obj", nargs="?", default="sphere.obj")
    path = parser.parse_args().out
    with open(path, "w") as out:
        out.write("\n".join(sphere()) + "\n")


if __name__ == "__main__":
    main()
