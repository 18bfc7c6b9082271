#!/usr/bin/env bash
# Runs a command with an X display: the caller's, or a virtual one (Xvfb)
# started for the command and stopped after it. Wine needs a display for
# windows and dialogs even when nobody looks at them.
set -euo pipefail
if [ -n "${DISPLAY:-}" ]; then
    exec "$@"
fi
display=""
for n in $(seq 90 130); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
        display=":$n"
        break
    fi
done
[ -n "$display" ] || { echo "with-display: no free display number" >&2; exit 1; }
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
stop() {
    # Wine's processes hold the display; end them before it goes away.
    # Waiting for each server to go, so that no process of it outlives the
    # display and reports "X connection ... broken".
    for prefix in "${CUBRIK_WINEPREFIX:-$here/../build/wineprefix}" \
                  "${CUBRIK_WINEPREFIX64:-$here/../build/wineprefix64}"; do
        [ -d "$prefix" ] || continue
        WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
        WINEPREFIX=$prefix wineserver -w 2>/dev/null || true
    done
    kill $xvfb 2>/dev/null || true
    wait $xvfb 2>/dev/null || true
}
trap stop EXIT
for _ in $(seq 100); do
    [ -e "/tmp/.X11-unix/X${display#:}" ] && break
    sleep 0.05
done
export DISPLAY=$display
"$@"
