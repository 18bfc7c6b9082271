#!/usr/bin/env bash
# Runs a Windows program of the win32 or win64 build under Wine the way the
# tests and the demo need it: a private prefix under build/ of the program's
# own bitness, Japanese ANSI code page 932, no crash dialog (a crash ends the
# program with a message instead of waiting for a click), and a virtual
# display when there is none.
#
# A run is interactive when CUBRIK_INTERACTIVE=1, or when the program is
# host.exe given a plug-in, a mesh and no --script (its dialog then waits for
# the user); every other run is unattended (CUBRIK_INTERACTIVE=0 makes any run
# so). An interactive run needs the user's display and has no time limit:
# without DISPLAY it stops at once. An unattended run gets a virtual display
# when there is none, and a time limit: CUBRIK_WINE_TIMEOUT seconds (default
# 100; 0: none). A DISPLAY that no X server answers on, a missing program and
# a file that is not a Windows program each stop the run at once, exit 2,
# with one sentence saying so.
#
# wine-run.sh --prepare PROGRAM.exe makes the program's prefix when it is not
# there yet and prints its WINEARCH and WINEPREFIX, running nothing.
#
# Two settings give the program another system than a Japanese one at 96 dpi:
#   CUBRIK_LC_ALL  the Unix locale the program runs in (default ja_JP.UTF-8),
#                  of the form ll_CC.UTF-8. Wine takes the Windows locale and
#                  the ANSI code page from its name: ja_JP.UTF-8 gives 932,
#                  en_US.UTF-8 (or de_DE.UTF-8, fr_FR.UTF-8...) gives 1252.
#   CUBRIK_DPI     the display's dots per inch for this run: 96 (100 %), 120,
#                  144 (150 %), 192 (200 %), 72 to 480. Wine reads it from the
#                  prefix's registry when a program starts, so the run writes
#                  it there, holds the prefix's DPI lock while it goes on
#                  (another run with CUBRIK_DPI waits) and writes 96 back
#                  afterwards. A run without CUBRIK_DPI started meanwhile in
#                  the same prefix sees the changed DPI: the tests that use it
#                  hold CTest's desktop lock, as every Wine test does.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

usage="usage: wine-run.sh PROGRAM.exe [ARGUMENTS...]  (or --prepare PROGRAM.exe)"
# --prepare: make PROGRAM's prefix (when it is not there yet) and print the
# WINEARCH and WINEPREFIX it runs with, instead of running it.
prepare=0
if [ "${1:-}" = --prepare ]; then
    prepare=1
    shift
fi
target=${1:-}
[ -n "$target" ] || { echo "$usage" >&2; exit 2; }
if [ "$target" = --help ] || [ "$target" = -h ]; then
    echo "$usage"
    # The header above, as its help.
    sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "${BASH_SOURCE[0]}"
    exit 0
fi
program=$(basename "$target")

# The program's machine: a win32 prefix cannot start a 64-bit program, so a
# 64-bit one gets a win64 prefix of its own, and a 32-bit one the win32
# prefix. A file that is missing or not a Windows program stops the run here,
# in one sentence, rather than as Wine's own error.
if [ ! -e "$target" ]; then
    echo "wine-run: $target does not exist; build it first" \
        "(scripts/demo.sh builds host.exe; cmake --preset win32 && cmake --build --preset win32," \
        "or win64, builds everything)" >&2
    exit 2
fi
if ! machine=$(python3 "$here/pe_machine.py" --program "$target" 2>&1); then
    echo "wine-run: cannot run $target: ${machine#pe_machine: "$target": }" >&2
    exit 2
fi
case "$machine" in
    x86-64)
        export WINEARCH=win64
        export WINEPREFIX=${CUBRIK_WINEPREFIX64:-$here/../build/wineprefix64}
        ;;
    i386)
        export WINEARCH=win32
        export WINEPREFIX=${CUBRIK_WINEPREFIX:-$here/../build/wineprefix}
        ;;
    *)
        echo "wine-run: cannot run $target: it is a Windows program for machine $machine," \
            "neither i386 nor x86-64" >&2
        exit 2
        ;;
esac
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# Interactive: host.exe given what opens its dialog for a user, a plug-in and
# a mesh and only options it knows, without --script. Anything else (--help, a
# mistyped option, a missing file name) makes it print its own message and
# end, with no display needed.
opens_dialog_for_user() {
    local files=0
    while [ $# -gt 0 ]; do
        case "$1" in
            --script | --help | -h) return 1 ;;
            --selection-out) [ $# -ge 2 ] || return 1; shift ;;
            --select-below) [ $# -ge 3 ] || return 1; shift 2 ;;
            --quiet | --list) ;;
            -?*) return 1 ;;
            *) files=$((files + 1)) ;;
        esac
        shift
    done
    [ $files -eq 2 ]
}
interactive=${CUBRIK_INTERACTIVE:-}
if [ -z "$interactive" ]; then
    interactive=0
    if [ "${program,,}" = host.exe ] && opens_dialog_for_user "${@:2}"; then
        interactive=1
    fi
