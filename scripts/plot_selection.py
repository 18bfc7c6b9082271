#!/usr/bin/env python3
"""Draws a mesh's vertices, the selected ones in red, with the range's bounds,
as an ImageMagick drawing (MVG) that `convert mvg:OUT.mvg picture.png`
renders, two views a row so that the labels stay legible in a page's column:
the whole mesh at an angle, then the front and side views. The mesh's faces
are drawn as an opaque surface (when the file has faces), pale blue where
they lie inside every bound in force, and everything is drawn from far to
near, so the near surface hides what lies behind it as in a modelling
program's viewport. Only the bounds in force are drawn: in the angled view
each is a blue plane that fades out where the range is open, in the front
and side views a dashed blue line labelled with its value. Captions are
Japanese and English.

usage: plot_selection.py MESH.obj SELECTED.txt OUT.mvg [--xmin V] [--xmax V]
       [--ymin V] [--ymax V] [--zmin V] [--zmax V] [--mode NAME]
       [--summary HOST_OUTPUT.txt] [--note TEXT] [--note-ja TEXT]
SELECTED.txt holds one vertex index (zero-based) per line. --summary takes the
bounds and the operation from the host's "cubrik: ..." line, so the picture
shows the choice that was actually made; --note and --note-ja add a line
under the title."""
import argparse
import math
import re
import sys

# The operations, by their Japanese names: the English name, and what the
# title says was done to the vertices inside.
MODES = {
    "選択する": ("select", "の内側の頂点を選択した結果", "After selecting the vertices inside"),
    "非選択にする": ("deselect", "の内側の頂点を選択から外した結果",
                     "After deselecting the vertices inside"),
    "選択反転する": ("invert", "の内側の頂点の選択を反転した結果",
                     "After inverting the selection inside"),
    "ランダムに選択": ("random", "の内側の頂点をランダムに選択した結果",
                       "After randomly selecting the vertices inside"),
}
BOUND = re.compile(r"^(?:(.*) < ([xyz])|([xyz]) < (.*))$")
# The dialog's number syntax, near enough to draw a line: what does not start
# like a number reads 0, as in the dialog; "d" marks an exponent as "e" does.
NUMBER = re.compile(r"^\s*([+-]?(?:\d+\.?\d*|\.\d+)(?:[eEdD][+-]?\d+)?)")
# A font with both Japanese and Latin letters (Debian's fonts-ipafont-gothic).
FONT = "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf"

SELECTED, UNSELECTED = "#d62d20", "#a0a0a0"
SELECTED_EDGE, UNSELECTED_EDGE = "#8c1a12", "#606060"
BOX, INSIDE = "#1a5fd0", "#cfe0fb"
SURFACE = "#f2f2f2"  # a face outside the range
# The picture's layout, in pixels: two views a row, each with its titles
# above and its tick values below. About 600 px wide, so that a page column
# of 800 px shows it at its own size and a 500 px window at three quarters,
# where the 15 px labels still read at about 12 px.
VIEW, MARGIN, LEFT, GAP = 256, 14, 28, 40
HEAD = 104         # the picture's title, its English line and the note's two
CELL_TOP = 50      # a view's two title lines, above its frame
CELL = CELL_TOP + VIEW + 44
DOT, ANGLED_DOT = 2.4, 1.8  # the dots' radii in the front and side views, and at an angle
TICK, LABEL, TITLE = 15, 16, 17  # font sizes


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


def read_mesh(path):
    """The vertices and the faces (each a list of zero-based vertex indices)."""
    points, faces = [], []
    with open(path, encoding="utf-8-sig") as f:
        for line in f:
            parts = line.split()
            if len(parts) >= 4 and parts[0] == "v":
                points.append(tuple(float(v) for v in parts[1:4]))
            elif len(parts) >= 4 and parts[0] == "f":
                # "f 1 2 3", "f 1/1 2/2 3/3"; negative indices count back.
                refs = [int(p.split("/")[0]) for p in parts[1:]]
                faces.append([r - 1 if r > 0 else len(points) + r for r in refs])
    faces = [f for f in faces if all(0 <= i < len(points) for i in f)]
    return points, faces


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


def inside(bounds, p):
    """Strictly inside every bound in force, as the plug-in decides."""
    for k, axis in enumerate("xyz"):
        lo, hi = bounds[axis]
        if (lo is not None and not lo < p[k]) or (hi is not None and not p[k] < hi):
            return False
    return True


