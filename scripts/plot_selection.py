#!/usr/bin/python3
"""Draws a run of the stand-in host, as host.exe --json records it, to a PNG: the mesh at an
angle, from the front (+Z) and from the side (-X), selected vertices red on a surface (pale
blue inside the range) that hides what is behind it, and the bounds in force: planes fading
toward the open side of the range, or dashed lines labelled as the summary line shows them.
Captions in Japanese and English; --note and --note-ja add a line under the title in each.
The same run gives the same file. A file that is not such a record is refused in one
sentence (exit status 1)."""
# Every view is mplot3d's: it sorts the faces, the vertex discs and the
# planes' tiles far to near, as one Poly3DCollection. The front and side
# views are orthographic, with the axes through the origin drawn as in the
# angled view instead of mplot3d's ticks, which a flat view puts on the far
# sides, the third axis's piled up in a corner.
import argparse
import json
import sys
from collections import namedtuple

import numpy as np
from matplotlib import font_manager, rcParams
from matplotlib.backends.backend_agg import FigureCanvasAgg
from matplotlib.colors import to_rgba
from matplotlib.figure import Figure
from matplotlib.lines import Line2D
from matplotlib.patches import Patch
from mpl_toolkits.mplot3d.art3d import Poly3DCollection
from PIL import Image

FONT = "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf"  # kana and Latin
FRAME = "#999999"
RED = ("#d62d20", "#8c1a12")  # a selected vertex's fill and edge
GREY = ("#a0a0a0", "#606060")  # an unselected one's
BOX = "#1a5fd0"
INSIDE = "#cfe0fb"
SURFACE = "#f2f2f2"
LABEL = dict(
    color=BOX,
    backgroundcolor="white",
    va="bottom",
)
DASHED = dict(
    color=BOX,
    ls="--",
    lw=1.8,
)
# By operation index: what the title says was done.
DONE = [
    ("を選択した結果", "After selecting the vertices inside"),
    ("を選択から外した結果", "After deselecting the vertices inside"),
    ("の選択を反転した結果", "After inverting the selection inside"),
    ("をランダムに選択した結果", "After randomly selecting the vertices inside"),
]
# Each view's caption, left to right and top to bottom.
CAPTIONS = [
    "斜めから見た図\nat an angle",
    "正面（+Z 側から）\nfront, from +Z",
    "側面（-X 側から）\nside, from -X",
    "凡例\nkey",
]
# The key's texts, in the order of key_handles.
KEY = [
    "選択されている頂点\nselected vertex",
    "選択されていない頂点\nvertex not selected",
    "すべての下限・上限の内側\ninside every bound switched on",
    "範囲の外側の面\nsurface outside the range",
    "下限・上限の面（斜めの図）\nplane of a bound (angled view)\n"
    "範囲が開いている側へ\n向かって薄れる\nfades toward the open side\nof the range",
    "下限・上限とその値（正面・側面）\na bound, its value (front, side)",
]
# The angled view: degrees above and from +Z toward +X, and its perspective
# (the eye 6 half widths away); the size of every view as mplot3d takes it.
ELEVATION = 24
AZIMUTH = 38
FOCAL_LENGTH = 0.37
ZOOM = 1.7
# A plane of a bound is cut in TILES by TILES.
TILES = 12


# The points (NaN where a coordinate is not finite), the corners of the faces
# whose corners all are finite, the set of selected vertices, the indices of
# the points whose coordinates all are finite, and a tenth more than the
# farthest finite coordinate.
Mesh = namedtuple("Mesh", "points faces selected shown extent")


def main(argv=None):
    args = parse_args(argv)
    mesh, limits, words, title = read_run(args.run)
    font_manager.fontManager.addfont(FONT)
    rcParams["font.family"] = "IPAPGothic"  # FONT's
    rcParams["font.size"] = 11
    # In inches at 100 dpi: about 600 px wide, so that in a 500 px window the
    # 11 pt (15 px) labels read at about 12 px.
    fig = Figure(figsize=(6.1, 8.4), dpi=100)
    # The views in a grid of two by two, each 2.56 inches square: its margins
    # as fractions of the figure, its gaps (0.4 and 0.96 inches) of a view.
    fig.subplots_adjust(
        left=0.069,
        right=0.974,
        top=0.814,
        bottom=0.09,
        wspace=0.156,
        hspace=0.375,
    )
    fig.text(0.02, 0.985, "\n".join(title), fontsize=13, va="top")
    fig.text(0.02, 0.915, args.note_ja + "\n" + args.note, va="top")
    angled, front, side = [fig.add_subplot(221 + k, projection="3d") for k in range(3)]
    key = fig.add_subplot(224)
    for ax, caption in zip(fig.axes, CAPTIONS):
        ax.set_title(caption, loc="left")
        ax.set_axis_off()
    draw_view(angled, mesh, limits, ELEVATION, AZIMUTH, planes(limits, 1.3 * mesh.extent))
    angled.set_proj_type("persp", FOCAL_LENGTH)
    draw_flat(front, mesh, limits, words, 0, 2)
    draw_flat(side, mesh, limits, words, -90, 0)
    # The best place in axes with nothing in them: their top right corner.
    key.legend(key_handles(), KEY, frameon=False)
    pixels, size = FigureCanvasAgg(fig).print_to_buffer()
    write_png(Image.frombuffer("RGBA", size, pixels), args.out)


