#!/usr/bin/env python3
"""Draws a mesh's vertices, the selected ones in red, with the range's box,
as an ImageMagick drawing (MVG) that `convert mvg:OUT.mvg picture.png`
renders: a view of the whole mesh at an angle with the box drawn in it, and
the front and side views. Each view draws its vertices from far to near, so a
near vertex hides the ones behind it as in a modelling program's viewport;
each bound in force is a blue line labelled with its value, and only the
region inside every bound is shaded. Captions are Japanese and English.

usage: plot_selection.py MESH.obj SELECTED.txt OUT.mvg [--xmin V] [--xmax V]
       [--ymin V] [--ymax V] [--zmin V] [--zmax V] [--mode NAME]
       [--summary HOST_OUTPUT.txt] [--note TEXT] [--note-ja TEXT]
SELECTED.txt holds one vertex index (zero-based) per line. --summary takes the
bounds and the operation from the host's "cubrik: ..." line, so the picture
shows the choice that was actually made; --note and --note-ja are added to the
English and the Japanese caption."""
import argparse
import math
import re
import sys

MODES = {"選択する": "select", "非選択にする": "deselect", "選択反転する": "invert",
         "ランダムに選択": "random"}
BOUND = re.compile(r"^(?:(.*) < ([xyz])|([xyz]) < (.*))$")
# The dialog's number syntax, near enough to draw a line: what does not start
# like a number reads 0, as in the dialog; "d" marks an exponent as "e" does.
NUMBER = re.compile(r"^\s*([+-]?(?:\d+\.?\d*|\.\d+)(?:[eEdD][+-]?\d+)?)")
# A font with both Japanese and Latin letters (Debian's fonts-ipafont-gothic).
FONT = "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf"

SELECTED, UNSELECTED = "#d62d20", "#a8a8a8"
SELECTED_EDGE, UNSELECTED_EDGE = "#8c1a12", "#6e6e6e"
BOX, INSIDE = "#1a5fd0", "#d6e6ff"
VIEW, MARGIN, GAP = 320, 34, 44
TOP = 110          # the captions above the views
BOTTOM = 96        # tick labels and the legend below them
DOT = 2.1


def dialog_number(text):
    m = NUMBER.match(text)
    try:
        return float(m.group(1).translate(str.maketrans("dD", "ee"))) if m else 0.0
    except (OverflowError, ValueError):
        return 0.0


def read_summary(path):
    """The bounds ({"xmin": value, ...}), the operation's Japanese name and
    whether it was applied, from the host's summary line."""
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
    return bounds, m.group(2), m.group(3) == "applied"


def read_vertices(path):
    points = []
    with open(path, encoding="utf-8-sig") as f:
        for line in f:
            parts = line.split()
            if len(parts) >= 4 and parts[0] == "v":
                points.append(tuple(float(v) for v in parts[1:4]))
    return points


def quoted(words):
    return "'%s'" % words.replace("\\", "\\\\").replace("'", "\\'")


def text(x, y, size, words, colour="black", anchor="start", under=None):
    """One line of text at (x, y), its baseline; anchor start, middle or end."""
    parts = ["push graphic-context", "font %s" % quoted(FONT), "font-size %d" % size,
             "fill '%s'" % colour, "stroke none", "text-anchor %s" % anchor]
    if under:
        parts.append("text-undercolor '%s'" % under)
    parts += ["text %.1f,%.1f %s" % (x, y, quoted(words)), "pop graphic-context"]
    return parts


def value_text(value):
    return "%.2f" % value


def describe(bounds):
    """'X < 0.50, -0.25 < Y' for the bounds in force, in the dialog's order."""
    words = []
    for axis in "xyz":
        lo, hi = bounds[axis]
        name = axis.upper()
        if lo is not None and hi is not None:
            words.append("%s < %s < %s" % (value_text(lo), name, value_text(hi)))
        elif lo is not None:
            words.append("%s < %s" % (value_text(lo), name))
        elif hi is not None:
            words.append("%s < %s" % (name, value_text(hi)))
    return ", ".join(words)


def dot(x, y, is_selected):
    fill, edge = (SELECTED, SELECTED_EDGE) if is_selected else (UNSELECTED, UNSELECTED_EDGE)
    return "fill '%s' stroke '%s' circle %.1f,%.1f %.1f,%.1f" % (fill, edge, x, y, x + DOT, y)


