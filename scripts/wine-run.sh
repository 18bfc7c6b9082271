#!/usr/bin/env bash
# usage: wine-run.sh [--prefix] PROGRAM.exe [ARGUMENTS...]
# Runs a Windows program of the win32 or win64 build under Wine the way the
# tests and the demo need it: a private prefix under build/ of the program's
# own bitness, made once with the settings of scripts/wine-prefix.reg (fonts
# as on a Japanese Windows, a virtual desktop, no crash dialog: a crash ends
# the program with a message instead of waiting for a click), Japanese ANSI
# code page 932. With DISPLAY set, the program uses that display as it is;
# without it, a virtual display (xvfb-run) made for the run, and
# CUBRIK_VIRTUAL_DISPLAY=1 tells the program that nobody sees it. A missing
# program (with the programs its folder does hold), a file that is not a
# Windows program, and a DLL stop the run at once, exit 2, with one sentence.
#
#   --prefix        run nothing: make the program's prefix if it is not there
#                   yet and print its path (wine-session.sh and the tests use
#                   the prefix this way)
#   CUBRIK_LC_ALL   the Unix locale of the run (default ja_JP.UTF-8), whose
#                   name gives Wine the Windows locale and ANSI code page:
#                   ja_JP.UTF-8 932, en_US.UTF-8 1252 (scripts/setup.sh makes
#                   these two; another must be made first, with localedef)
#   CUBRIK_DPI      the display's dots per inch for this run, 72 to 480 (96:
#                   100 %, 144: 150 %): written into the prefix's registry for
#                   the run, under the prefix's DPI lock, and 96 put back after
#   CUBRIK_WINEPREFIX, CUBRIK_WINEPREFIX64   the win32 and win64 prefixes
#                   (default build/wineprefix, build/wineprefix64)
#   WINEDEBUG       Wine's own debug channels (default -all)
set -euo pipefail
here=$(dirname "$(realpath "$0")")
. "$here/help.sh" "${1-}"
build=$(dirname "$here")/build
arguments=("$@")
if [ "${1-}" = --prefix ]; then
    shift
elif [[ ${1-} == -* ]]; then
    usage_error "unknown option '$1' (its one option is --prefix)"
fi
[ $# -gt 0 ] || usage_error "which program?"
target=$1

refuse() {
    echo "wine-run: $*" >&2
    exit 2
}

# A program that is not there: the programs its folder holds, in case of a
# typo, or how to build them.
if [ ! -e "$target" ]; then
    programs=("$(dirname "$target")"/*.exe)
    if [ -e "${programs[0]}" ]; then
        refuse "$target does not exist; the programs in $(dirname "$target"): ${programs[*]##*/}"
    fi
    refuse "$target does not exist; build it first (scripts/demo.sh builds host.exe;" \
        "cmake --preset win32 && cmake --build --preset win32, or win64, builds everything)"
fi

# The program's machine picks its prefix: a win32 prefix cannot start a
# 64-bit program.
kind=$(file -b "$target")
case $kind in
    PE32*'(DLL)'*)
        refuse "cannot run $target: a DLL, not a program (a host program loads it)"
        ;;
    'PE32 '*'Intel 80386'*)
        export WINEARCH=win32
        export WINEPREFIX=${CUBRIK_WINEPREFIX:-$build/wineprefix}
        ;;
    'PE32+ '*x86-64*)
        export WINEARCH=win64
        export WINEPREFIX=${CUBRIK_WINEPREFIX64:-$build/wineprefix64}
        ;;
    *)
        refuse "cannot run $target: not a Windows program or DLL for i386 or x86-64 ($kind)"
        ;;
esac
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# Wine converts the command line and file names with the C library's
# charset, plain ASCII when the locale is not installed; the locale gives the
# program its ANSI code page (ja_JP: 932).
locale_name=${CUBRIK_LC_ALL:-ja_JP.UTF-8}
if [[ ! $locale_name =~ \.(UTF-8|utf8)$ ]] || ! grep -qxF "${locale_name%.*}.utf8" < <(locale -a); then
    refuse "the locale $locale_name is not installed, or not a UTF-8 one such as ja_JP.UTF-8" \
        "(scripts/setup.sh makes ja_JP.UTF-8 and en_US.UTF-8;" \
        "localedef -i ${locale_name%.*} -f UTF-8 ${locale_name%.*}.UTF-8 makes another)"
