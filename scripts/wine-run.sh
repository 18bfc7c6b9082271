#!/usr/bin/env bash
# Runs a Windows program of the win32 build under Wine the way the tests and
# the demo need it: a private prefix under build/, Japanese ANSI code page 932,
# no crash dialog (a crash ends the program with a message instead of waiting
# for a click), and a virtual display when there is none.
#
# A run is interactive when CUBRIK_INTERACTIVE=1, or when the program is
# host.exe without --script (its dialog then waits for the user); every other
# run is unattended (CUBRIK_INTERACTIVE=0 makes any run so). An interactive run
# needs the user's display and has no time limit: without DISPLAY it stops at
# once. An unattended run gets a virtual display when there is none, and a
# time limit: CUBRIK_WINE_TIMEOUT seconds (default 100; 0: none).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export WINEPREFIX=${CUBRIK_WINEPREFIX:-$here/../build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win32

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
