#!/usr/bin/env bash
# Builds the plug-in and runs it as a user would: the stand-in host loads the
# sample sphere, binds cubrik.dll, opens the real dialog under Wine, enters a
# choice, presses OK and prints what the command did. Packs the release zip
# (build/win32/cubrik-1.00-win32.zip) on the way. Leaves two pictures in
# build/demo: dialog.png (the dialog as Wine draws it) and selection.png (the
# sphere's vertices, the selected ones highlighted, the bounds drawn).
#
#   scripts/demo.sh                the scripted run (on a virtual display if none)
#   scripts/demo.sh --interactive  you answer the dialog yourself (needs a display)
#   scripts/demo.sh --docs         the scripted run, then the pictures copied to docs/
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$PWD

interactive=0 docs=0
case "${1:-}" in
    --interactive) interactive=1 ;;
    --docs) docs=1 ;;
    "") ;;
    *) echo "usage: scripts/demo.sh [--interactive | --docs]"; exit 2 ;;
esac

"$root/scripts/setup.sh"

echo "demo: building the plug-in, its release package and the stand-in host (win32)"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j"$(nproc)" --target cubrik release_zip host >/dev/null
echo "demo: release package for users:" build/win32/cubrik-*-win32.zip

out=$root/build/demo
mkdir -p "$out"
rm -f "$out"/dialog.bmp "$out"/selection.txt

# The choice: lower Y bound on at -0.25; upper X bound (on at start) typed as
# 0.30, then two spin clicks up to 0.50; mode 2, invert the selection. The
# back half of the sphere (z < 0) starts selected, so inverting shows both ways.
script="check 1010; type 1003 -0.25; type 1007 0.30; up 1012; up 1012; mode 2"
script="$script; pause 300; snapshot dialog.bmp; ok"

cd "$out"
if [ $interactive -eq 1 ]; then
    [ -n "${DISPLAY:-}" ] || { echo "demo: --interactive needs a display"; exit 2; }
    echo "demo: the dialog opens on your display; choose and press OK"
    "$root/scripts/wine-run.sh" ../win32/host.exe ../win32/cubrik.dll ../../samples/sphere.obj \
        --select-below z 0 --selection-out selection.txt
    exit 0
fi

echo "demo: running the command under Wine (the first run creates a Wine prefix, about 10 s)"
"$root/scripts/with-display.sh" "$root/scripts/wine-run.sh" ../win32/host.exe ../win32/cubrik.dll ../../samples/sphere.obj \
    --select-below z 0 --script "$script" --selection-out selection.txt | tr -d '\r'

convert dialog.bmp -scale 200% dialog.png
python3 "$root/scripts/plot_selection.py" ../../samples/sphere.obj selection.txt selection.mvg \
    --ymin -0.25 --xmax 0.5 \
    --title "sphere.obj after -0.25 < y, x < 0.50, invert (the back half, z < 0, was selected)"
convert mvg:selection.mvg selection.png
rm -f dialog.bmp
echo "demo: pictures in build/demo: dialog.png, selection.png"
if [ $docs -eq 1 ]; then
    cp dialog.png selection.png "$root/docs/"
    echo "demo: copied both to docs/"
fi