fi
case "$interactive" in
    0 | 1) ;;
    *) echo "wine-run: CUBRIK_INTERACTIVE is 0 or 1, not '$interactive'" >&2; exit 2 ;;
esac
locale_name=${CUBRIK_LC_ALL:-ja_JP.UTF-8}
if ! [[ "$locale_name" =~ ^([a-z]{2,3}_[A-Z]{2})\.(UTF-8|utf8)$ ]]; then
    echo "wine-run: CUBRIK_LC_ALL is a UTF-8 locale such as ja_JP.UTF-8 or en_US.UTF-8," \
        "not '$locale_name'" >&2
    exit 2
fi
locale_base=${BASH_REMATCH[1]}
dpi=${CUBRIK_DPI:-}
if [ -n "$dpi" ] && ! { [[ "$dpi" =~ ^[1-9][0-9]*$ ]] && [ "$dpi" -ge 72 ] && [ "$dpi" -le 480 ]; }; then
    echo "wine-run: CUBRIK_DPI is a whole number of dots per inch from 72 to 480" \
        "(96: 100 %, 144: 150 %), not '$dpi'" >&2
    exit 2
fi
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
    [ $prepare -eq 0 ] || set -- --prepare "$@"
    exec "$here/with-display.sh" "$0" "$@"
fi
# A display that no X server answers on would make Wine's windows fail
# unseen: say so now, naming it.
if ! python3 - "$DISPLAY" <<'PY'; then
import re, socket, sys
m = re.fullmatch(r"(?:unix)?(?P<host>[^:/]*):(?P<number>\d+)(?:\.\d+)?", sys.argv[1])
if not m:
    sys.exit(0)  # a form not known here: Wine will tell
number = int(m["number"])
if m["host"] in ("", "unix"):
    tries = [(socket.AF_UNIX, "\0/tmp/.X11-unix/X%d" % number),
             (socket.AF_UNIX, "/tmp/.X11-unix/X%d" % number)]
else:
    tries = [(socket.AF_INET, (m["host"], 6000 + number))]
for family, address in tries:
    try:
        with socket.socket(family, socket.SOCK_STREAM) as s:
            s.settimeout(5)
            s.connect(address)
            sys.exit(0)
    except OSError:
        pass
sys.exit(1)
PY
    echo "wine-run: no X server answers on the display $DISPLAY (DISPLAY), so $program" \
        "cannot open a window there; point DISPLAY at a running X server, or unset it" \
        "for an unattended run on a virtual display" >&2
    exit 2
fi

# Wine takes the Windows locale (ja-JP, ANSI code page 932 by default) from
# LC_ALL's name alone, but converts the command line and file names with the
# C library's charset, which is plain ASCII when the locale is not installed:
# a path in Japanese would arrive mangled. So the locale is compiled once
# into build/ when the system lacks it, and used from there.
if ! locale -a 2>/dev/null | grep -qix "$locale_base.utf-\{0,1\}8"; then
    locales=$here/../build/locale
    if [ ! -d "$locales/$locale_base.UTF-8" ] && command -v localedef >/dev/null; then
        mkdir -p "$locales"
        fresh=$(mktemp -d "$locales/.new.XXXXXX")
        if localedef -i "$locale_base" -f UTF-8 "$fresh/$locale_base.UTF-8" >/dev/null 2>&1; then
            mv -T "$fresh/$locale_base.UTF-8" "$locales/$locale_base.UTF-8" 2>/dev/null || true
        fi
        rm -rf "$fresh"
    fi
    [ -d "$locales/$locale_base.UTF-8" ] && export LOCPATH=$locales
fi