def dot(x, y, is_selected, radius=DOT):
    fill, edge = (SELECTED, SELECTED_EDGE) if is_selected else (UNSELECTED, UNSELECTED_EDGE)
    return "fill '%s' stroke '%s' circle %.1f,%.1f %.1f,%.1f" % (fill, edge, x, y, x + radius, y)


def shade(colour, light):
    """colour ("#rrggbb") darkened to the fraction light of itself."""
    rgb = [int(colour[i:i + 2], 16) for i in (1, 3, 5)]
    return "#%02x%02x%02x" % tuple(int(round(c * light)) for c in rgb)


def face_item(corners, colour):
    """A face as an opaque polygon; its outline in its own colour closes the
    hair-thin seams that anti-aliasing leaves between neighbouring faces."""
    poly = " ".join("%.1f,%.1f" % (x, y) for x, y in corners)
    return ["stroke '%s' stroke-width 0.8 fill '%s' polygon %s" % (colour, colour, poly)]


def face_reach(points, faces):
    """How far a face reaches from its middle at most: a vertex is drawn as
    that much nearer than it is, so the faces around it never cover its dot."""
    reach = 0.0
    for f in faces:
        mid = [sum(points[i][k] for i in f) / len(f) for k in range(3)]
        for i in f:
            reach = max(reach, math.dist(points[i], mid))
    return reach


def ticks(extent):
    """The ticks, each with whether its value is written: on a small mesh a
    tick every 0.5 and a value every 1, so the values stay apart."""
    step = 0.5 if extent <= 2.5 else 10 ** math.floor(math.log10(extent))
    n = int(extent / step)
    return [(k * step, step != 0.5 or k % 2 == 0) for k in range(-n, n + 1)]


def frame(left, top):
    return ["fill '#fbfbfb' stroke '#999999' stroke-width 1 rectangle %d,%d %d,%d"
            % (left, top, left + VIEW, top + VIEW)]


def titles(left, top, title_ja, title_en):
    return (text(left, top + 19, TITLE, title_ja, "#222222") +
            text(left, top + 39, TICK, title_en, "#444444"))


def orthographic(left, top, mesh, selected, bounds, extent, view):
    """A front or side view: view is (title_ja, title_en, h, v, depth axis, sign),
    where depth * sign grows toward the viewer. top is the cell's top."""
    points, faces, reach = mesh
    title_ja, title_en, h, v, d, sign = view
    out = titles(left, top, title_ja, title_en)
    top += CELL_TOP

    def sx(value):
        return left + (value + extent) / (2 * extent) * VIEW

    def sy(value):
        return top + (extent - value) / (2 * extent) * VIEW

    out += frame(left, top)
    hb, vb = bounds["xyz"[h]], bounds["xyz"[v]]
    clamp = lambda value, lo, hi: max(lo, min(hi, value))
    x0 = clamp(sx(hb[0]) if hb[0] is not None else left, left, left + VIEW)
    x1 = clamp(sx(hb[1]) if hb[1] is not None else left + VIEW, left, left + VIEW)
    y0 = clamp(sy(vb[1]) if vb[1] is not None else top, top, top + VIEW)
    y1 = clamp(sy(vb[0]) if vb[0] is not None else top + VIEW, top, top + VIEW)
    empty = any(lo is not None and hi is not None and lo >= hi for lo, hi in bounds.values())
    if x1 > x0 and y1 > y0 and not empty:
        out.append("fill '%s' stroke none rectangle %.1f,%.1f %.1f,%.1f" % (INSIDE, x0, y0, x1, y1))
    # Ticks and their values, on the left and bottom edges.
    for t, written in ticks(extent):
        out.append("stroke '#999999' stroke-width 1 line %.1f,%d %.1f,%d"
                   % (sx(t), top + VIEW, sx(t), top + VIEW + 5))
        out.append("stroke '#999999' stroke-width 1 line %d,%.1f %d,%.1f"
                   % (left - 5, sy(t), left, sy(t)))
        if written:
            out += text(sx(t), top + VIEW + 20, TICK, "%g" % t, "#444444", "middle")
            out += text(left - 7, sy(t) + 5, TICK, "%g" % t, "#444444", "end")
    out += text(left + VIEW, top + VIEW + 38, LABEL, "%s →" % "XYZ"[h], "#222222", "end")
    out += text(left + 4, top + 18, LABEL, "↑ %s" % "XYZ"[v], "#222222", "start")
    # Far to near, the last drawn the nearest: the faces, then each vertex
    # as if it were nearer by the reach of a face.
    items = []
    for n, f in enumerate(faces):
        near = sum(sign * points[i][d] for i in f) / len(f)
        mid = [sum(points[i][k] for i in f) / len(f) for k in range(3)]
        colour = INSIDE if not empty and inside(bounds, mid) else SURFACE
        corners = [(sx(points[i][h]), sy(points[i][v])) for i in f]
        items.append((near, 0, n, face_item(corners, colour)))
    for i, p in enumerate(points):
        items.append((sign * p[d] + reach, 1, i, [dot(sx(p[h]), sy(p[v]), i in selected)]))
    items.sort(key=lambda item: item[:3])
    out.append("stroke-width 0.6")
    for item in items:
        out += item[3]
    # The bounds in force on the two axes shown, each with its value.
    out.append("push graphic-context")
    out.append("fill none stroke '%s' stroke-width 2 stroke-dasharray 7 4" % BOX)
    for value in hb:
        if value is not None and -extent < value < extent:
            out.append("line %.1f,%d %.1f,%d" % (sx(value), top, sx(value), top + VIEW))
    for value in vb:
        if value is not None and -extent < value < extent:
            out.append("line %d,%.1f %d,%.1f" % (left, sy(value), left + VIEW, sy(value)))
    out.append("pop graphic-context")
    for value in hb:
        if value is not None and -extent < value < extent:
            out += text(sx(value) + 4, top + 38, LABEL, "%s = %s" % ("XYZ"[h], value_text(value)),
                        BOX, "start", "#ffffffd0")
    for value in vb:
        if value is not None and -extent < value < extent:
            out += text(left + VIEW - 4, sy(value) - 6, LABEL,
                        "%s = %s" % ("XYZ"[v], value_text(value)), BOX, "end", "#ffffffd0")
    # Bounds along the line of sight cannot be drawn here: name them.
    depth = describe({axis: (bounds[axis] if axis == "xyz"[d] else (None, None)) for axis in "xyz"})
    if depth:
        out += text(left + 4, top + VIEW - 7, TICK, "奥行き / in depth: %s" % depth, BOX, "start",
                    "#ffffffd0")
    return out


