#!/usr/bin/env bash
# usage: scripts/demo.sh [--win32 | --win64] [--interactive | --docs]
#
# Builds the plug-in and runs it as a user would: the stand-in host loads the sample sphere,
# binds cubrik.dll, opens the real dialog under Wine, enters a choice, presses OK and prints
# what the command did. Packs the release zip (build/win32/cubrik-1.00-win32.zip, or win64)
# on the way. Leaves in build/demo the host's output (summary.txt, selection.json) and two
# pictures: dialog.png (the dialog as Wine draws it, doubled) and selection.png
# (plot_selection.py's drawing of the sphere, the bounds in force, selected vertices red).
#
#   (no option)      the scripted run (on a virtual display if none)
#   --interactive    you answer the dialog yourself, for as long as you like (needs
#                    a display); selection.png then shows your choice, no dialog.png
#   --docs           the scripted run, then the pictures copied to docs/
#   --win64          any of the above with the 64-bit DLL and host (build/win64,
#                    cubrik-1.00-win64.zip); --win32, the default, the 32-bit ones
set -euo pipefail
. "$(dirname "$0")/help.sh" "$@"
cd "$(dirname "$0")/.."
root=$PWD

interactive=0
docs=0
platform=win32
for arg in "$@"; do
    case "$arg" in
        --interactive) interactive=1 ;;
        --docs) docs=1 ;;
        --win32 | --win64) platform=${arg#--} ;;
        *) usage_error "unknown argument '$arg'" ;;
    esac
done
[ $((interactive + docs)) -le 1 ] || usage_error "--interactive and --docs do not go together"
# A run for you needs a display you see, before anything is built for it.
if [ $interactive -eq 1 ] && [ -z "${DISPLAY:-}" ]; then
    echo "demo: --interactive opens the dialog on your display, and DISPLAY is not set:" \
        "run it in a desktop session, or set DISPLAY to your X display (DISPLAY=:0)" >&2
    exit 2
fi

scripts/setup.sh

echo "demo: building the plug-in, its release package and the stand-in host ($platform)"
cmake --preset $platform >/dev/null
cmake --build --preset $platform -j2 --target cubrik release_zip host >/dev/null
echo "demo: release package for users:" build/$platform/cubrik-*-$platform.zip

# Each run works in a fresh folder, so nothing of an earlier run can pass for this one's;
# its files replace the last run's in build/demo only once all exist: a failed run leaves them.
out=$root/build/demo
mkdir -p "$out"
work=$(mktemp -d "$out/.run.XXXXXX")
trap 'rm -rf "$work"' EXIT
# stop WHY: ends the run, saying why.
stop() {
    echo "demo: $1; build/demo keeps the files of the last run that finished" >&2
    exit 1
}

host=("$root/scripts/wine-run.sh" "../../$platform/host.exe" "../../$platform/cubrik.dll"
    ../../../samples/sphere.obj --select-below z 0 --json selection.json)
cd "$work"
if [ $interactive -eq 1 ]; then
    echo "demo: the dialog opens on your display; choose and press OK (no time limit)"
    drawn="your selection drawn in build/demo/selection.png"
else
    # The choice: upper X bound (on at start) typed as 0.30, then two spin clicks up to
    # 0.50; lower Y bound on at -0.25; mode 2, invert the selection. The back half of the
    # sphere (z < 0) starts selected, so inverting shows both ways. A spin click leaves its
    # edit box focused, its text highlighted; ticking the checkbox after the clicks takes
    # the focus (typing by script does not), so the picture shows no leftover highlight.
    script="type 1007 0.30; up 1012; up 1012; check 1010; type 1003 -0.25; mode 2"
    host+=(--script "$script; pause 300; snapshot dialog.bmp; ok")
    drawn="pictures in build/demo: dialog.png, selection.png"
    echo "demo: running the command under Wine"
fi
if ! "${host[@]}" | tee summary.txt; then
    stop "the stand-in host's run failed (exit status ${PIPESTATUS[0]}), as it says above"
fi
# Both pictures are written by the plotter's PNG writer (Debian's Python, which
# has python3-matplotlib and Pillow): 8 bits, no time stamp, a palette if it fits.
if [ $interactive -eq 0 ]; then
    PYTHONPATH="$root/scripts" /usr/bin/python3 -c 'from PIL import Image, ImageOps
from plot_selection import write_png
write_png(ImageOps.scale(Image.open("dialog.bmp"), 2, Image.NEAREST), "dialog.png")'
fi
/usr/bin/python3 "$root/scripts/plot_selection.py" selection.json selection.png \
    --note "the back half, Z < 0, was selected first" --note-ja "最初に球の後ろ半分 Z < 0 を選択"
mv -f ./*.png ./*.txt ./*.json "$out/"
echo "demo: $drawn"
if [ $docs -eq 1 ]; then
    cp "$out/dialog.png" "$out/selection.png" "$root/docs/"
    echo "demo: copied both to docs/"
fi
