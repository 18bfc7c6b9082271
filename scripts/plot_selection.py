#!/usr/bin/python3
"""Draws a run of the stand-in host, as host.exe --json records it, to a PNG: the mesh at an
angle, from the front (+Z) and from the side (-X), selected vertices red on a surface (pale
blue inside the range) that hides what is behind it, and the bounds in force: planes fading
where the range is open, or dashed lines labelled as the summary line shows them. Captions
in Japanese and English; the same run gives the same file. A file that is not such a record
is refused in one sentence (exit status 1)."""
# The angled view is mplot3d's: it sorts the faces, the vertex discs and the
# planes' tiles far to near, as one Poly3DCollection. The front and side views
# are plain axes whose polygons are sorted along the line of sight here:
# mplot3d's flat views put the ticks on the far sides and pile the third
# axis's tick labels up in the corners.
import argparse
import json
import sys
from typing import NamedTuple

import numpy as np
from matplotlib import font_manager, rcParams
from matplotlib.backends.backend_agg import FigureCanvasAgg
from matplotlib.collections import PolyCollection
from matplotlib.colors import to_rgb, to_rgba
from matplotlib.figure import Figure
from matplotlib.lines import Line2D
from matplotlib.patches import Patch
from mpl_toolkits.mplot3d.art3d import Poly3DCollection
from PIL import Image

FONT = "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf"  # kana and Latin
STYLE = {
    "font.family": "IPAPGothic",  # FONT's
    "font.size": 11,
    "text.color": "#222222",
    "axes.unicode_minus": False,  # a hyphen, as the summary line writes it
    "axes.edgecolor": "#999999",
    "xtick.color": "#444444",
    "ytick.color": "#444444",
}
RED = ("#d62d20", "#8c1a12")  # a selected vertex's fill and edge
GREY = ("#a0a0a0", "#606060")  # an unselected one's
BOX = "#1a5fd0"
INSIDE = "#cfe0fb"
SURFACE = "#f2f2f2"
DASHED = dict(
    color=BOX,
    ls=(0, (4, 2)),  # 4 points on, 2 off
    lw=1.8,
    zorder=3,
)
LABEL = dict(
    color=BOX,
    zorder=4,
    bbox=dict(fc="white", ec="none", alpha=0.8, pad=1),
)
# By operation index: its English name, and what the title says was done.
DONE = [
    ("select", "を選択した結果", "After selecting the vertices inside"),
    ("deselect", "を選択から外した結果", "After deselecting the vertices inside"),
    ("invert", "の選択を反転した結果", "After inverting the selection inside"),
    ("random", "をランダムに選択した結果", "After randomly selecting the vertices inside"),
]
SIDES = ["lower", "upper"]
# The key's texts, in the order of key_handles, and its place.
KEY = [
    "選択されている頂点\nselected vertex",
    "選択されていない頂点\nvertex not selected",
    "すべての下限・上限の内側\ninside every bound in force",
    "範囲の外側の面\nsurface outside the range",
    "下限・上限の面（斜めの図）\nplane of a bound (angled view)\n"
    "範囲が開いている側へ薄れて消える\nfades where the range is open",
    "下限・上限とその値（正面・側面）\na bound, its value (front, side)",
]
LEGEND = dict(
    loc="upper left",
    bbox_to_anchor=(-0.03, 1.0),
    frameon=False,
    handlelength=1.6,
    labelspacing=0.7,
    borderaxespad=0,
)
# In inches at 100 dpi: about 600 px wide, so that in a 500 px window the
# 11 pt (15 px) labels read at about 12 px.
WIDTH = 6.1
HEIGHT = 8.1
VIEW = 2.56
# Each view's top left corner, its projection and its caption.
VIEWS = [
    (0.42, 1.56, "3d", "斜めから見た図", "at an angle"),
    (3.38, 1.56, None, "正面（+Z 側から）", "front, from +Z"),
    (0.42, 5.08, None, "側面（-X 側から）", "side, from -X"),
    (3.38, 5.08, None, "凡例", "key"),
]
# The angled view: degrees above and from +Z toward +X, and its perspective
# (the eye 6 half widths away) and size as mplot3d takes them.
ELEVATION = 24
AZIMUTH = 38
FOCAL_LENGTH = 0.37
ZOOM = 1.7
# A plane's tile, as steps along its two axes from its first corner.
ALONG = np.array([0, 1, 1, 0])
ACROSS = np.array([0, 0, 1, 1])