def perspective(left, top, mesh, selected, bounds, extent):
    """The whole mesh seen from the front right and above, with the planes of
    the bounds in force."""
    points, faces, reach = mesh
    az, el, distance = math.radians(38), math.radians(24), 6.0 * extent
    eye = (distance * math.sin(az) * math.cos(el), distance * math.sin(el),
           distance * math.cos(az) * math.cos(el))
    norm = lambda a: tuple(c / math.sqrt(sum(k * k for k in a)) for c in a)
    cross = lambda a, b: (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])
    dotp = lambda a, b: sum(p * q for p, q in zip(a, b))
    forward = norm(tuple(-c for c in eye))
    right = norm(cross(forward, (0.0, 1.0, 0.0)))
    up = cross(right, forward)
    out = titles(left, top, "斜めから見た図", "at an angle")
    top += CELL_TOP
    # The mesh's extent, at the distance of the origin, fills most of the view.
    scale = VIEW / 2 * distance / (extent * 1.5)

    def project(p):
        rel = tuple(a - b for a, b in zip(p, eye))
        depth = dotp(rel, forward)
        return (left + VIEW / 2 + dotp(rel, right) / depth * scale,
                top + VIEW / 2 - dotp(rel, up) / depth * scale, depth)

    out += frame(left, top)
    # The axes through the origin, under everything else; their names last.
    names = []
    for n, axis in enumerate("XYZ"):
        tip = [0.0, 0.0, 0.0]
        tip[n] = extent * 1.45
        tail = [0.0, 0.0, 0.0]
        tail[n] = -extent * 1.0
        (x0, y0, _), (x1, y1, _) = project(tail), project(tip)
        out.append("stroke '#b0b0b0' stroke-width 1 line %.1f,%.1f %.1f,%.1f" % (x0, y0, x1, y1))
        names += text(x1 + 3, y1 + 5, LABEL, axis, "#555555", "start", "#fbfbfbd0")
    items = []  # (depth, kind, index, drawing commands), drawn far to near
    empty = any(lo is not None and hi is not None and lo >= hi for lo, hi in bounds.values())
    for n, f in enumerate(faces):
        corners = [project(points[i]) for i in f]
        depth = sum(c[2] for c in corners) / len(corners)
        mid = [sum(points[i][k] for i in f) / len(f) for k in range(3)]
        # Lit from the eye: a face turned away from it is a little darker.
        a, b, c = (points[i] for i in f[:3])
        normal = cross(tuple(q - p for p, q in zip(a, b)), tuple(q - p for p, q in zip(a, c)))
        length = math.sqrt(dotp(normal, normal))
        facing = abs(dotp(normal, forward)) / length if length > 0 else 1.0
        colour = INSIDE if not empty and inside(bounds, mid) else SURFACE
        items.append((-depth, 0, n, face_item([c[:2] for c in corners],
                                              shade(colour, 0.80 + 0.20 * facing))))
    for i, p in enumerate(points):
        x, y, depth = project(p)
        items.append((-(depth - reach), 2, i,
                      ["stroke-width 0.5", dot(x, y, i in selected, ANGLED_DOT)]))
    # Each bound in force is a plane across the other bounds in force, out to
    # a little past the mesh where the range is open. It is cut into tiles
    # drawn among the faces from far to near, so the mesh hides what lies
    # behind it; toward an open end the tiles fade out, so the range looks
    # open, and where two planes meet (an edge of the range) a line is drawn.
    lim = extent / 1.1 * 1.45
    in_force = lambda k, side: (bounds["xyz"[k]][side] is not None
                                and -lim < bounds["xyz"[k]][side] < lim)
    ends = lambda k: [bounds["xyz"[k]][s] if in_force(k, s) else (-lim, lim)[s] for s in (0, 1)]
    GRID, PIECES, FADE = 12, 30, 0.5
    serial = 0

    def fade(k, u):
        """1 inside, falling to 0 toward an open end of axis k (u from 0 to 1)."""
        level = 1.0
        if not in_force(k, 0):
            level *= min(1.0, u / FADE)
        if not in_force(k, 1):
            level *= min(1.0, (1 - u) / FADE)
        return level

    def point(k, value, a, ua, b, ub):
        q = [0.0, 0.0, 0.0]
        q[k] = value
        q[a] = ends(a)[0] + (ends(a)[1] - ends(a)[0]) * ua
        q[b] = ends(b)[0] + (ends(b)[1] - ends(b)[0]) * ub
        return q

    for k in range(3):
        for side in (0, 1):
            if not in_force(k, side):
                continue
            value = bounds["xyz"[k]][side]
            a, b = [j for j in range(3) if j != k]
            if ends(a)[0] >= ends(a)[1] or ends(b)[0] >= ends(b)[1]:
                continue
            # A grid of thin lines across the plane, each cut into pieces.
            for across, along in ((a, b), (b, a)):
                for line in range(GRID + 1):
                    u = line / GRID
                    for n in range(PIECES):
                        q = []
                        for t in (n / PIECES, (n + 1) / PIECES):
                            q.append(project(point(k, value, across, u, along, t)))
                        level = fade(across, u) * fade(along, (n + 0.5) / PIECES)
                        if level <= 0:
                            continue
                        serial += 1
                        items.append((-(q[0][2] + q[1][2]) / 2, 1, serial, [
                            "push graphic-context",
                            "stroke '%s' stroke-opacity %.3f stroke-width 1 fill none" % (BOX, 0.7 * level),
                            "line %.1f,%.1f %.1f,%.1f" % (q[0][0], q[0][1], q[1][0], q[1][1]),
                            "pop graphic-context"]))
            # The edges this plane shares with the planes of the other axes.
            for other in (a, b):
                for other_side in (0, 1):
                    if not in_force(other, other_side):
                        continue
                    (m,) = [j for j in range(3) if j not in (k, other)]
                    pieces = PIECES
                    for n in range(pieces):
                        q = []
                        for t in (n / pieces, (n + 1) / pieces):
                            p = [0.0, 0.0, 0.0]
                            p[k], p[other] = value, bounds["xyz"[other]][other_side]
                            p[m] = ends(m)[0] + (ends(m)[1] - ends(m)[0]) * t
                            q.append(project(p))
                        level = fade(m, (n + 0.5) / pieces)
                        serial += 1
                        items.append((-(q[0][2] + q[1][2]) / 2, 1, serial, [
                            "push graphic-context",
                            "stroke '%s' stroke-opacity %.3f stroke-width 2 fill none" % (BOX, level),
                            "line %.1f,%.1f %.1f,%.1f" % (q[0][0], q[0][1], q[1][0], q[1][1]),
                            "pop graphic-context"]))
    items.sort(key=lambda item: item[:3])
    for item in items:
        out += item[3]
    return out + names


