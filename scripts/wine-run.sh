#!/usr/bin/env bash
# Runs a Windows program of the win32 or win64 build under Wine the way the
# tests and the demo need it: a private prefix under build/ of the program's
# own bitness, Japanese ANSI code page 932, no crash dialog (a crash ends the
# program with a message instead of waiting for a click), and a virtual
# display when there is none.
#
# A run is interactive when CUBRIK_INTERACTIVE=1, or when the program is
# host.exe without --script (its dialog then waits for the user); every other
# run is unattended (CUBRIK_INTERACTIVE=0 makes any run so). An interactive run
# needs the user's display and has no time limit: without DISPLAY it stops at
# once. An unattended run gets a virtual display when there is none, and a
# time limit: CUBRIK_WINE_TIMEOUT seconds (default 100; 0: none).
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
target=${1:-}
if [ -f "$target" ] && [ "$(pe_machine "$target")" = "8664" ]; then
    export WINEARCH=win64
    export WINEPREFIX=${CUBRIK_WINEPREFIX64:-$here/../build/wineprefix64}
else
    export WINEARCH=win32
    export WINEPREFIX=${CUBRIK_WINEPREFIX:-$here/../build/wineprefix}
fi
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

program=$(basename "${1:?usage: wine-run.sh PROGRAM.exe [ARGUMENTS...]}")
interactive=${CUBRIK_INTERACTIVE:-}
if [ -z "$interactive" ]; then
    interactive=0
    if [ "${program,,}" = host.exe ]; then
        interactive=1
        for a in "${@:2}"; do
            case "$a" in --script | --help | -h) interactive=0 ;; esac
        done
    fi
fi
case "$interactive" in
    0 | 1) ;;
    *) echo "wine-run: CUBRIK_INTERACTIVE is 0 or 1, not '$interactive'" >&2; exit 2 ;;
esac
limit=${CUBRIK_WINE_TIMEOUT:-100}
if ! [[ "$limit" =~ ^[0-9]+$ ]]; then
    echo "wine-run: CUBRIK_WINE_TIMEOUT is a whole number of seconds (0: no limit), not '$limit'" >&2
    exit 2
fi

if [ -z "${DISPLAY:-}" ]; then
    if [ "$interactive" = 1 ]; then
        echo "wine-run: $program is interactive (its dialog waits for you) and needs a display," \
            "but DISPLAY is not set. Run it in a desktop session (or over ssh -X), or give" \
            "host.exe a --script to run it unattended." >&2
        exit 2
    fi
    # A virtual display for this run, Wine's processes ended before it goes.
    exec "$here/with-display.sh" "$0" "$@"
fi

# Wine takes the Windows locale (ja-JP, ANSI code page 932) from LC_ALL's name
# alone, but converts the command line and file names with the C library's
# charset, which is plain ASCII when the locale is not installed: a path in
# Japanese would arrive mangled. So the locale is compiled once into build/
# when the system lacks it, and used from there.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf-\{0,1\}8'; then
    locales=$here/../build/locale
    if [ ! -d "$locales/ja_JP.UTF-8" ] && command -v localedef >/dev/null; then
        mkdir -p "$locales"
        fresh=$(mktemp -d "$locales/.new.XXXXXX")
        if localedef -i ja_JP -f UTF-8 "$fresh/ja_JP.UTF-8" >/dev/null 2>&1; then
            mv -T "$fresh/ja_JP.UTF-8" "$locales/ja_JP.UTF-8" 2>/dev/null || true
        fi
        rm -rf "$fresh"
    fi
    [ -d "$locales/ja_JP.UTF-8" ] && export LOCPATH=$locales
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

# The Japanese locale gives the programs ANSI code page 932.
if [ "$interactive" = 1 ] || [ "$limit" = 0 ]; then
    exec env LC_ALL=ja_JP.UTF-8 wine "$@"
fi
status=0
env LC_ALL=ja_JP.UTF-8 timeout --kill-after=5 "$limit" wine "$@" || status=$?
if [ $status -eq 124 ] || [ $status -eq 137 ]; then
    echo "wine-run: stopped $program after $limit s, the time limit of an unattended run;" \
        "set CUBRIK_WINE_TIMEOUT=SECONDS to change it (0: no limit)" >&2
fi
exit $status
