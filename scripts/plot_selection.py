#!/usr/bin/env python3
"""Draws a mesh's vertices in two orthographic views, the selected ones
highlighted and the range's bounds drawn, as an ImageMagick drawing (MVG)
that `convert mvg:OUT.mvg picture.png` renders.

usage: plot_selection.py MESH.obj SELECTED.txt OUT.mvg [--xmin V] [--xmax V]
       [--ymin V] [--ymax V] [--zmin V] [--zmax V] [--title TEXT]
       [--summary HOST_OUTPUT.txt] [--note TEXT]
SELECTED.txt holds one vertex index (zero-based) per line. --summary takes the
bounds and the operation from the host's "cubrik: ..." line, so the picture
shows the choice that was actually made; --note is added to its title."""
import argparse
import re
import sys

MODES = {"選択する": "select", "非選択にする": "deselect", "選択反転する": "invert",
         "ランダムに選択": "random"}
BOUND = re.compile(r"^(?:(.*) < ([xyz])|([xyz]) < (.*))$")
# The dialog's number syntax, near enough to draw a line: what does not start
# like a number reads 0, as in the dialog; "d" marks an exponent as "e" does.
NUMBER = re.compile(r"^\s*([+-]?(?:\d+\.?\d*|\.\d+)(?:[eEdD][+-]?\d+)?)")


def dialog_number(text):
    m = NUMBER.match(text)
    try:
        return float(m.group(1).translate(str.maketrans("dD", "ee"))) if m else 0.0
    except (OverflowError, ValueError):
        return 0.0


def read_summary(path):
    """The bounds ({"xmin": value, ...}), the operation's name and whether it
    was applied, from the host's summary line."""
    with open(path, encoding="utf-8") as f:
        lines = [line.rstrip("\r\n") for line in f if line.startswith("cubrik: ")]
    if not lines:
        sys.exit("plot_selection: no \"cubrik: \" line in %s" % path)
    m = re.match(r"^cubrik: (.*?); (.*?) -> (applied|nothing done);", lines[-1])
    if not m:
        sys.exit("plot_selection: cannot read the summary line: %s" % lines[-1])
    bounds = {}
    if m.group(1) not in ("no bound", "(the dialog did not open)"):
        for part in m.group(1).split(", "):
            b = BOUND.match(part)
            if not b:
                print("plot_selection: bound %r not drawn" % part, file=sys.stderr)
            elif b.group(1) is not None:
                bounds[b.group(2) + "min"] = dialog_number(b.group(1))
            else:
                bounds[b.group(3) + "max"] = dialog_number(b.group(4))
    return bounds, m.group(1), MODES.get(m.group(2), m.group(2)), m.group(3) == "applied"

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
    ap.add_argument("--summary")
    ap.add_argument("--note", default="")
    a = ap.parse_args()
    if a.summary:
        bounds, words, mode, applied = read_summary(a.summary)
        for key, value in bounds.items():
            setattr(a, key, value)
        mesh = a.mesh.replace("\\", "/").split("/")[-1]
        a.title = ("%s after %s, %s" % (mesh, words, mode) if applied
                   else "%s unchanged (%s, %s: nothing done)" % (mesh, words, mode))
    if a.note:
        a.title += " " + a.note

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