class Mesh(NamedTuple):
    points: np.ndarray  # NaN where a coordinate is not finite
    faces: list  # the corners of those whose corners all are finite
    selected: set
    reach: float  # how far a face reaches from its middle
    extent: float  # the flat views' half width


def main(argv=None):
    args = parse_args(argv)
    mesh, limits, texts, title = read_run(args.run)
    font_manager.fontManager.addfont(FONT)
    rcParams.update(STYLE)
    fig = Figure(figsize=(WIDTH, HEIGHT), dpi=100)
    write_lines(fig, title + (args.note_ja, args.note))
    angled, front, side, key = [add_view(fig, *view) for view in VIEWS]
    draw_angled(angled, mesh, limits)
    draw_flat(front, mesh, limits, texts, "XYZ", 0)
    draw_flat(side, mesh, limits, texts, "ZYX", -90)
    key.set_axis_off()
    key.legend(key_handles(), KEY, **LEGEND)
    canvas = FigureCanvasAgg(fig)
    canvas.draw()
    pixels = np.asarray(canvas.buffer_rgba())
    write_png(Image.fromarray(pixels), args.out)


def parse_args(argv):
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument(
        "run",
        metavar="RUN.json",
        type=argparse.FileType(encoding="utf-8"),
        help="the file host.exe --json wrote",
    )
    parser.add_argument("out", metavar="OUT.png")
    parser.add_argument("--note", help="a line under the title")
    parser.add_argument("--note-ja", help="the same in Japanese")
    return parser.parse_args(argv)


def read_run(file):
    """The mesh, bounds and title of the run host.exe --json recorded in file;
    a file that is not such a record ends the program with one sentence."""
    name = file.name
    try:
        with file:
            run = json.load(file)
        mesh = read_mesh(run)
        limits, texts = read_bounds(run["bounds"])
        title = make_title(run, texts)
    except json.JSONDecodeError as error:
        sys.exit(f"plot_selection.py: {name} is not JSON: {error}")
    except (KeyError, IndexError, TypeError, ValueError):
        sys.exit(f"plot_selection.py: {name} is not a run record of host.exe --json")
    return mesh, limits, texts, title


def read_mesh(run):
    points = np.array(run["points"], dtype=float)  # null reads as NaN
    points = points.reshape(-1, 3)
    faces = []
    for face in run["faces"]:
        corners = points[face]
        if np.isfinite(corners).all():
            faces.append(corners)
    reach = max(map(face_reach, faces), default=0.0)
    selected = set(run["selected"])
    return Mesh(points, faces, selected, reach, half_width(points))


def face_reach(corners):
    offsets = corners - corners.mean(0)
    return np.linalg.norm(offsets, axis=1).max()


def half_width(points):
    """A tenth more than the farthest finite coordinate; 1 if there is none."""
    if not np.isfinite(points).any():
        return 1.0
    return 1.1 * np.nanmax(np.abs(points))


def read_bounds(bounds):
    """Per axis, lower and upper: the limit in force (infinite where none is, or
    its value is not finite) and its text in the summary line (None if none)."""
    limits = np.full((3, 2), np.inf)
    limits[:, 0] = -np.inf
    texts = np.full((3, 2), None)
    for bound in bounds:
        axis = "xyz".index(bound["axis"])
        side = SIDES.index(bound["side"])
        texts[axis, side] = bound["shown"]
        if bound["value"] is not None:
            limits[axis, side] = bound["value"]
    return limits, texts


def axis_words(axis, texts):
    """An axis's bounds as the summary line shows them ("-0.25 < Y"), or ""."""
    lower, upper = texts
    if not lower and not upper:
        return ""
    words = [lower, axis, upper]
    return " < ".join(filter(None, words))


def make_title(run, texts):
    """The title in Japanese and English: what the run did, and where."""
    words = map(axis_words, "XYZ", texts)
    where = ", ".join(filter(None, words))
    if run["operation"] is None:
        return "変更なし（ダイアログが開かなかった）", "Unchanged (the dialog did not open)"
    name, done_ja, done_en = DONE[run["operation"]]
    if not run["applied"]:
        chosen = where or "範囲なし", run["operation_name"]
        ja = "変更なし（%s、「%s」：何もしなかった）" % chosen
        en = "Unchanged (%s, %s: nothing done)" % (where or "no bound", name)
        return ja, en
    if not where:
        return "全頂点" + done_ja, done_en + " no bound: every vertex"
    return where + " の内側の頂点" + done_ja, done_en + " " + where


