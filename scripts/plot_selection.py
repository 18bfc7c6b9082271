#!/usr/bin/python3
"""Draws the stand-in host's run, as its --json file records it, to a PNG: the
mesh at an angle, from the front (+Z) and from the side (-X), selected vertices
red, on an opaque surface (pale blue inside the range) whose near side hides the
far one, with the bounds in force: at an angle as planes fading out where the
range is open, else as dashed lines labelled as the summary line shows them.
Captions in Japanese and English. The PNG has 8 bits a channel and no time
stamp: the same run gives the same file."""
import argparse
import json

import numpy as np
from matplotlib import font_manager, rcParams
from matplotlib.backends.backend_agg import FigureCanvasAgg
from matplotlib.collections import PolyCollection
from matplotlib.colors import to_rgb, to_rgba
from matplotlib.figure import Figure
from matplotlib.lines import Line2D
from matplotlib.patches import Patch
from PIL import Image

FONT = "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf"  # IPA P Gothic: kana and Latin
RED, RED_EDGE, GREY, GREY_EDGE = "#d62d20", "#8c1a12", "#a0a0a0", "#606060"
BOX, INSIDE, SURFACE, DASHES = "#1a5fd0", "#cfe0fb", "#f2f2f2", (0, (4, 2))
# By operation index: its English name, and what the title says was done.
DONE = [("select", "の内側の頂点を選択した結果", "After selecting the vertices inside"),
        ("deselect", "の内側の頂点を選択から外した結果", "After deselecting the vertices inside"),
        ("invert", "の内側の頂点の選択を反転した結果", "After inverting the selection inside"),
        ("random", "の内側の頂点をランダムに選択した結果",
         "After randomly selecting the vertices inside")]
# In inches at 100 dpi: about 600 px wide, so that in a 500 px window the
# 11 pt (15 px) labels read at about 12 px. Each view's top left corner.
W, H, VIEW = 6.1, 8.1, 2.56
CORNERS = [(0.42, 1.56), (3.38, 1.56), (0.42, 5.08), (3.38, 5.08)]


def projector(forward, distance=None):
    """Maps points to screen coordinates (Y up) and nearness, seen along
    forward: in perspective from distance, or else orthographically."""
    f = np.array(forward, float) / np.linalg.norm(forward)
    right = np.cross(f, (0.0, 1.0, 0.0))
    right /= np.linalg.norm(right)
    up = np.cross(right, f)

    def project(p):
        scale = distance / (p @ f + distance) if distance else 1.0
        return np.stack([p @ right * scale, p @ up * scale], -1), -(p @ f)
    return project, f


def paint(ax, mesh, limits, view, items):
    """Faces, vertex discs and items (nearness, corners, fill, edge, width) in
    one collection, far to near, so the near surface hides what is behind it. A
    vertex counts as nearer by a face's reach, so its own faces never cover it."""
    points, faces, selected, reach, radius = mesh
    project, forward = view
    screen, near = project(points)
    for f in faces:
        corners = points[f]
        inside = all(lo < c < hi for c, (lo, hi) in zip(corners.mean(0), limits))
        # Lit from the eye: a face turned away from it is a little darker.
        normal = np.cross(corners[1] - corners[0], corners[2] - corners[0])
        light = 0.8 + 0.2 * abs(normal @ forward) / (np.linalg.norm(normal) or 1.0)
        colour = np.array(to_rgb(INSIDE if inside else SURFACE)) * light
        items.append((near[f].mean(), screen[f], colour, colour, 0.5))  # edge closes seams
    turn = np.linspace(0, 2 * np.pi, 10)
    disc = radius * np.stack([np.cos(turn), np.sin(turn)], -1)
    for i in np.flatnonzero(np.isfinite(near)):
        colours = (RED, RED_EDGE) if i in selected else (GREY, GREY_EDGE)
        items.append((near[i] + reach, screen[i] + disc, *colours, 0.4))
    if not items:
        return
    _, corners, fills, edges, widths = zip(*sorted(items, key=lambda item: item[0]))
    ax.add_collection(PolyCollection(corners, facecolors=fills, edgecolors=edges, linewidths=widths))


