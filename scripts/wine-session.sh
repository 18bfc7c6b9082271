#!/usr/bin/env bash
# usage: wine-session.sh start|stop PROGRAM.exe [ARGUMENTS...]
# Keeps one Wine server, with its services, alive in a program's prefix for
# a test run, so that each Wine program of the run finds them running: about
# 0.3 s a program instead of 1.3 s. CTest starts and stops it
# around the Wine tests (a fixture). Without DISPLAY it does nothing: each
# program then has a virtual display, and so a server, of its own.
#
#   start   makes the program's prefix (running it once through wine-run.sh)
#           if needed, then starts the kept server and its services, their
#           output in PREFIX.session.log, not the caller's (they outlive it)
#   stop    ends that prefix's server (whoever started it) and its programs
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/help.sh" "${1-}"
case "${1-}" in
    start | stop) [ $# -ge 2 ] || usage_error "$1 needs the program" ;;
    *) usage_error "expected start or stop" ;;
esac
[ -n "${DISPLAY:-}" ] || exit 0
# The prefix wine-run.sh picks for the program.
case $(file -b "$2") in
    PE32+*) export WINEPREFIX=${CUBRIK_WINEPREFIX64:-$here/../build/wineprefix64} ;;
    *) export WINEPREFIX=${CUBRIK_WINEPREFIX:-$here/../build/wineprefix} ;;
esac
if [ "$1" = stop ]; then
    wineserver -k 2>/dev/null || true
    exit 0
fi
log=$WINEPREFIX.session.log
: >"$log"
if [ ! -f "$WINEPREFIX/.cubrik-prefix-4" ]; then
    # The prefix is made first; the server of that run must end before a
    # kept one can start.
    "$here/wine-run.sh" "${@:2}" </dev/null >>"$log" 2>&1 || true
    wineserver -w
    [ -f "$WINEPREFIX/.cubrik-prefix-4" ] || { cat "$log"; exit 1; }
fi
# Kept 30 s past its last program, so that it ends by itself after a run
# that never stopped it; another run's server is used as it is.
wineserver -p30 >>"$log" 2>&1 || true
# A program that opens a window (rundll32 makes a hidden one) starts the
# desktop and the services; its own call does nothing.
LC_ALL=ja_JP.UTF-8 WINEDEBUG=-all wine rundll32.exe user32.dll,GetDesktopWindow </dev/null >>"$log" 2>&1 ||
    { cat "$log"; exit 1; }
