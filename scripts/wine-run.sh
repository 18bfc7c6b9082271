#!/usr/bin/env bash
# Runs a Windows program of the win32 or win64 build under Wine the way the
# tests and the demo need it: a private prefix under build/ of the program's
# own bitness, Japanese ANSI code page 932, no crash dialog (a crash ends the
# program with a message instead of waiting for a click), a virtual display
# when there is none, and a time limit.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# The program's PE machine field: a win32 prefix cannot start a 64-bit
# program, so a 64-bit one gets a win64 prefix of its own, and a 32-bit one
# keeps the plain win32 prefix it has always had.
pe_machine() {
    local offset
    offset=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ') || return 0
    [ -n "$offset" ] && od -An -tx2 -j$((offset + 4)) -N2 "$1" 2>/dev/null | tr -d ' '
}
program=${1:-}
if [ -f "$program" ] && [ "$(pe_machine "$program")" = "8664" ]; then
    export WINEARCH=win64
    export WINEPREFIX=${CUBRIK_WINEPREFIX64:-$here/../build/wineprefix64}
else
    export WINEARCH=win32
    export WINEPREFIX=${CUBRIK_WINEPREFIX:-$here/../build/wineprefix}
fi
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

mkdir -p "$(dirname "$WINEPREFIX")"
(
    flock 9
    if [ ! -f "$WINEPREFIX/.cubrik-prefix-3" ]; then
        echo "wine-run: creating the Wine prefix $WINEPREFIX (about 10 s, once)" >&2
        env LC_ALL=ja_JP.UTF-8 wineboot -i >/dev/null 2>&1 || true
        # No debugger on a crash: the program ends and the caller sees it.
        wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
            /v Debugger /d '' /f >/dev/null 2>&1
        wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
            /v Auto /d 1 /f >/dev/null 2>&1
        # One virtual desktop window holds every window: Wine draws the title
        # bars itself, and a closing dialog need not wait for a window manager
        # that is not there (about a second per dialog otherwise).
        wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
        # Wine draws the title bar's buttons with Marlett. Tahoma stays out on
        # purpose: it has no Japanese glyphs, and without it the dialog's font
        # falls back to one that has them, as a Japanese Windows links it.
        cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
        wineserver -w
        touch "$WINEPREFIX/.cubrik-prefix-3"
    fi
) 9>"$WINEPREFIX.lock"

# The Japanese locale gives the programs ANSI code page 932; glibc needs no
# such locale installed for Wine to take it.
exec env LC_ALL=ja_JP.UTF-8 timeout --kill-after=5 "${CUBRIK_WINE_TIMEOUT:-100}" wine "$@"