def write_lines(fig, lines):
    """The title and notes at the top, those that are not empty."""
    top = 0.3
    for text, size in zip(lines, [13.5, 11.5, 11, 11]):
        if not text:
            continue
        fig.text(0.14 / WIDTH, 1 - top / HEIGHT, text, fontsize=size)
        top += 0.22


def add_view(fig, left, top, projection, caption_ja, caption_en):
    """A view's axes, its top left corner left and top inches in, captioned."""
    x = left / WIDTH
    y = 1 - top / HEIGHT
    fig.text(x, y + 0.31 / HEIGHT, caption_ja, fontsize=12)
    fig.text(x, y + 0.1 / HEIGHT, caption_en, color="#444444")
    box = [x, y - VIEW / HEIGHT, VIEW / WIDTH, VIEW / HEIGHT]
    return fig.add_axes(box, projection=projection, facecolor="#fbfbfb")


def camera(elevation, azimuth):
    """Unit vectors toward the eye, to the right and up on the screen, from
    elevation degrees above and azimuth degrees from +Z toward +X (as mplot3d
    turns its camera with Y up)."""
    rise, turn = np.radians([elevation, azimuth])
    toward = np.array([
        np.cos(rise) * np.sin(turn),
        np.sin(rise),
        np.cos(rise) * np.cos(turn),
    ])
    right = np.array([
        np.cos(turn),
        0,
        -np.sin(turn),
    ])
    return toward, right, np.cross(toward, right)


def scene(mesh, limits, view):
    """The faces and a disc facing the eye for each vertex, as (corners, fill,
    edge). A disc stands a face's reach nearer than its vertex, so that once
    sorted far to near its own faces never cover it."""
    toward, right, up = view
    items = []
    for corners in mesh.faces:
        colour = face_colour(corners, limits, toward)
        items.append((corners, colour, colour))  # the edge closes the seams
    angles = np.linspace(0, 2 * np.pi, 10)
    rim = np.outer(np.cos(angles), right)
    rim += np.outer(np.sin(angles), up)
    rim *= 0.019 * mesh.extent
    shown = np.isfinite(mesh.points).all(1)
    for i in np.flatnonzero(shown):
        fill, edge = RED if i in mesh.selected else GREY
        disc = mesh.points[i] + mesh.reach * toward + rim
        items.append((disc, fill, edge))
    return items


def face_colour(corners, limits, toward):
    """Pale blue if the face's middle is inside every bound; lit from the eye,
    so that a face turned away from it is a little darker."""
    middle = corners.mean(0)
    above = limits[:, 0] < middle
    below = middle < limits[:, 1]
    base = to_rgb(INSIDE if all(above & below) else SURFACE)
    first, second, third = corners[:3]
    normal = np.cross(second - first, third - first)
    size = np.linalg.norm(normal) or 1
    light = 0.8 + 0.2 * abs(normal @ toward) / size
    return tuple(np.array(base) * light)


def planes(limits, far, n=12):
    """The planes of the bounds in force as n by n tiles (corners, fill, edge),
    each across the other axes' range, reaching to far where that is open and
    fading out over that half; none across an empty range."""
    ends = np.clip(limits, -far, far)
    empty = ends[:, 0] >= ends[:, 1]
    steps = np.linspace(ends[:, 0], ends[:, 1], n + 1)  # each axis cut in n
    fades = [fade(limit, far, n) for limit in limits]
    items = []
    for k, side in np.argwhere(np.abs(limits) < far):
        a = (k + 1) % 3
        b = (k + 2) % 3
        if empty[a] or empty[b]:
            continue
        levels = np.outer(fades[a], fades[b])
        for i, j in np.ndindex(n, n):
            tile = np.full((4, 3), limits[k, side])
            tile[:, a] = steps[i + ALONG, a]
            tile[:, b] = steps[j + ACROSS, b]
            fill = to_rgba(BOX, 0.1 * levels[i, j])
            edge = to_rgba(BOX, 0.7 * levels[i, j])
            items.append((tile, fill, edge))
    return items


def fade(limit, far, n):
    """Across an axis cut in n: 1 where the range is closed, fading to 0 toward
    an open end."""
    lower, upper = limit
    middles = (np.arange(n) + 0.5) / n
    strengths = [lower >= -far, 1, upper <= far]
    return np.interp(middles, [0, 0.5, 1], strengths)


