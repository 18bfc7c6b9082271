#!/usr/bin/env python3
"""Writes the demo's sample mesh: a UV sphere of radius 1 centred on the
origin, so that vertices lie on both sides of every axis plane."""
import math
import sys

SEGMENTS, RINGS = 64, 40


def main(path):
    lines = ["# UV sphere, radius 1: %d segments, %d rings" % (SEGMENTS, RINGS), "o sphere"]
    lines.append("v 0 1 0")
    for ring in range(1, RINGS):
        theta = math.pi * ring / RINGS
        for seg in range(SEGMENTS):
            phi = 2 * math.pi * seg / SEGMENTS
            x, y, z = math.sin(theta) * math.cos(phi), math.cos(theta), math.sin(theta) * math.sin(phi)
            lines.append("v %.6f %.6f %.6f" % (x, y, z))
    lines.append("v 0 -1 0")
    count = 2 + SEGMENTS * (RINGS - 1)
    # Faces: triangles at the poles, quads between rings.
    def ring_vertex(ring, seg):
        return 2 + (ring - 1) * SEGMENTS + seg % SEGMENTS
    for seg in range(SEGMENTS):
        lines.append("f 1 %d %d" % (ring_vertex(1, seg + 1), ring_vertex(1, seg)))
    for ring in range(1, RINGS - 1):
        for seg in range(SEGMENTS):
            lines.append("f %d %d %d %d" % (ring_vertex(ring, seg), ring_vertex(ring, seg + 1),
                                            ring_vertex(ring + 1, seg + 1), ring_vertex(ring + 1, seg)))
    for seg in range(SEGMENTS):
        lines.append("f %d %d %d" % (count, ring_vertex(RINGS - 1, seg), ring_vertex(RINGS - 1, seg + 1)))
    with open(path, "w") as out:
        out.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "sphere.obj")