def planes(limits, project, lim, tiles=12):
    """The planes of the bounds in force as tiles for paint(), each across the
    other axes' bounds, reaching to lim where open and fading over that half."""
    ends = [(max(lo, -lim), min(hi, lim)) for lo, hi in limits]

    def fade(k, u):  # 1 where axis k is closed, falling to 0 toward an open end
        return min(1.0, 2 * u if limits[k][0] < -lim else 1.0,
                   2 * (1 - u) if limits[k][1] > lim else 1.0)

    items, steps = [], np.linspace(0, 1, tiles + 1)
    for k in range(3):
        a, b = (c for c in range(3) if c != k)
        if ends[a][0] >= ends[a][1] or ends[b][0] >= ends[b][1]:
            continue  # the other axes' range is empty: no plane to draw
        for value in (v for v in limits[k] if -lim < v < lim):
            for u0, u1 in zip(steps, steps[1:]):
                for w0, w1 in zip(steps, steps[1:]):
                    tile = np.full((4, 3), float(value))
                    tile[:, a] = np.interp([u0, u1, u1, u0], (0, 1), ends[a])
                    tile[:, b] = np.interp([w0, w0, w1, w1], (0, 1), ends[b])
                    level = fade(a, (u0 + u1) / 2) * fade(b, (w0 + w1) / 2)
                    screen, near = project(tile)
                    items.append((near.mean(), screen, to_rgba(BOX, 0.1 * level),
                                  to_rgba(BOX, 0.7 * level), 0.5))
    return items


def flat_view(ax, names, limits, shown, extent, h, v, d):
    """A front or side view's range and bounds in force, as a rectangle and
    labelled lines on axes h (across) and v (up); d is the depth axis."""
    ax.locator_params(nbins=3, steps=[1, 2, 5, 10])
    ax.minorticks_on()
    ax.set_xlabel("XYZ"[h] + " →", loc="right", labelpad=1)
    ax.text(0.02, 0.98, "↑ " + "XYZ"[v], transform=ax.transAxes, va="top", zorder=3)
    (x0, x1), (y0, y1) = np.clip(limits[h], -extent, extent), np.clip(limits[v], -extent, extent)
    if all(lo < hi for lo, hi in limits):
        ax.fill([x0, x1, x1, x0], [y0, y0, y1, y1], color=INSIDE, zorder=0)
    label = dict(color=BOX, zorder=4, bbox=dict(fc="white", ec="none", alpha=0.8, pad=1))
    for value, text in shown[h]:
        ax.axvline(value, color=BOX, ls=DASHES, lw=1.8, zorder=3)
        ax.text(value, extent * 0.72, " %s = %s" % ("XYZ"[h], text), **label)
    for value, text in shown[v]:
        ax.axhline(value, color=BOX, ls=DASHES, lw=1.8, zorder=3)
        ax.text(extent * 0.95, value, "%s = %s" % ("XYZ"[v], text), ha="right", va="bottom",
                **label)
    if names[d]:  # bounds along the line of sight cannot be drawn here: named
        ax.text(-extent * 0.96, -extent * 0.96, "奥行き / in depth: " + names[d], **label)


def titles(run, names):
    """The picture's title, in Japanese and in English."""
    words, op = ", ".join(n for n in names if n), run["operation"]
    if op is None:
        return "変更なし（ダイアログが開かなかった）", "Unchanged (the dialog did not open)"
    english, done_ja, done_en = DONE[op]
    if not run["applied"]:
        return ("変更なし（%s、「%s」：何もしなかった）" % (words or "範囲なし", run["operation_name"]),
                "Unchanged (%s, %s: nothing done)" % (words or "no bound", english))
    if words:
        return words + " " + done_ja, done_en + " " + words
    return "全頂点" + done_ja[len("の内側の頂点"):], done_en + " no bound: every vertex"