mkdir -p "$(dirname "$WINEPREFIX")"
# Creating the prefix: quiet when it goes well; when a step fails, what it
# said and which step it was, and no prefix marked as made.
(
    flock 9
    [ ! -f "$WINEPREFIX/.cubrik-prefix-4" ] || exit 0
    echo "wine-run: creating the Wine prefix $WINEPREFIX (about 10 s, once)" >&2
    said=$(mktemp)
    trap 'rm -f "$said"' EXIT
    # step WHAT COMMAND...: runs the command, its output kept aside; on
    # failure, prints it and stops.
    step() {
        local what=$1 status=0
        shift
        "$@" >"$said" 2>&1 || status=$?
        if [ $status -ne 0 ]; then
            echo "wine-run: could not create the Wine prefix $WINEPREFIX ($WINEARCH):" \
                "$what failed with exit status $status; it said:" >&2
            tail -n 40 "$said" | sed 's/^/  /' >&2
            echo "wine-run: fix the cause (or remove $WINEPREFIX) and run again" >&2
            exit 2
        fi
    }
    step "wineboot" env LC_ALL=ja_JP.UTF-8 wineboot -i
    # No debugger on a crash: the program ends and the caller sees it.
    step "the crash debugger setting" wine reg add \
        'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d '' /f
    step "the crash debugger setting" wine reg add \
        'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Auto /d 1 /f
    # One virtual desktop window holds every window: Wine draws the title
    # bars itself, and a closing dialog need not wait for a window manager
    # that is not there (about a second per dialog otherwise).
    step "the virtual desktop setting" wine reg add 'HKCU\Software\Wine\Explorer\Desktops' \
        /v Default /d 1024x768 /f
    step "the virtual desktop setting" wine reg add 'HKCU\Software\Wine\Explorer' \
        /v Desktop /d Default /f
    # Fonts as a Japanese Windows has them: Wine draws the title bar's
    # buttons with Marlett; the dialog names 9 pt Tahoma, which draws the
    # Latin text, and Tahoma's font link supplies the Japanese glyphs from
    # a Japanese UI font whose kana are proportional (IPA P Gothic here);
    # text is smoothed in grey where a font's own table allows it (Tahoma
    # at 9 pt draws crisp, from its bitmaps, on Windows too).
    step "copying Wine's fonts" cp /usr/share/wine/fonts/marlett.ttf \
        /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf \
        "$WINEPREFIX/drive_c/windows/Fonts/"
    step "the font link" env LC_ALL=ja_JP.UTF-8 wine reg add \
        'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
        /v Tahoma /t REG_MULTI_SZ /d 'ipagp.ttf,IPAPGothic' /f
    # The title bars' font, MS Shell Dlg, is MS UI Gothic on a Japanese
    # Windows: the same proportional face answers to that name.
    step "the font replacement" env LC_ALL=ja_JP.UTF-8 wine reg add \
        'HKCU\Software\Wine\Fonts\Replacements' /v 'MS UI Gothic' /d 'IPAPGothic' /f
    for setting in 'FontSmoothing /d 2' 'FontSmoothingType /t REG_DWORD /d 1'; do
        # shellcheck disable=SC2086 # each entry is "name and its arguments"
        step "the font smoothing setting" env LC_ALL=ja_JP.UTF-8 wine reg add \
            'HKCU\Control Panel\Desktop' /v $setting /f
    done
    step "waiting for Wine to write the prefix" wineserver -w
    touch "$WINEPREFIX/.cubrik-prefix-4"
) 9>"$WINEPREFIX.lock"

if [ $prepare -eq 1 ]; then
    printf 'WINEARCH=%s\nWINEPREFIX=%s\n' "$WINEARCH" "$WINEPREFIX"
    exit 0
fi

# The display's DPI for this run, written back to 96 when it ends however it
# ends; the lock keeps two such runs from changing it under each other.
set_dpi() {
    env LC_ALL=ja_JP.UTF-8 wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels \
        /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}
if [ -n "$dpi" ]; then
    exec 8>"$WINEPREFIX.dpi.lock"
    flock 8
    trap 'set_dpi 96' EXIT
    trap 'exit 143' TERM INT HUP  # so that a stopped run sets 96 back too
    if ! set_dpi "$dpi"; then
        echo "wine-run: cannot set the DPI to $dpi in $WINEPREFIX" >&2
        exit 2
    fi
fi

# The locale gives the programs their ANSI code page (ja_JP: 932).
if [ "$interactive" = 1 ] || [ "$limit" = 0 ]; then
    [ -n "$dpi" ] || exec env LC_ALL="$locale_name" wine "$@"
    status=0
    env LC_ALL="$locale_name" wine "$@" || status=$?
    exit $status
fi
status=0
env LC_ALL="$locale_name" timeout --kill-after=5 "$limit" wine "$@" || status=$?
if [ $status -eq 124 ] || [ $status -eq 137 ]; then
    echo "wine-run: stopped $program after $limit s, the time limit of an unattended run;" \
        "set CUBRIK_WINE_TIMEOUT=SECONDS to change it (0: no limit)" >&2
fi
exit $status
