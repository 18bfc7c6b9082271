#!/usr/bin/env python3
"""Draws a mesh's vertices in two orthographic views, the selected ones
highlighted and the range's bounds drawn, as an ImageMagick drawing (MVG)
that `convert mvg:OUT.mvg picture.png` renders.

usage: plot_selection.py MESH.obj SELECTED.txt OUT.mvg [--xmin V] [--xmax V]
       [--ymin V] [--ymax V] [--zmin V] [--zmax V] [--title TEXT]
SELECTED.txt holds one vertex index (zero-based) per line."""
import argparse

VIEW, MARGIN, GAP, TOP = 360, 30, 40, 60


def read_vertices(path):
    points = []
    with open(path) as f:
        for line in f:
            parts = line.split()
            if len(parts) >= 4 and parts[0] == "v":
                points.append(tuple(float(v) for v in parts[1:4]))
    return points


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("mesh")
    ap.add_argument("selected")
    ap.add_argument("out")
    for axis in "xyz":
        ap.add_argument("--%smin" % axis, type=float)
        ap.add_argument("--%smax" % axis, type=float)
    ap.add_argument("--title", default="")
    a = ap.parse_args()

    points = read_vertices(a.mesh)
    with open(a.selected) as f:
        selected = {int(line) for line in f if line.strip()}
    extent = max(max(abs(c) for c in p) for p in points) * 1.1
    bounds = {axis: (getattr(a, axis + "min"), getattr(a, axis + "max")) for axis in "xyz"}

    width = 2 * VIEW + GAP + 2 * MARGIN
    height = VIEW + TOP + MARGIN + 30

    def text(x, y, size, words, colour="black"):
        words = words.replace("\\", "\\\\").replace("'", "\\'")
        return ("fill '%s' stroke none font-size %d text %d,%d '%s'" % (colour, size, x, y, words))

    mvg = ["viewbox 0 0 %d %d" % (width, height),
           "fill white rectangle 0,0 %d,%d" % (width, height), "font-family 'DejaVu Sans'",
           text(MARGIN, 28, 17, a.title)]
    # Front view: X right, Y up. Side view: Z right, Y up.
    views = [("front (X right, Y up)", 0, 1), ("side (Z right, Y up)", 2, 1)]
    for n, (name, h, v) in enumerate(views):
        left = MARGIN + n * (VIEW + GAP)

        def sx(value, left=left):
            return left + (value + extent) / (2 * extent) * VIEW

        def sy(value):
            return TOP + (extent - value) / (2 * extent) * VIEW

        mvg.append("fill '#f7f7f7' stroke '#999999' stroke-width 1 rectangle %d,%d %d,%d"
                   % (left, TOP, left + VIEW, TOP + VIEW))
        # The part of the view inside the bounds of its two axes.
        hx = bounds["xyz"[h]]
        vy = bounds["xyz"[v]]
        clamp = lambda value, lo, hi: max(lo, min(hi, value))
        x0 = clamp(sx(hx[0]) if hx[0] is not None else left, left, left + VIEW)
        x1 = clamp(sx(hx[1]) if hx[1] is not None else left + VIEW, left, left + VIEW)
        y0 = clamp(sy(vy[1]) if vy[1] is not None else TOP, TOP, TOP + VIEW)
        y1 = clamp(sy(vy[0]) if vy[0] is not None else TOP + VIEW, TOP, TOP + VIEW)
        if x1 > x0 and y1 > y0:
            mvg.append("fill '#dbe9ff' stroke none rectangle %.1f,%.1f %.1f,%.1f" % (x0, y0, x1, y1))
        mvg.append("fill '#a0a0a0' stroke none")
        for i, p in enumerate(points):
            if i not in selected:
                mvg.append("circle %.1f,%.1f %.1f,%.1f" % (sx(p[h]), sy(p[v]), sx(p[h]) + 1.4, sy(p[v])))
        mvg.append("fill '#d62d20' stroke none")
        for i, p in enumerate(points):
            if i in selected:
                mvg.append("circle %.1f,%.1f %.1f,%.1f" % (sx(p[h]), sy(p[v]), sx(p[h]) + 2.0, sy(p[v])))
        mvg.append("push graphic-context")
        mvg.append("fill none stroke '#1a5fd0' stroke-width 2 stroke-dasharray 6 4")
        for value in hx:
            if value is not None:
                mvg.append("line %.1f,%d %.1f,%d" % (sx(value), TOP, sx(value), TOP + VIEW))
        for value in vy:
            if value is not None:
                mvg.append("line %d,%.1f %d,%.1f" % (left, sy(value), left + VIEW, sy(value)))
        mvg.append("pop graphic-context")
        mvg.append(text(left, TOP - 8, 14, name))
    mvg.append(text(MARGIN, TOP + VIEW + 24, 13,
                    "red: selected vertex   grey: not selected   blue: bounds in force, shaded inside",
                    "#333333"))
    with open(a.out, "w") as f:
        f.write("\n".join(mvg) + "\n")


if __name__ == "__main__":
    main()