def parse_args(argv):
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument(
        "run",
        metavar="RUN.json",
        type=argparse.FileType(encoding="utf-8"),
    )
    parser.add_argument("out", metavar="OUT.png")
    parser.add_argument("--note", default="")
    parser.add_argument("--note-ja", default="")
    return parser.parse_args(argv)


def read_run(file):
    """The mesh, bounds and title of the run host.exe --json recorded in file;
    a file that is not such a record ends the program with one sentence."""
    try:
        with file:
            run = json.load(file)
        mesh = read_mesh(run)
        limits, words = read_bounds(run["bounds"])
        title = make_title(run, ", ".join(filter(None, words)))
    except (LookupError, TypeError, ValueError):
        sys.exit(f"plot_selection.py: {file.name} is not a run record of host.exe --json")
    return mesh, limits, words, title


def read_mesh(run):
    points = np.array(run["points"], dtype=float).reshape(-1, 3)  # null reads as NaN
    finite = np.isfinite(points).all(1)
    faces = [points[face] for face in run["faces"] if finite[face].all()]
    extent = 1.1 * np.abs(points[finite]).max(initial=0) or 1.0
    shown = np.flatnonzero(finite)
    return Mesh(points, faces, set(run["selected"]), shown, extent)


def read_bounds(bounds):
    """Per axis, lower and upper, the limit in force (infinite where none is, or
    its value is not finite), and per axis its bounds in the summary line's
    words ("-0.25 < Y"; "" for none)."""
    limits = np.array([[-np.inf, np.inf]] * 3)
    texts = np.full((3, 2), None)
    for bound in bounds:
        axis = "xyz".index(bound["axis"])
        side = ["lower", "upper"].index(bound["side"])
        texts[axis, side] = bound["shown"]
        if bound["value"] is not None:
            limits[axis, side] = bound["value"]
    return limits, list(map(axis_words, "XYZ", texts))


def axis_words(axis, texts):
    """An axis's bounds, their texts lower and upper (None if none), as the
    summary line shows them, or ""."""
    if not any(texts):
        return ""
    return " < ".join(filter(None, [texts[0], axis, texts[1]]))


def make_title(run, where):
    """The title in Japanese and English: what the run did, and where."""
    if run["operation"] is None:
        return "変更なし（ダイアログが開かなかった）", "Unchanged (the dialog did not open)"
    if not run["applied"]:
        return (
            "変更なし（%s：何もしなかった）" % (where or "範囲なし"),
            "Unchanged (%s: nothing done)" % (where or "no bound"),
        )
    done_ja, done_en = DONE[run["operation"]]
    if not where:
        return "全頂点" + done_ja, done_en + " no bound: every vertex"
    return where + " の内側の頂点" + done_ja, done_en + " " + where


def scene(mesh, limits, screen):
    """The faces (pale blue where their middle is inside every bound) and a
    disc facing the eye for each vertex, as (corners, fill, edge), screen the
    unit vectors to the right and up on it. A disc stands a little nearer than
    its vertex: sorted by their farthest corners, its own faces come before it
    and never cover it."""
    items = []
    for corners in mesh.faces:
        middle = corners.mean(0)
        inside = (limits[:, 0] < middle) & (middle < limits[:, 1])
        colour = INSIDE if inside.all() else SURFACE
        items.append((corners, colour, colour))  # the edge closes the seams
    angles = np.linspace(0, 2 * np.pi, 10)
    rim = np.c_[np.cos(angles), np.sin(angles), np.ones(10)]
    toward = np.cross(*screen)
    rim = rim @ [*screen, toward] * 0.019 * mesh.extent
    for i in mesh.shown:
        fill, edge = RED if i in mesh.selected else GREY
        items.append((mesh.points[i] + rim, fill, edge))
    return items


