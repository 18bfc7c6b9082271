#!/usr/bin/env bash
# usage: wine-run.sh PROGRAM.exe [ARGUMENTS...]
# Runs a Windows program of the win32 or win64 build under Wine the way the
# tests and the demo need it: a private prefix under build/ of the program's
# own bitness, Japanese ANSI code page 932, no crash dialog (a crash ends the
# program with a message instead of waiting for a click). With DISPLAY set,
# the program uses that display as it is; without it, a virtual display
# (xvfb-run) made for the run, and CUBRIK_VIRTUAL_DISPLAY=1 tells the program
# that nobody sees it. A missing program, a file that is not a Windows
# program, and a DLL stop the run at once, exit 2, with one sentence.
#
#   CUBRIK_LC_ALL   the Unix locale of the run (default ja_JP.UTF-8), whose
#                   name gives Wine the Windows locale and ANSI code page:
#                   ja_JP.UTF-8 932, en_US.UTF-8 (de_DE, fr_FR...) 1252
#   CUBRIK_DPI      the display's dots per inch for this run, 72 to 480 (96:
#                   100 %, 144: 150 %): written into the prefix's registry for
#                   the run, under the prefix's DPI lock, and 96 put back after
#   CUBRIK_WINEPREFIX, CUBRIK_WINEPREFIX64   the win32 and win64 prefixes
#                   (default build/wineprefix, build/wineprefix64)
#   WINEDEBUG       Wine's own debug channels (default -all)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/help.sh" "${1-}"
[ $# -gt 0 ] || usage_error "which program?"
target=$1
refuse() { echo "wine-run: $*" >&2; exit 2; }

# The program's machine picks its prefix: a win32 prefix cannot start a
# 64-bit program.
[ -e "$target" ] || refuse "$target does not exist; build it first" \
    "(scripts/demo.sh builds host.exe; cmake --preset win32 && cmake --build --preset win32," \
    "or win64, builds everything)"
[ ! -d "$target" ] || refuse "cannot run $target: Is a directory"
kind=$(file -b "$target")
case $kind in
    PE32*'(DLL)'*) refuse "cannot run $target: a DLL, not a program (a host program loads it)" ;;
    'PE32 '*'Intel 80386'*) arch=win32 prefix=${CUBRIK_WINEPREFIX:-$here/../build/wineprefix} ;;
    'PE32+ '*x86-64*) arch=win64 prefix=${CUBRIK_WINEPREFIX64:-$here/../build/wineprefix64} ;;
    PE32*) refuse "cannot run $target: it is a Windows program for neither i386 nor x86-64 ($kind)" ;;
    MS-DOS*) refuse "cannot run $target: not a Windows program or DLL" \
        "(no PE header where the DOS header points)" ;;
    *) refuse "cannot run $target: not a Windows program or DLL (no DOS header)" ;;
esac
export WINEARCH=$arch WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

locale_name=${CUBRIK_LC_ALL:-ja_JP.UTF-8}
[[ "$locale_name" =~ ^([a-z]{2,3}_[A-Z]{2})\.(UTF-8|utf8)$ ]] ||
    refuse "CUBRIK_LC_ALL is a UTF-8 locale such as ja_JP.UTF-8 or en_US.UTF-8, not '$locale_name'"
locale_base=${BASH_REMATCH[1]}
dpi=${CUBRIK_DPI:-}
if [ -n "$dpi" ] && ! { [[ "$dpi" =~ ^[1-9][0-9]*$ ]] && [ "$dpi" -ge 72 ] && [ "$dpi" -le 480 ]; }; then
    refuse "CUBRIK_DPI is a whole number of dots per inch from 72 to 480 (96: 100 %, 144: 150 %), not '$dpi'"
fi

# No display: the same run again on a virtual one.
if [ -z "${DISPLAY:-}" ]; then
    export CUBRIK_VIRTUAL_DISPLAY=1 WINE_RUN_ON_XVFB=1
    exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$0" "$@"
fi
[ -n "${WINE_RUN_ON_XVFB:-}" ] || unset CUBRIK_VIRTUAL_DISPLAY

# Wine converts the command line and file names with the C library's charset,
# plain ASCII when the locale is not installed: so it is compiled once into
# build/ when the system lacks it.
locales=$here/../build/locale
if [ ! -d "$locales/$locale_base.UTF-8" ] && ! locale -a 2>/dev/null | grep -qix "$locale_base.utf-\{0,1\}8"; then
    mkdir -p "$locales"
    fresh=$(mktemp -d "$locales/.new.XXXXXX")  # (whole, or not there: runs may race)
    localedef -i "$locale_base" -f UTF-8 "$fresh/l" >/dev/null 2>&1 &&
        mv -T "$fresh/l" "$locales/$locale_base.UTF-8" 2>/dev/null || true
    rm -rf "$fresh"