def ticks(extent):
    step = 0.5 if extent <= 2.5 else 10 ** math.floor(math.log10(extent))
    n = int(extent / step)
    return [k * step for k in range(-n, n + 1)]


def orthographic(left, points, selected, bounds, extent, view):
    """A front or side view: view is (title_ja, title_en, h, v, depth axis, sign),
    where depth * sign grows toward the viewer."""
    title_ja, title_en, h, v, d, sign = view
    out = []

    def sx(value):
        return left + (value + extent) / (2 * extent) * VIEW

    def sy(value):
        return TOP + (extent - value) / (2 * extent) * VIEW

    out.append("fill '#fbfbfb' stroke '#999999' stroke-width 1 rectangle %d,%d %d,%d"
               % (left, TOP, left + VIEW, TOP + VIEW))
    hb, vb = bounds["xyz"[h]], bounds["xyz"[v]]
    clamp = lambda value, lo, hi: max(lo, min(hi, value))
    x0 = clamp(sx(hb[0]) if hb[0] is not None else left, left, left + VIEW)
    x1 = clamp(sx(hb[1]) if hb[1] is not None else left + VIEW, left, left + VIEW)
    y0 = clamp(sy(vb[1]) if vb[1] is not None else TOP, TOP, TOP + VIEW)
    y1 = clamp(sy(vb[0]) if vb[0] is not None else TOP + VIEW, TOP, TOP + VIEW)
    empty = any(lo is not None and hi is not None and lo >= hi for lo, hi in bounds.values())
    if x1 > x0 and y1 > y0 and not empty:
        out.append("fill '%s' stroke none rectangle %.1f,%.1f %.1f,%.1f" % (INSIDE, x0, y0, x1, y1))
    # Ticks and their values, on the left and bottom edges.
    for t in ticks(extent):
        out.append("stroke '#999999' stroke-width 1 line %.1f,%d %.1f,%d"
                   % (sx(t), TOP + VIEW, sx(t), TOP + VIEW + 5))
        out += text(sx(t), TOP + VIEW + 19, 13, "%g" % t, "#444444", "middle")
        out.append("stroke '#999999' stroke-width 1 line %d,%.1f %d,%.1f"
                   % (left - 5, sy(t), left, sy(t)))
        out += text(left - 7, sy(t) + 4, 13, "%g" % t, "#444444", "end")
    out += text(left + VIEW, TOP + VIEW + 36, 14, "%s →" % "XYZ"[h], "#222222", "end")
    out += text(left - 30, TOP - 5, 14, "↑ %s" % "XYZ"[v], "#222222", "start")
    # Far to near: the last drawn is the nearest.
    order = sorted(range(len(points)), key=lambda i: (sign * points[i][d], i))
    out.append("stroke-width 0.6")
    for i in order:
        p = points[i]
        out.append(dot(sx(p[h]), sy(p[v]), i in selected))
    # The bounds in force on the two axes shown, each with its value.
    out.append("push graphic-context")
    out.append("fill none stroke '%s' stroke-width 2 stroke-dasharray 7 4" % BOX)
    for value in hb:
        if value is not None and -extent < value < extent:
            out.append("line %.1f,%d %.1f,%d" % (sx(value), TOP, sx(value), TOP + VIEW))
    for value in vb:
        if value is not None and -extent < value < extent:
            out.append("line %d,%.1f %d,%.1f" % (left, sy(value), left + VIEW, sy(value)))
    out.append("pop graphic-context")
    for value in hb:
        if value is not None and -extent < value < extent:
            out += text(sx(value) + 4, TOP + 17, 14, "%s = %s" % ("XYZ"[h], value_text(value)),
                        BOX, "start", "#ffffffd0")
    for value in vb:
        if value is not None and -extent < value < extent:
            out += text(left + VIEW - 4, sy(value) - 5, 14,
                        "%s = %s" % ("XYZ"[v], value_text(value)), BOX, "end", "#ffffffd0")
    out += text(left, TOP - 40, 15, title_ja, "#222222")
    out += text(left, TOP - 23, 13, title_en, "#444444")
    # Bounds along the line of sight cannot be drawn here: name them.
    depth = describe({axis: (bounds[axis] if axis == "xyz"[d] else (None, None)) for axis in "xyz"})
    if depth:
        out += text(left + 4, TOP + VIEW - 6, 13, "奥行き / in depth: %s" % depth, BOX, "start",
                    "#ffffffd0")
    return out


