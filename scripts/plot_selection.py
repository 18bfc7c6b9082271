#!/usr/bin/python3
"""Draws a run of the stand-in host, as host.exe --json records it, to a PNG: the mesh at an
angle, from the front (+Z) and from the side (-X), selected vertices red on a surface (pale
blue inside the range) that hides what is behind it, and the bounds in force: planes fading
where the range is open, or dashed lines labelled as the summary line shows them. Captions
in Japanese and English; the same run gives the same file."""
import argparse
import json

import numpy as np
from matplotlib import font_manager, rcParams
from matplotlib.backends.backend_agg import FigureCanvasAgg
from matplotlib.collections import PolyCollection
from matplotlib.colors import to_rgb, to_rgba
from matplotlib.figure import Figure
from PIL import Image

FONT = "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf"  # IPA P Gothic: kana and Latin
SELECTED, UNSELECTED = dict(mfc="#d62d20", mec="#8c1a12"), dict(mfc="#a0a0a0", mec="#606060")
BOX, INSIDE, SURFACE = "#1a5fd0", "#cfe0fb", "#f2f2f2"
DASHED = dict(color=BOX, ls=(0, (4, 2)), lw=1.8)
# By operation index: its English name, and what the title says was done.
DONE = [("select", "を選択した結果", "After selecting the vertices inside"),
        ("deselect", "を選択から外した結果", "After deselecting the vertices inside"),
        ("invert", "の選択を反転した結果", "After inverting the selection inside"),
        ("random", "をランダムに選択した結果", "After randomly selecting the vertices inside")]
# In inches at 100 dpi: about 600 px wide, so that in a 500 px window the
# 11 pt (15 px) labels read at about 12 px. Each view's top left corner.
W, H, VIEW = 6.1, 8.1, 2.56
CORNERS = [(0.42, 1.56), (3.38, 1.56), (0.42, 5.08), (3.38, 5.08)]


def projector(turn, rise, distance=None):
    """Maps points to screen coordinates (Y up) and nearness, seen from the front (+Z)
    turned by turn degrees toward +X and rise degrees up: in perspective from
    distance, or else orthographically. Returns that map and the line of sight."""
    t, r = np.radians([turn, rise])
    f = -np.array([np.sin(t) * np.cos(r), np.sin(r), np.cos(t) * np.cos(r)])
    right = np.array([np.cos(t), 0.0, -np.sin(t)])
    up = np.cross(right, f)
    def project(p):
        scale = distance / (p @ f + distance) if distance else 1.0
        return np.stack([p @ right * scale, p @ up * scale], -1), -(p @ f)
    return project, f


def paint(ax, mesh, limits, items, project, forward):
    """Faces, vertex discs and items (nearness, corners, fill, edge, width) in
    one collection, far to near, so the near surface hides what is behind it. A
    vertex counts as nearer by a face's reach, so its own faces never cover it."""
    points, faces, selected, reach, radius = mesh
    screen, near = project(points)
    for f in faces:
        corners = points[f]
        inside = all(lo < c < hi for c, (lo, hi) in zip(corners.mean(0), limits))
        # Lit from the eye: a face turned away from it is a little darker.
        normal = np.cross(corners[1] - corners[0], corners[2] - corners[0])
        light = 0.8 + 0.2 * abs(normal @ forward) / (np.linalg.norm(normal) or 1.0)
        colour = np.array(to_rgb(INSIDE if inside else SURFACE)) * light
        items.append((near[f].mean(), screen[f], colour, colour, 0.5))  # edge closes seams
    disc = radius * np.array([(np.cos(a), np.sin(a)) for a in np.linspace(0, 2 * np.pi, 10)])
    for i in np.flatnonzero(np.isfinite(near)):
        style = SELECTED if i in selected else UNSELECTED
        items.append((near[i] + reach, screen[i] + disc, style["mfc"], style["mec"], 0.4))
    if items:
        _, corners, fills, edges, widths = zip(*sorted(items, key=lambda item: item[0]))
        ax.add_collection(PolyCollection(corners, facecolors=fills, edgecolors=edges, lw=widths))


