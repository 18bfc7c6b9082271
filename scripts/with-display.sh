#!/usr/bin/env bash
# Runs a command with an X display: the caller's, or a virtual one (Xvfb)
# started for the command and stopped after it. Wine needs a display for
# windows and dialogs even when nobody looks at them.
#
# Xvfb picks a free display number itself (-displayfd), so runs started at
# the same time never race for one; when Xvfb cannot start, the script says
# what it said and exits 1 without running the command.
#
# Clean-up ends only what this run started: its Xvfb, and a wineserver only
# when a program of this run started it. Other runs (another demo or test in
# the same prefix, on their own display) keep their wineserver and programs.
set -euo pipefail
if [ -n "${DISPLAY:-}" ]; then
    exec "$@"
fi
[ $# -gt 0 ] || { echo "usage: with-display.sh COMMAND [ARGUMENTS...]" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/with-display.XXXXXX")
mkfifo "$work/number"
# Xvfb writes the display's number to fd 3 once it accepts clients, then
# closes it; if it fails first, the reader gets end-of-file instead.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/number" >"$work/xvfb.log" 2>&1 &
xvfb=$!
number=""
read -r -t 60 number <"$work/number" || true
if ! [[ "$number" =~ ^[0-9]+$ ]]; then
    kill "$xvfb" 2>/dev/null || true
    status=0
    wait "$xvfb" 2>/dev/null || status=$?
    echo "with-display: the virtual display (Xvfb) did not start (exit status $status); it said:" >&2
    tail -n 20 "$work/xvfb.log" | sed 's/^/  /' >&2
    rm -rf "$work"
    exit 1
fi
display=:$number

# Every process this run starts carries this mark in its environment, and so
# does a wineserver that one of them starts: Wine's processes hand their
# environment on. A wineserver without it belongs to another run.
mark=$display/$xvfb/$$
export CUBRIK_DISPLAY_RUN=$mark

# Whether process PID is a wineserver that a program of this run started.
own_wineserver() {
    # (A process that has ended, even if not yet reaped, has no environment.)
    [[ "$(cat "/proc/$1/comm" 2>/dev/null)" == wineserver* ]] &&
        { tr '\0' '\n' <"/proc/$1/environ"; } 2>/dev/null | grep -qxF "CUBRIK_DISPLAY_RUN=$mark"
}

stop() {
    # Wine's processes hold the display: a wineserver this run started goes
    # before the display does. Once its programs have ended it stops by
    # itself (and ends its desktop and services) a few seconds later; one
    # still there after a minute serves only programs that would lose their
    # display anyway, and is ended with its programs. Waiting for each to go
    # keeps any of its processes from outliving the display and reporting
    # "X connection ... broken". Servers are told apart by process id, so a
    # server that another run starts meanwhile in the same prefix is left
    # alone.
    local dir pid prefix
    for dir in /proc/[0-9]*; do
        pid=${dir#/proc/}
        own_wineserver "$pid" || continue
        prefix=$({ tr '\0' '\n' <"$dir/environ"; } 2>/dev/null | sed -n 's/^WINEPREFIX=//p')
        for _ in $(seq 600); do
            own_wineserver "$pid" || break
            sleep 0.1
        done
        if own_wineserver "$pid"; then
            WINEPREFIX=${prefix:-$HOME/.wine} wineserver -k 2>/dev/null || true
            for _ in $(seq 100); do
                own_wineserver "$pid" || break
                sleep 0.1
            done
        fi
    done
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap stop EXIT
trap 'exit 143' TERM INT HUP  # so that a stopped run cleans up too

export DISPLAY=$display
"$@"