def planes(limits, far):
    """The planes of the bounds in force as tiles (corners, fill, edge), each
    across the other axes' range, reaching to far where that is open and
    fading out over that half."""
    ends = np.clip(limits, -far, far)
    steps = np.linspace(*ends.T, TILES + 1)
    closed = np.abs(limits) < far
    middles = np.arange(0.5, TILES) / TILES
    fades = np.array([
        np.interp(middles, [0, 0.5, 1], [lower, 1, upper])
        for lower, upper in closed
    ])
    items = []
    for k, side in np.argwhere(closed):
        across = [(k + 1) % 3, (k + 2) % 3]
        for i, j in np.ndindex(TILES, TILES):
            tile = np.full((4, 3), limits[k, side])
            corners = np.array([[i, j], [i + 1, j], [i + 1, j + 1], [i, j + 1]])
            tile[:, across] = steps[corners, across]
            level = fades[across, [i, j]].prod()
            items.append((tile, to_rgba(BOX, 0.1 * level), to_rgba(BOX, 0.7 * level)))
    return items


def draw_view(ax, mesh, limits, elevation, azimuth, extras, span=1.45):
    """The mesh seen from elevation and azimuth degrees, span extents every
    way, framed: the axes through the origin under everything, then the faces,
    vertex discs and extras, far to near. Returns how far the view reaches."""
    span *= mesh.extent
    reach = (-span, span)
    ax.set(xlim=reach, ylim=reach, zlim=reach)
    ax.set_box_aspect((1, 1, 1), zoom=ZOOM)
    ax.view_init(elevation, azimuth, vertical_axis="y")
    # The first rows of mplot3d's projection: the screen's x and y, in the
    # data's space (the axes' scales and aspect are equal).
    rows = ax.get_proj()[:2, :3]
    screen = rows / np.linalg.norm(rows[0])  # both as long
    ax.computed_zorder = False
    ax.patch.set(edgecolor=FRAME, linewidth=1)
    tips = np.eye(3) * 0.9 * span
    ax.quiver(0, 0, 0, *tips, color=FRAME, lw=0.8, arrow_length_ratio=0.05, zorder=0)
    for tip, name in zip(tips, "XYZ"):
        ax.text(*tip, name, zorder=0)
    items = scene(mesh, limits, screen) + extras
    if not items:
        return span
    corners, fills, edges = zip(*items)
    faces = Poly3DCollection(
        corners,
        facecolors=fills,
        edgecolors=edges,
        linewidths=0.5,
        zsort="max",
    )
    ax.add_collection3d(faces)
    return span


def draw_flat(ax, mesh, limits, words, azimuth, depth):
    """The view from azimuth degrees, axis depth along the line of sight: the
    mesh, the bounds in force across the view dashed lines labelled with their
    axis's words at their start, those along the line of sight a note under
    the view."""
    span = draw_view(ax, mesh, limits, 0, azimuth, [], 1.05)
    ax.set_proj_type("ortho")
    ax.texts[depth].remove()  # the name of the axis seen end on, in the middle
    for k, side in np.argwhere(np.abs(limits) < span):
        if k == depth:
            continue
        # Across the view, bottom to top or left to right: along the axis that
        # is neither the bound's nor the line of sight.
        line = np.outer([-span, span], np.eye(3)[3 - k - depth])
        line[:, k] = limits[k, side]
        ax.plot(*line.T, **DASHED)
        ax.text(*line[0], words[k], **LABEL)
    if words[depth]:
        ax.text2D(
            0,
            -0.1,
            "奥行き / in depth: " + words[depth],
            transform=ax.transAxes,
            **LABEL,
        )


def key_handles():
    """An empty line or shape for each entry of the key, in the order of KEY."""
    dots = [Line2D([], [], ls="", marker="o", ms=7, mfc=fill, mec=edge)
            for fill, edge in [RED, GREY]]
    return dots + [
        Patch(fc=INSIDE, ec=FRAME),
        Patch(fc=SURFACE, ec=FRAME),
        Patch(fc=INSIDE, ec=BOX),
        Line2D([], [], **DASHED),
    ]


def write_png(image, path):
    """Writes image, 8 bits a channel and no time stamp, as a palette if one
    holds its pixels."""
    image = image.convert("RGB")
    colours = image.getcolors(256)
    if colours:
        palette = image.quantize(len(colours))
        if palette.convert("RGB").tobytes() == image.tobytes():
            image = palette
    image.save(path, optimize=True)


if __name__ == "__main__":
    main()