fi
export LC_ALL=$locale_name
dpi=${CUBRIK_DPI:-}
if [ -n "$dpi" ] && ! [[ $dpi =~ ^[1-9][0-9]*$ && dpi -ge 72 && dpi -le 480 ]]; then
    refuse "CUBRIK_DPI is a whole number of dots per inch from 72 to 480 (96: 100 %, 144: 150 %), not '$dpi'"
fi

# No display: the same run again on a virtual one.
if [ -z "${DISPLAY:-}" ]; then
    export CUBRIK_VIRTUAL_DISPLAY=1
    export WINE_RUN_ON_XVFB=1
    exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$0" "${arguments[@]}"
fi
[ -n "${WINE_RUN_ON_XVFB:-}" ] || unset CUBRIK_VIRTUAL_DISPLAY

# A step of the prefix's making that fails ends it here, saying which step
# and what it said (its output is in $said, the caller's standard error on 3).
failed() {
    echo "wine-run: could not create the Wine prefix $WINEPREFIX ($WINEARCH):" \
        "$1 failed with exit status $2; it said (all of it in $said):"
    tail -n 40 "$said" | sed 's/^/  /'
    echo "wine-run: fix the cause (or remove $WINEPREFIX) and run again"
    exit 2
} >&3

# The prefix, made once under a lock: quiet when it goes well, and marked as
# made only when every step went well.
made=$WINEPREFIX/.cubrik-prefix-5
if [ ! -f "$made" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock 9
        [ ! -f "$made" ] || exit 0
        echo "wine-run: creating the Wine prefix $WINEPREFIX (about 10 s, once)" >&2
        said=$WINEPREFIX.creation.log
        trap 'failed "$BASH_COMMAND" $?' ERR
        exec 3>&2 >"$said" 2>&1 </dev/null
        export LC_ALL=ja_JP.UTF-8
        wineboot -i
        cp /usr/share/wine/fonts/{marlett,tahoma,tahomabd}.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
        wine regedit /S "$here/wine-prefix.reg"
        wineserver -w # until the prefix is written
        touch "$made"
    ) 9>"$WINEPREFIX.lock"
fi
if [ "${arguments[0]}" = --prefix ]; then
    echo "$WINEPREFIX"
    exit 0
fi

# On a display of its own, a Wine server this run starts (for the DPI too) ends
# before the display does; one a test run keeps is left alone (-k0 only asks).
own_server=0
if [ -n "${WINE_RUN_ON_XVFB:-}" ] && ! wineserver -k0 2>/dev/null; then
    own_server=1
fi
unset WINE_RUN_ON_XVFB

# With nothing to do afterwards the wrapper becomes the program.
if [ -z "$dpi" ] && [ $own_server -eq 0 ]; then
    exec wine "$@"
fi

# The display's DPI for this run, written back to 96 when it ends however it
# ends; the lock keeps two such runs from changing it under each other. (In
# the prefix's own locale: Wine rewrites its font links for another one.)
set_dpi() {
    env LC_ALL=ja_JP.UTF-8 wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels \
        /t REG_DWORD /d "$1" /f >/dev/null 2>&1 </dev/null
}
# What the run leaves is undone however it ends (a stopped run too): the DPI
# put back, and the server it started ended.
after_run() {
    if [ -n "$dpi" ]; then
        set_dpi 96 || true
    fi
    if [ $own_server -eq 1 ]; then
        timeout 20 wineserver -w || true
    fi
}
trap after_run EXIT
trap 'exit 143' TERM INT HUP
if [ -n "$dpi" ]; then
    exec 8>"$WINEPREFIX.dpi.lock"
    flock 8
    set_dpi "$dpi" || refuse "cannot set the DPI to $dpi in $WINEPREFIX"
fi
wine "$@"