def perspective(left, points, selected, bounds, extent):
    """The whole mesh seen from the front right and above, with the box."""
    az, el, distance = math.radians(38), math.radians(24), 6.0 * extent
    eye = (distance * math.sin(az) * math.cos(el), distance * math.sin(el),
           distance * math.cos(az) * math.cos(el))
    norm = lambda a: tuple(c / math.sqrt(sum(k * k for k in a)) for c in a)
    cross = lambda a, b: (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])
    dotp = lambda a, b: sum(p * q for p, q in zip(a, b))
    forward = norm(tuple(-c for c in eye))
    right = norm(cross(forward, (0.0, 1.0, 0.0)))
    up = cross(right, forward)
    # The mesh's extent, at the distance of the origin, fills most of the view.
    scale = VIEW / 2 * distance / (extent * 1.5)

    def project(p):
        rel = tuple(a - b for a, b in zip(p, eye))
        depth = dotp(rel, forward)
        return (left + VIEW / 2 + dotp(rel, right) / depth * scale,
                TOP + VIEW / 2 - dotp(rel, up) / depth * scale, depth)

    out = ["fill '#fbfbfb' stroke '#999999' stroke-width 1 rectangle %d,%d %d,%d"
           % (left, TOP, left + VIEW, TOP + VIEW)]
    out += text(left, TOP - 40, 15, "斜めから見た図（青い直方体が範囲）", "#222222")
    out += text(left, TOP - 23, 13, "seen at an angle (the blue box is the range)", "#444444")
    # The axes through the origin, under everything else.
    for n, axis in enumerate("XYZ"):
        tip = [0.0, 0.0, 0.0]
        tip[n] = extent * 1.25
        tail = [0.0, 0.0, 0.0]
        tail[n] = -extent * 1.0
        (x0, y0, _), (x1, y1, _) = project(tail), project(tip)
        out.append("stroke '#b0b0b0' stroke-width 1 line %.1f,%.1f %.1f,%.1f" % (x0, y0, x1, y1))
        out += text(x1 + 3, y1 + 4, 14, axis, "#666666")
    # The box: the bounds in force, the rest up to the mesh's edge. The faces
    # that are bounds in force are tinted, under the vertices; the edges are
    # cut into short pieces drawn among the vertices from far to near, so
    # the sphere hides the box's far edges and the near ones cross it.
    lim = extent / 1.1
    lo = [bounds[a][0] if bounds[a][0] is not None else -lim for a in "xyz"]
    hi = [bounds[a][1] if bounds[a][1] is not None else lim for a in "xyz"]
    lo = [max(-lim, min(lim, c)) for c in lo]
    hi = [max(-lim, min(lim, c)) for c in hi]
    items = []  # (depth, drawing commands)
    empty = any(l >= h for l, h in zip(lo, hi)) or any(
        l is not None and h is not None and l >= h for l, h in bounds.values())
    corner = lambda bits: tuple(hi[k] if bits >> k & 1 else lo[k] for k in range(3))
    in_force = lambda k, side: (bounds["xyz"[k]][side] is not None
                                and -lim < bounds["xyz"[k]][side] < lim)
    if not empty:
        for k in range(3):
            for side in (0, 1):
                if not in_force(k, side):
                    continue
                a, b = [j for j in range(3) if j != k]
                base = side << k
                ring = [base, base | 1 << a, base | 1 << a | 1 << b, base | 1 << b]
                poly = " ".join("%.1f,%.1f" % project(corner(c))[:2] for c in ring)
                out += ["push graphic-context", "fill '%s' fill-opacity 0.16 stroke none" % BOX,
                        "polygon %s" % poly, "pop graphic-context"]
        for c in range(8):
            for k in range(3):
                if c >> k & 1:
                    continue
                # An edge along axis k lies on a bound in force when either
                # of the two faces it borders is one.
                others = [j for j in range(3) if j != k]
                bound_edge = any(in_force(j, c >> j & 1) for j in others)
                p0, p1 = corner(c), corner(c | 1 << k)
                pieces = 24
                for n in range(pieces):
                    q0 = tuple(u + (w - u) * n / pieces for u, w in zip(p0, p1))
                    q1 = tuple(u + (w - u) * (n + 1) / pieces for u, w in zip(p0, p1))
                    (x0, y0, d0), (x1, y1, d1) = project(q0), project(q1)
                    style = ("stroke '%s' stroke-width 2" % BOX if bound_edge else
                             "stroke '%s' stroke-opacity 0.55 stroke-width 1" % BOX)
                    items.append(((d0 + d1) / 2, ["%s line %.1f,%.1f %.1f,%.1f"
                                                  % (style, x0, y0, x1, y1)]))
    for i, p in enumerate(points):
        x, y, depth = project(p)
        items.append((depth, ["stroke-width 0.6", dot(x, y, i in selected)]))
    items.sort(key=lambda item: -item[0])
    for _, cmds in items:
        out += cmds
    return out


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("mesh")
    ap.add_argument("selected")
    ap.add_argument("out")
    for axis in "xyz":
        ap.add_argument("--%smin" % axis, type=float)
        ap.add_argument("--%smax" % axis, type=float)
    ap.add_argument("--mode", default="")
    ap.add_argument("--summary")
    ap.add_argument("--note", default="")
    ap.add_argument("--note-ja", default="")
    a = ap.parse_args()
    applied = True
    if a.summary:
        found, a.mode, applied = read_summary(a.summary)
        for key, value in found.items():
            setattr(a, key, value)
    bounds = {axis: (getattr(a, axis + "min"), getattr(a, axis + "max")) for axis in "xyz"}
    words = describe(bounds) or "範囲なし"
    english = describe(bounds) or "no bound"
    mode_en = MODES.get(a.mode, a.mode)
    if applied:
        title_ja = "範囲 %s の内側の頂点を「%s」した結果" % (words, a.mode) if a.mode else "範囲 %s" % words
        title_en = "After %s inside %s" % (mode_en, english) if a.mode else "Range %s" % english
    else:
        title_ja = "変更なし（範囲 %s、「%s」：何もしなかった）" % (words, a.mode)
        title_en = "Unchanged (%s, %s: nothing done)" % (english, mode_en)
    if a.note_ja:
        title_ja += "（%s）" % a.note_ja
    if a.note:
        title_en += " (%s)" % a.note

    points = read_vertices(a.mesh)
    with open(a.selected) as f:
        selected = {int(line) for line in f if line.strip()}
    extent = max(max(abs(c) for c in p) for p in points) * 1.1

    width = 3 * VIEW + 2 * GAP + 2 * MARGIN + 10
    height = TOP + VIEW + BOTTOM
    mvg = ["viewbox 0 0 %d %d" % (width, height),
           "fill white rectangle 0,0 %d,%d" % (width, height)]
    mvg += text(MARGIN, 26, 18, title_ja)
    mvg += text(MARGIN, 48, 15, title_en, "#333333")
    left = MARGIN + 10
    # Each view in a graphic context of its own, so no stroke or fill leaks.
    mvg += ["push graphic-context"] + perspective(left, points, selected, bounds, extent)
    mvg += ["pop graphic-context", "push graphic-context"]
    # Front: X right, Y up, seen from +Z (larger Z is nearer). Side: Z right,
    # Y up, seen from -X (smaller X is nearer).
    mvg += orthographic(left + VIEW + GAP, points, selected, bounds, extent,
                        ("正面（+Z 側から見た図）", "front, seen from +Z", 0, 1, 2, 1))
    mvg += ["pop graphic-context", "push graphic-context"]
    mvg += orthographic(left + 2 * (VIEW + GAP), points, selected, bounds, extent,
                        ("側面（-X 側から見た図）", "side, seen from -X", 2, 1, 0, -1))
    mvg += ["pop graphic-context"]
    legend_y = TOP + VIEW + 62
    mvg += text(MARGIN, legend_y, 15,
                "赤：選択されている頂点　灰色：選択されていない頂点　青：オンの下限・上限　水色：すべての下限・上限の内側")
    mvg += text(MARGIN, legend_y + 21, 14,
                "red: selected vertex   grey: not selected   blue: the bounds in force   "
                "light blue: inside every bound", "#333333")
    with open(a.out, "w", encoding="utf-8") as f:
        f.write("\n".join(mvg) + "\n")


if __name__ == "__main__":
    main()