def planes(limits, project, lim, n=12):
    """The planes of the bounds in force as n by n tiles for paint(), each across the
    other axes' bounds, reaching to lim where open and fading over that half."""
    def fade(c, t):  # at tile t along axis c: 1 where closed, to 0 toward an open end
        return np.interp((t + 0.5) / n, (0, 0.5, 1), (limits[c][0] >= -lim, 1, limits[c][1] <= lim))
    ends, items = np.clip(limits, -lim, lim), []
    for k in range(3):
        a, b = (c for c in range(3) if c != k)
        if ends[a][0] >= ends[a][1] or ends[b][0] >= ends[b][1]:
            continue  # the other axes' range is empty: no plane to draw
        for value in limits[k][np.abs(limits[k]) < lim]:
            for i, j in np.ndindex(n, n):
                tile = np.full((4, 3), value)
                tile[:, a] = np.interp((i, i + 1, i + 1, i), (0, n), ends[a])
                tile[:, b] = np.interp((j, j, j + 1, j + 1), (0, n), ends[b])
                screen, near = project(tile)
                level = fade(a, i) * fade(b, j)
                items.append((near.mean(), screen, to_rgba(BOX, 0.1 * level),
                              to_rgba(BOX, 0.7 * level), 0.5))
    return items


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("run", metavar="RUN.json", type=argparse.FileType(encoding="utf-8"),
                    help="the file host.exe --json wrote")
    ap.add_argument("out", metavar="OUT.png")
    ap.add_argument("--note", default="", help="a line under the title, in English")
    ap.add_argument("--note-ja", default="", help="the same in Japanese")
    a = ap.parse_args()
    run = json.load(a.run)

    # Per axis, lower and upper: the bound in force as the summary line shows it, and its
    # value, open (infinite) where none is in force or it is not finite (then only named).
    bounds = {(b["axis"], b["side"]): b for b in run["bounds"]}
    found = [[bounds.get((axis, side), {}) for side in ("lower", "upper")] for axis in "xyz"]
    texts = [[b.get("shown") for b in pair] for pair in found]
    limits = np.array([[b.get("value") for b in pair] for pair in found], float)  # None: NaN
    limits = np.where(np.isnan(limits), [-np.inf, np.inf], limits)
    shown = [[(v, t) for v, t in zip(*axis) if np.isfinite(v)] for axis in zip(limits, texts)]
    names = [" < ".join(filter(None, (lo, axis, hi))) if lo or hi else ""
             for axis, (lo, hi) in zip("XYZ", texts)]  # "-0.25 < Y"
    words, op = ", ".join(n for n in names if n), run["operation"]
    if op is None:
        title = "変更なし（ダイアログが開かなかった）", "Unchanged (the dialog did not open)"
    elif not run["applied"]:
        title = ("変更なし（%s、「%s」：何もしなかった）" % (words or "範囲なし", run["operation_name"]),
                 "Unchanged (%s, %s: nothing done)" % (words or "no bound", DONE[op][0]))
    else:
        title = ((words + " の内側の頂点" if words else "全頂点") + DONE[op][1],
                 DONE[op][2] + " " + (words or "no bound: every vertex"))

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
    lines = zip(title + (a.note_ja, a.note), (13.5, 11.5, 11, 11))
    for n, (text, size) in enumerate((t, s) for t, s in lines if t):
        fig.text(0.14 / W, 1 - (0.3 + 0.22 * n) / H, text, fontsize=size, color="#222222")
    angled, front, side, key = [
        fig.add_axes([x / W, 1 - (y + VIEW) / H, VIEW / W, VIEW / H], facecolor="#fbfbfb",
                     xlim=(-extent, extent), ylim=(-extent, extent)) for x, y in CORNERS]
    for ax, ja, en in zip((angled, front, side, key), ("斜めから見た図", "正面（+Z 側から）", "側面（-X 側から）", "凡例"),
                          ("at an angle", "front, from +Z", "side, from -X", "key")):
        ax.annotate(ja, (0, 1), (0, 22), "axes fraction", "offset points", fontsize=12)
        ax.annotate(en, (0, 1), (0, 7), "axes fraction", "offset points", color="#444444")

    view = projector(38, 24, 6 * extent)  # from the front right and above, in perspective
    for k, axis in enumerate("XYZ"):  # the axes through the origin, under everything else
        (tail, tip), _ = view[0](np.outer((-extent, 1.4 * extent), np.eye(3)[k]))
        angled.plot(*zip(tail, tip), color="#b0b0b0", lw=0.8, zorder=0)
        angled.text(*(tip + 0.03 * extent), axis, color="#555555", zorder=3,
                    bbox=dict(fc="#fbfbfb", ec="none", alpha=0.8, pad=0))
    span = 1.45 * extent
    paint(angled, mesh, limits, planes(limits, view[0], span / 1.1), *view)
    angled.set(xlim=(-span, span), ylim=(-span, span), xticks=[], yticks=[])
    # Front from +Z, side from -X: the range a rectangle, the bounds in force on the axes
    # across (h) and up (v) labelled lines, those along the line of sight (d) only named.
    label = dict(color=BOX, zorder=4, bbox=dict(fc="white", ec="none", alpha=0.8, pad=1))
    for ax, turn, (h, v, d) in ((front, 0, (0, 1, 2)), (side, -90, (2, 1, 0))):
        paint(ax, mesh, limits, [], *projector(turn, 0))
        ax.locator_params(nbins=3, steps=[1, 2, 5, 10])
        ax.minorticks_on()
        ax.set_xlabel("XYZ"[h] + " →", loc="right", labelpad=1)
        ax.text(0.02, 0.98, "↑ " + "XYZ"[v], transform=ax.transAxes, va="top", zorder=3)
        (x0, x1), (y0, y1) = np.clip(limits[[h, v]], -extent, extent)
        if all(lo < hi for lo, hi in limits):
            ax.fill([x0, x1, x1, x0], [y0, y0, y1, y1], color=INSIDE, zorder=0)
        for value, text in shown[h]:
            ax.axvline(value, zorder=3, **DASHED)
            ax.text(value, extent * 0.72, f" {'XYZ'[h]} = {text}", **label)
        for value, text in shown[v]:
            ax.axhline(value, zorder=3, **DASHED)
            ax.text(extent * 0.95, value, f"{'XYZ'[v]} = {text}", ha="right", va="bottom", **label)
        if names[d]:
            ax.text(-extent * 0.96, -extent * 0.96, "奥行き / in depth: " + names[d], **label)

    key.set_axis_off()  # only the key: each entry an empty line or shape, in this order
    key.plot([], [], "o", ms=7, **SELECTED, label="選択されている頂点\nselected vertex")
    key.plot([], [], "o", ms=7, **UNSELECTED, label="選択されていない頂点\nvertex not selected")
    key.fill([], [], fc=INSIDE, ec="#999999", label="すべての下限・上限の内側\ninside every bound in force")
    key.fill([], [], fc=SURFACE, ec="#999999", label="範囲の外側の面\nsurface outside the range")
    key.fill([], [], fc=to_rgba(BOX, 0.2), ec=BOX, label="下限・上限の面（斜めの図）\n"
             "plane of a bound (angled view)\n範囲が開いている側へ薄れて消える\nfades where the range is open")
    key.plot([], [], **DASHED, label="下限・上限とその値（正面・側面）\na bound, its value (front, side)")
    key.legend(loc="upper left", bbox_to_anchor=(-0.03, 1.0), frameon=False, handlelength=1.6,
               labelspacing=0.7, borderaxespad=0)
    FigureCanvasAgg(fig).draw()
    write_png(Image.fromarray(np.asarray(fig.canvas.buffer_rgba())), a.out)


def write_png(image, path):
    """Writes image, 8 bits a channel and no time stamp, as a palette if one holds its pixels."""
    image = image.convert("RGB")
    colours = image.getcolors(256)
    palette = image.quantize(len(colours)) if colours else None
    if palette and palette.convert("RGB").tobytes() == image.tobytes():
        image = palette
    image.save(path, optimize=True)


if __name__ == "__main__":
    main()