def legend(left, top):
    """What the colours and lines mean, in the fourth cell."""
    out = titles(left, top, "凡例", "key")
    y = top + CELL_TOP + 18
    rows = [("dot", SELECTED, SELECTED_EDGE, "選択されている頂点", "selected vertex"),
            ("dot", UNSELECTED, UNSELECTED_EDGE, "選択されていない頂点", "vertex not selected"),
            ("area", INSIDE, None, "すべての下限・上限の内側", "inside every bound in force"),
            ("area", SURFACE, None, "範囲の外側の面", "surface outside the range"),
            ("plane", BOX, None, "下限・上限の面（斜めの図）", "plane of a bound (angled view)"),
            ("line", BOX, None, "下限・上限とその値（正面・側面）",
             "a bound, its value (front, side)")]
    for kind, colour, edge, ja, en in rows:
        if kind == "dot":
            out.append("stroke-width 0.8 fill '%s' stroke '%s' circle %d,%d %d,%d"
                       % (colour, edge, left + 12, y - 5, left + 16, y - 5))
        elif kind == "area":
            out.append("fill '%s' stroke '#999999' stroke-width 1 rectangle %d,%d %d,%d"
                       % (colour, left + 2, y - 14, left + 22, y + 2))
        elif kind == "plane":
            for n in range(5):
                out += ["push graphic-context", "fill '%s' fill-opacity %.2f stroke none" %
                        (colour, 0.26 * (1 - n / 5)), "rectangle %d,%d %d,%d"
                        % (left + 2 + 4 * n, y - 14, left + 6 + 4 * n, y + 2), "pop graphic-context"]
        else:
            out += ["push graphic-context", "fill none stroke '%s' stroke-width 2 "
                    "stroke-dasharray 7 4 line %d,%d %d,%d" % (colour, left, y - 6, left + 24, y - 6),
                    "pop graphic-context"]
        out += text(left + 32, y, LABEL, ja, "#222222")
        out += text(left + 32, y + 19, TICK, en, "#444444")
        y += 44
        if kind == "plane":  # what its fading means, on a line of its own
            out += text(left + 32, y - 6, TICK, "範囲が開いている側へ薄れて消える", "#222222")
            out += text(left + 32, y + 13, TICK, "fades where the range is open", "#444444")
            y += 40
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
    words = describe(bounds)
    mode_en, done_ja, done_en = MODES.get(a.mode, (a.mode, "", ""))
    if not applied:
        title_ja = "変更なし（%s、「%s」：何もしなかった）" % (words or "範囲なし", a.mode)
        title_en = "Unchanged (%s, %s: nothing done)" % (words or "no bound", mode_en)
    elif done_ja:
        title_ja = (words + " " + done_ja) if words else "全頂点" + done_ja[len("の内側の頂点"):]
        title_en = "%s %s" % (done_en, words or "no bound: every vertex")
    else:
        title_ja, title_en = "範囲 %s" % (words or "なし"), "Range %s" % (words or "none")

    points, faces = read_mesh(a.mesh)
    with open(a.selected) as f:
        selected = {int(line) for line in f if line.strip()}
    extent = max(max(abs(c) for c in p) for p in points) * 1.1
    mesh = (points, faces, face_reach(points, faces))

    col2 = MARGIN + LEFT + VIEW + GAP
    width = col2 + VIEW + MARGIN
    height = HEAD + 2 * CELL
    mvg = ["viewbox 0 0 %d %d" % (width, height),
           "fill white rectangle 0,0 %d,%d" % (width, height)]
    mvg += text(MARGIN, 26, 19, title_ja)
    mvg += text(MARGIN, 49, LABEL, title_en, "#333333")
    for n, note in enumerate(n for n in (a.note_ja, a.note) if n):
        mvg += text(MARGIN, 71 + 19 * n, TICK, note, "#333333")
    left = MARGIN + LEFT
    # Each view in a graphic context of its own, so no stroke or fill leaks.
    # Front: X right, Y up, seen from +Z (larger Z is nearer). Side: Z right,
    # Y up, seen from -X (smaller X is nearer).
    cells = [
        lambda: perspective(left, HEAD, mesh, selected, bounds, extent),
        lambda: orthographic(col2, HEAD, mesh, selected, bounds, extent,
                             ("正面（+Z 側から）", "front, from +Z", 0, 1, 2, 1)),
        lambda: orthographic(left, HEAD + CELL, mesh, selected, bounds, extent,
                             ("側面（-X 側から）", "side, from -X", 2, 1, 0, -1)),
        lambda: legend(col2, HEAD + CELL),
    ]
    for cell in cells:
        mvg += ["push graphic-context"] + cell() + ["pop graphic-context"]
    with open(a.out, "w", encoding="utf-8") as f:
        f.write("\n".join(mvg) + "\n")


if __name__ == "__main__":
    main()
