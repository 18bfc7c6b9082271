#!/usr/bin/env bash
# usage: wine-session.sh start|stop PROGRAM.exe
# Keeps one Wine server, with its services, alive in a program's prefix for
# a test run, so that each Wine program of the run finds them running: about
# 0.3 s a program instead of 1.3 s. CTest starts and stops it
# around the Wine tests (a fixture). Without DISPLAY it does nothing: each
# program then has a virtual display, and so a server, of its own.
#
#   start   makes the program's prefix if needed (wine-run.sh --prefix picks
#           and makes it), then starts the kept server and its services, their
#           output in PREFIX.session.log, not the caller's (they outlive it)
#   stop    ends that prefix's server (whoever started it) and its programs
set -euo pipefail
. "$(dirname "$0")/help.sh" "$@"
if [[ $# -ne 2 || ( $1 != start && $1 != stop ) ]]; then
    usage_error "expected start or stop, then the program, not: $*"
fi
[ -n "${DISPLAY:-}" ] || exit 0
WINEPREFIX=$("$(dirname "$0")/wine-run.sh" --prefix "$2")
export WINEPREFIX
if [ "$1" = stop ]; then
    wineserver -k 2>/dev/null || true
    exit 0
fi
# Kept 30 s past its last program, so that it ends by itself after a run
# that never stopped it; another run's server is used as it is.
log=$WINEPREFIX.session.log
wineserver -p30 >"$log" 2>&1 || true
# A program that opens a window (rundll32 makes a hidden one) starts the
# desktop and the services; its own call does nothing.
if ! LC_ALL=ja_JP.UTF-8 WINEDEBUG=-all wine rundll32.exe user32.dll,GetDesktopWindow </dev/null >>"$log" 2>&1; then
    cat "$log"
    exit 1
fi
