#!/usr/bin/env python3
"""usage: make_sphere.py [OUT.obj]   (default: sphere.obj)
Writes the demo's sample mesh: a UV sphere of radius 1 centred on the origin,
so that vertices lie on both sides of every axis plane."""
import math
import sys

SEGMENTS, RINGS = 64, 40
if sys.argv[1:] in (["-h"], ["--help"]):
    print(__doc__)
    sys.exit()


def vertex(ring, seg):
    """A vertex's 1-based number: 1 is the top pole, vertex(RINGS, 0) the bottom one."""
    return 2 + (ring - 1) * SEGMENTS + seg % SEGMENTS


lines = ["# UV sphere, radius 1: %d segments, %d rings" % (SEGMENTS, RINGS), "o sphere", "v 0 1 0"]
for ring in range(1, RINGS):
    theta = math.pi * ring / RINGS
    for phi in (2 * math.pi * seg / SEGMENTS for seg in range(SEGMENTS)):
        lines.append("v %.6f %.6f %.6f" % (math.sin(theta) * math.cos(phi), math.cos(theta),
                                           math.sin(theta) * math.sin(phi)))
lines.append("v 0 -1 0")
# Faces: triangles at the poles, quads between rings.
lines += ["f 1 %d %d" % (vertex(1, seg + 1), vertex(1, seg)) for seg in range(SEGMENTS)]
lines += ["f %d %d %d %d" % (vertex(ring, seg), vertex(ring, seg + 1), vertex(ring + 1, seg + 1),
                             vertex(ring + 1, seg))
          for ring in range(1, RINGS - 1) for seg in range(SEGMENTS)]
lines += ["f %d %d %d" % (vertex(RINGS, 0), vertex(RINGS - 1, seg), vertex(RINGS - 1, seg + 1))
          for seg in range(SEGMENTS)]
with open(sys.argv[1] if len(sys.argv) > 1 else "sphere.obj", "w") as out:
    out.write("\n".join(lines) + "\n")