def main():
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("run", metavar="RUN.json", help="the file host.exe --json wrote")
    ap.add_argument("out", metavar="OUT.png")
    ap.add_argument("--note", default="", help="a line under the title, in English")
    ap.add_argument("--note-ja", default="", help="the same in Japanese")
    a = ap.parse_args()
    with open(a.run, encoding="utf-8") as f:
        run = json.load(f)

    # Per axis: the open interval of the bounds in force, their values with
    # their texts, and the axis's part of the title ("-0.25 < Y"). A bound
    # whose value is not finite is named but not drawn.
    limits, shown, names = [[-np.inf, np.inf] for _ in "xyz"], [[], [], []], []
    bounds = {(b["axis"], b["side"]): b for b in run["bounds"]}
    for k, axis in enumerate("xyz"):
        lo, hi = bounds.get((axis, "lower")), bounds.get((axis, "upper"))
        parts = (lo and lo["shown"], axis.upper(), hi and hi["shown"])
        names.append(" < ".join(filter(None, parts)) if lo or hi else "")
        for side, bound in enumerate((lo, hi)):
            if bound and bound["value"] is not None:
                limits[k][side] = bound["value"]
                shown[k].append((bound["value"], bound["shown"]))

    points = np.array(run["points"], dtype=float).reshape(-1, 3)  # null reads as NaN
    faces = [np.array(f) for f in run["faces"] if np.isfinite(points[f]).all()]
    extent = 1.1 * np.nanmax(np.abs(points)) if np.isfinite(points).any() else 1.0
    reach = max((np.linalg.norm(points[f] - points[f].mean(0), axis=1).max() for f in faces),
                default=0.0)  # how far a face reaches from its middle
    mesh = (points, faces, set(run["selected"]), reach, 0.019 * extent)

    font_manager.fontManager.addfont(FONT)
    rcParams.update({"font.family": font_manager.FontProperties(fname=FONT).get_name(),
                     "font.size": 11, "axes.unicode_minus": False, "axes.edgecolor": "#999999",
                     "xtick.color": "#444444", "ytick.color": "#444444"})
    fig = Figure(figsize=(W, H), dpi=100, facecolor="white")
    lines = zip(titles(run, names) + (a.note_ja, a.note), (13.5, 11.5, 11, 11))
    for n, (text, size) in enumerate((t, s) for t, s in lines if t):
        fig.text(0.14 / W, 1 - (0.3 + 0.22 * n) / H, text, fontsize=size, color="#222222")
    cells = [fig.add_axes([x / W, 1 - (y + VIEW) / H, VIEW / W, VIEW / H], facecolor="#fbfbfb",
                          xlim=(-extent, extent), ylim=(-extent, extent)) for x, y in CORNERS]
    for ax, ja, en in zip(cells, ("斜めから見た図", "正面（+Z 側から）", "側面（-X 側から）", "凡例"),
                          ("at an angle", "front, from +Z", "side, from -X", "key")):
        ax.annotate(ja, (0, 1), (0, 22), "axes fraction", "offset points", fontsize=12)
        ax.annotate(en, (0, 1), (0, 7), "axes fraction", "offset points", color="#444444")
    angled, front, side, key = cells

    # At an angle: from the front right (38° round) and above (24° up), in perspective.
    turn, rise = np.radians(38), np.radians(24)
    view = projector(-np.array([np.sin(turn) * np.cos(rise), np.sin(rise),
                                np.cos(turn) * np.cos(rise)]), 6 * extent)
    for k, axis in enumerate("XYZ"):  # the axes through the origin, under everything else
        (tail, tip), _ = view[0](np.outer((-extent, 1.4 * extent), np.eye(3)[k]))
        angled.plot(*zip(tail, tip), color="#b0b0b0", lw=0.8, zorder=0)
        angled.text(*(tip + 0.03 * extent), axis, color="#555555", zorder=3,
                    bbox=dict(fc="#fbfbfb", ec="none", alpha=0.8, pad=0))
    paint(angled, mesh, limits, view, planes(limits, view[0], extent / 1.1 * 1.45))
    angled.set(xlim=(-1.45 * extent, 1.45 * extent), ylim=(-1.45 * extent, 1.45 * extent),
               xticks=[], yticks=[])
    # Front, seen from +Z (X across, Y up); side, seen from -X (Z across, Y up).
    for ax, forward, axes in ((front, (0, 0, -1), (0, 1, 2)), (side, (1, 0, 0), (2, 1, 0))):
        paint(ax, mesh, limits, projector(forward), [])
        flat_view(ax, names, limits, shown, extent, *axes)

    key.set_axis_off()
    dot = dict(marker="o", ls="", markersize=7)
    key.legend([Line2D([], [], mfc=RED, mec=RED_EDGE, **dot),
                Line2D([], [], mfc=GREY, mec=GREY_EDGE, **dot),
                Patch(fc=INSIDE, ec="#999999"), Patch(fc=SURFACE, ec="#999999"),
                Patch(fc=to_rgba(BOX, 0.2), ec=BOX), Line2D([], [], color=BOX, ls=DASHES, lw=1.8)],
               ["選択されている頂点\nselected vertex", "選択されていない頂点\nvertex not selected",
                "すべての下限・上限の内側\ninside every bound in force",
                "範囲の外側の面\nsurface outside the range",
                "下限・上限の面（斜めの図）\nplane of a bound (angled view)\n"
                "範囲が開いている側へ薄れて消える\nfades where the range is open",
                "下限・上限とその値（正面・側面）\na bound, its value (front, side)"],
               loc="upper left", bbox_to_anchor=(-0.03, 1.0), frameon=False, handlelength=1.6,
               labelspacing=0.7, borderaxespad=0)
    canvas = FigureCanvasAgg(fig)
    canvas.draw()
    write_png(Image.fromarray(np.asarray(canvas.buffer_rgba())), a.out)


def write_png(image, path):
    """Writes image with 8 bits a channel and no time stamp, as a palette when
    that shows exactly the same pixels."""
    image = image.convert("RGB")
    colours = image.getcolors(256)
    palette = image.quantize(len(colours)) if colours else None
    if palette and palette.convert("RGB").tobytes() == image.tobytes():
        image = palette
    image.save(path, optimize=True)


if __name__ == "__main__":
    main()
