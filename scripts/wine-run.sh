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
    if [ ! -f "$WINEPREFIX/.cubrik-prefix-4" ]; then
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
        # Fonts as a Japanese Windows has them: Wine draws the title bar's
        # buttons with Marlett; the dialog names 9 pt Tahoma, which draws the
        # Latin text, and Tahoma's font link supplies the Japanese glyphs from
        # a Japanese UI font whose kana are proportional (IPA P Gothic here);
        # text is smoothed in grey where a font's own table allows it (Tahoma
        # at 9 pt draws crisp, from its bitmaps, on Windows too).
        cp /usr/share/wine/fonts/marlett.ttf /usr/share/wine/fonts/tahoma.ttf \
            /usr/share/wine/fonts/tahomabd.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
        env LC_ALL=ja_JP.UTF-8 wine reg add \
            'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
            /v Tahoma /t REG_MULTI_SZ /d 'ipagp.ttf,IPAPGothic' /f >/dev/null 2>&1
        # The title bars' font, MS Shell Dlg, is MS UI Gothic on a Japanese
        # Windows: the same proportional face answers to that name.
        env LC_ALL=ja_JP.UTF-8 wine reg add 'HKCU\Software\Wine\Fonts\Replacements' \
            /v 'MS UI Gothic' /d 'IPAPGothic' /f >/dev/null 2>&1
        for setting in 'FontSmoothing /d 2' 'FontSmoothingType /t REG_DWORD /d 1'; do
            # shellcheck disable=SC2086 # each entry is "name and its arguments"
            env LC_ALL=ja_JP.UTF-8 wine reg add 'HKCU\Control Panel\Desktop' /v $setting /f >/dev/null 2>&1
        done
        wineserver -w
        touch "$WINEPREFIX/.cubrik-prefix-4"
    fi
) 9>"$WINEPREFIX.lock"

# The Japanese locale gives the programs ANSI code page 932; glibc needs no
# such locale installed for Wine to take it.
exec env LC_ALL=ja_JP.UTF-8 timeout --kill-after=5 "${CUBRIK_WINE_TIMEOUT:-100}" wine "$@"
