#!/usr/bin/env bash
# Runs a command while one Wine server is kept alive for a prefix, so that
# every Wine program the command starts there (through wine-run.sh) finds the
# server, the desktop and the services already running: about 0.5 s a
# program instead of 1.5 s.
#
#   wine-session.sh PROGRAM.exe COMMAND [ARGUMENTS...]
#
# PROGRAM picks the prefix as wine-run.sh does (by its bitness); the prefix is
# made first when it is not there yet. When a server already serves the prefix
# (another run's), the command uses it as it is and it is left alone.
# Otherwise the server started here lives until the command ends, and then it,
# and only it, is ended with every process it serves, its desktop and services
# among them (a run that joined it meanwhile loses its programs too).
#
# The desktop and the services start here, with their output in a log beside
# the prefix: a Wine program that starts them hands them its standard error,
# and with a server that lives on they would hold a test's output pipe open,
# and its reader (CTest, a $(...)) would wait for ever.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
if [ $# -lt 2 ]; then
    echo "usage: wine-session.sh PROGRAM.exe COMMAND [ARGUMENTS...]" >&2
    exit 2
fi
if [ -z "${DISPLAY:-}" ]; then
    exec "$here/with-display.sh" "$0" "$@"
fi
settings=$("$here/wine-run.sh" --prepare "$1")
shift
WINEARCH=$(sed -n 's/^WINEARCH=//p' <<<"$settings")
WINEPREFIX=$(sed -n 's/^WINEPREFIX=//p' <<<"$settings")
export WINEARCH WINEPREFIX WINEDEBUG=-all

log=$WINEPREFIX.session.log
: >"$log"
# -f keeps it in the foreground, so that $! is the server itself; it exits at
# once when another server holds the prefix.
wineserver -f -p </dev/null >>"$log" 2>&1 &
server=$!
# A program that opens a window (rundll32 makes a hidden one) starts the
# desktop and the services; its own call does nothing.
env LC_ALL=ja_JP.UTF-8 wine rundll32.exe user32.dll,GetDesktopWindow </dev/null >>"$log" 2>&1 ||
    true
if ! kill -0 "$server" 2>/dev/null; then
    wait "$server" 2>/dev/null || true
    exec "$@"
fi

end_server() {
    # The server would leave its desktop and services behind when told to
    # stop (SIGTERM ends it at once, and they wait for a server that is gone,
    # for ever): -k ends every process of this prefix's server, which is ours
    # while it runs, and then the server itself.
    if kill -0 "$server" 2>/dev/null; then wineserver -k 2>/dev/null || true; fi
    for _ in $(seq 300); do
        kill -0 "$server" 2>/dev/null || break
        sleep 0.1
    done
    wait "$server" 2>/dev/null || true
}
trap end_server EXIT
trap 'exit 143' TERM INT HUP
status=0
"$@" || status=$?
exit $status