def polygons(kind, corners, items):
    """A collection of kind, PolyCollection or mplot3d's Poly3DCollection."""
    fills = [item[1] for item in items]
    edges = [item[2] for item in items]
    return kind(corners, facecolors=fills, edgecolors=edges, linewidths=0.5)


def draw_angled(ax, mesh, limits):
    """The axes through the origin under everything, then mplot3d's drawing of
    the faces, vertex discs and the planes' tiles, far to near."""
    span = 1.45 * mesh.extent
    ax.set_xlim(-span, span)
    ax.set_ylim(-span, span)
    ax.set_zlim(-span, span)
    ax.set_box_aspect((1, 1, 1), zoom=ZOOM)
    ax.set_proj_type("persp", FOCAL_LENGTH)
    ax.view_init(ELEVATION, AZIMUTH, vertical_axis="y")
    ax.computed_zorder = False
    ax.set_axis_off()
    ax.patch.set(edgecolor="#999999", linewidth=1)
    ends = np.array([-1, 1.4]) * mesh.extent
    for k, name in enumerate("XYZ"):
        axis = np.outer(ends, np.eye(3)[k])
        ax.plot(*axis.T, color="#b0b0b0", lw=0.8, zorder=0)
        tip = axis[1] + 0.03 * mesh.extent
        ax.text(*tip, name, color="#555555")
    items = scene(mesh, limits, camera(ELEVATION, AZIMUTH))
    items += planes(limits, span / 1.1)
    corners = [item[0] for item in items]
    ax.add_collection3d(polygons(Poly3DCollection, corners, items))


def draw_flat(ax, mesh, limits, texts, names, azimuth):
    """The view from azimuth degrees, names[0] to the right, names[1] up and
    names[2] along the line of sight: the mesh, its frame and the bounds."""
    view = camera(0, azimuth)
    ax.add_collection(flat_polygons(scene(mesh, limits, view), view))
    extent = mesh.extent
    ax.axis([-extent, extent, -extent, extent])
    ax.locator_params(nbins=3, steps=[1, 2, 5, 10])
    ax.minorticks_on()
    ax.set_xlabel(names[0] + " →", loc="right", labelpad=1)
    corner = (0.02, 0.98)
    ax.annotate("↑ " + names[1], corner, xycoords="axes fraction", va="top")
    draw_bounds(ax, limits, texts, names, extent)


def draw_bounds(ax, limits, texts, names, extent):
    """The range a pale rectangle behind the mesh, the bounds in force across
    and up dashed lines with their values, those along the line of sight a
    note."""
    across, up, depth = ["XYZ".index(name) for name in names]
    if all(limits[:, 0] < limits[:, 1]):
        (x0, x1), (y0, y1) = np.clip(limits[[across, up]], -extent, extent)
        ax.fill_between([x0, x1], y0, y1, color=INSIDE, zorder=0)
    for value, text in zip(limits[across], texts[across]):
        if np.isfinite(value):
            ax.axvline(value, **DASHED)
            label = f" {names[0]} = {text}"
            ax.text(value, 0.72 * extent, label, **LABEL)
    for value, text in zip(limits[up], texts[up]):
        if np.isfinite(value):
            ax.axhline(value, **DASHED)
            label = f"{names[1]} = {text}"
            ax.text(0.95 * extent, value, label, **LABEL, ha="right", va="bottom")
    words = axis_words(names[2], texts[depth])
    if words:
        label = "奥行き / in depth: " + words
        ax.text(-0.96 * extent, -0.96 * extent, label, **LABEL)


def flat_polygons(items, view):
    """The items seen along the line of sight, far to near, so that the near
    surface hides what lies behind it."""
    toward, right, up = view
    items = sorted(items, key=lambda item: np.mean(item[0] @ toward))
    screen = np.stack([right, up], 1)
    corners = [item[0] @ screen for item in items]
    return polygons(PolyCollection, corners, items)


def key_handles():
    """An empty line or shape for each entry of the key, in the order of KEY."""
    dot = dict(
        xdata=[],
        ydata=[],
        ls="",
        marker="o",
        ms=7,
    )
    return [
        Line2D(mfc=RED[0], mec=RED[1], **dot),
        Line2D(mfc=GREY[0], mec=GREY[1], **dot),
        Patch(fc=INSIDE, ec="#999999"),
        Patch(fc=SURFACE, ec="#999999"),
        Patch(fc=to_rgba(BOX, 0.2), ec=BOX),
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