fi
[ ! -d "$locales/$locale_base.UTF-8" ] || export LOCPATH=$locales

# The prefix, made once under a lock: quiet when it goes well; when a step
# fails, which step it was and what it said, and no prefix marked as made.
if [ ! -f "$WINEPREFIX/.cubrik-prefix-4" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock 9
        [ ! -f "$WINEPREFIX/.cubrik-prefix-4" ] || exit 0
        echo "wine-run: creating the Wine prefix $WINEPREFIX (about 10 s, once)" >&2
        said=$(mktemp)
        trap 'rm -f "$said"' EXIT
        # A step that fails ends the making here, saying which and what it said.
        failed() {
            echo "wine-run: could not create the Wine prefix $WINEPREFIX ($WINEARCH):" \
                "$1 failed with exit status $2; it said:"
            tail -n 40 "$said" | sed 's/^/  /'
            echo "wine-run: fix the cause (or remove $WINEPREFIX) and run again"
            exit 2
        } >&3
        trap 'failed "$BASH_COMMAND" $?' ERR
        exec 3>&2 >"$said" 2>&1 </dev/null
        export LC_ALL=ja_JP.UTF-8
        wineboot -i
        # No debugger on a crash: the program ends and the caller sees it.
        aedebug='HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug'
        wine reg add "$aedebug" /v Debugger /d '' /f
        wine reg add "$aedebug" /v Auto /d 1 /f
        # One virtual desktop window holds every window: Wine draws the title
        # bars itself, and a closing dialog need not wait for a window
        # manager that is not there (about a second per dialog otherwise).
        wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f
        wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f
        # Fonts as a Japanese Windows has them: Wine draws the title bar's
        # buttons with Marlett; the dialog names 9 pt Tahoma, which draws the
        # Latin text, and Tahoma's font link supplies the Japanese glyphs from
        # a Japanese UI font whose kana are proportional (IPA P Gothic); the
        # title bars' MS UI Gothic is that face too. Text is smoothed in grey
        # where a font's own table allows it (Tahoma at 9 pt draws crisp,
        # from its bitmaps, on Windows too).
        cp /usr/share/wine/fonts/{marlett,tahoma,tahomabd}.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
        wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
            /v Tahoma /t REG_MULTI_SZ /d 'ipagp.ttf,IPAPGothic' /f
        wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS UI Gothic' /d IPAPGothic /f
        wine reg add 'HKCU\Control Panel\Desktop' /v FontSmoothing /d 2 /f
        wine reg add 'HKCU\Control Panel\Desktop' /v FontSmoothingType /t REG_DWORD /d 1 /f
        wineserver -w  # until the prefix is written
        touch "$WINEPREFIX/.cubrik-prefix-4"
    ) 9>"$WINEPREFIX.lock"
fi

# On a display of its own, a Wine server this run starts (for the DPI too) ends
# before the display does; one a test run keeps is left alone (-k0 only asks).
own_server=0
[ -z "${WINE_RUN_ON_XVFB:-}" ] || wineserver -k0 2>/dev/null || own_server=1
unset WINE_RUN_ON_XVFB

# The display's DPI for this run, written back to 96 when it ends however it
# ends; the lock keeps two such runs from changing it under each other.
set_dpi() {
    env LC_ALL=ja_JP.UTF-8 wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels \
        /t REG_DWORD /d "$1" /f >/dev/null 2>&1 </dev/null
}
if [ -n "$dpi" ]; then
    exec 8>"$WINEPREFIX.dpi.lock"
    flock 8
    trap 'set_dpi 96' EXIT
    trap 'exit 143' TERM INT HUP  # so that a stopped run sets 96 back too
    set_dpi "$dpi" || refuse "cannot set the DPI to $dpi in $WINEPREFIX"
fi

# The locale gives the program its ANSI code page (ja_JP: 932).
[ -n "$dpi" ] || [ $own_server -eq 1 ] || exec env LC_ALL="$locale_name" wine "$@"
status=0
env LC_ALL="$locale_name" wine "$@" || status=$?
if [ -n "$dpi" ]; then set_dpi 96; trap - EXIT; fi
[ $own_server -eq 0 ] || timeout 20 wineserver -w || true
exit $status
