#!/usr/bin/env bash
# Installs what building and testing cubrik needs on Debian 12, and only what
# is missing: safe to run any number of times. Adds the i386 architecture for
# 32-bit Wine first when it is not there.
#
# What each package is for:
#   cmake g++                    every build; clang and libclang-rt-14-dev
#                                (libFuzzer's runtime) the fuzz build
#   libgtest-dev libbenchmark-dev libfast-float-dev
#                                the native tests, the benchmark, the number text
#   googletest                   GoogleTest's sources, built for the Wine tests
#   valgrind                     test.sh's third pass over the native tests
#   g++-mingw-w64-i686 binutils-mingw-w64-i686
#                                the win32 build
#   wine wine32:i386             running the win32 build (i386 architecture)
#   fonts-wine                   Tahoma and Marlett, copied into each prefix
#   fonts-ipafont-gothic         IPA P Gothic: the dialog's Japanese text under
#                                Wine, and the demo's picture
#   locales                      the locale sources wine-run.sh compiles
#                                ja_JP.UTF-8 and en_US.UTF-8 from when missing
#   xvfb xauth                   the virtual display (xvfb-run) of unattended runs
#   file                         wine-run.sh's and the checks' reading of a
#                                Windows file's machine
#   imagemagick                  the demo's dialog picture
#   python3 python3-pefile python3-matplotlib
#                                the checks (Debian's python3, which has the
#                                two libraries: the resources read from the
#                                DLLs, and the demo's selection picture)
#   unzip                        the release package and guide checks
set -euo pipefail
case "${1-}" in
    -h | --help) sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$0"; exit 0 ;;
    "") ;;
    *) echo "usage: scripts/setup.sh   (no arguments)" >&2; exit 2 ;;
esac
packages=(
    cmake g++ clang libclang-rt-14-dev libgtest-dev libbenchmark-dev googletest valgrind
    libfast-float-dev g++-mingw-w64-i686 binutils-mingw-w64-i686
    wine wine32:i386 fonts-wine fonts-ipafont-gothic locales xvfb xauth file imagemagick
    python3 python3-pefile python3-matplotlib unzip
)
# The 64-bit side, without recommends: those pull about 1.5 GB of media and
# GPU libraries that nothing here uses. Chromium (about 300 MB) opens the
# user guide headless in a test; it needs none of its recommends either.
lean_packages=(g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 wine64 chromium)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'ok installed'; }
missing=() lean_missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
for p in "${lean_packages[@]}"; do installed "$p" || lean_missing+=("$p"); done
[ ${#missing[@]} -gt 0 ] || [ ${#lean_missing[@]} -gt 0 ] || exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "setup: installing ${missing[*]} ${lean_missing[*]} (about a minute the first time)"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "setup: adding the i386 architecture for 32-bit Wine"
    $sudo dpkg --add-architecture i386
fi
echo "setup: apt-get update"
$sudo apt-get update -qq
install() { DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "$@" >/dev/null; }
[ ${#missing[@]} -eq 0 ] || install "${missing[@]}"
[ ${#lean_missing[@]} -eq 0 ] || install --no-install-recommends "${lean_missing[@]}"
echo "setup: done"
