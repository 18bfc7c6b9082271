#!/usr/bin/env bash
# usage: scripts/setup.sh   (no arguments)
# Installs what building and testing cubrik needs on Debian 12, and only what
# is missing: safe to run any number of times. Adds the i386 architecture for
# 32-bit Wine first when it is not there. The checks run Debian's python3
# (/usr/bin/python3), which has python3-pefile and python3-matplotlib. Then
# makes the two locales the Wine runs use, when they are missing.
set -euo pipefail
. "$(dirname "$0")/help.sh" "$@"
[ $# -eq 0 ] || usage_error "takes no arguments"
packages=(
    cmake g++ clang libclang-rt-14-dev  # every build; the fuzz build (libFuzzer's runtime)
    libgtest-dev libbenchmark-dev libfast-float-dev  # native tests, benchmark, number text
    nlohmann-json3-dev                  # the stand-in host's --json record
    googletest valgrind                 # GoogleTest's sources for the Wine tests; test.sh's valgrind pass
    g++-mingw-w64-i686 binutils-mingw-w64-i686 wine wine32:i386  # the win32 build, run under Wine
    fonts-wine fonts-ipafont-gothic     # Tahoma, Marlett and IPA P Gothic for the dialog under Wine
    locales                             # the sources of the two locales made below
    xvfb xauth file                     # xvfb-run's virtual display; a Windows file's machine
    unzip                               # the package and guide checks
    python3 python3-pefile python3-matplotlib python3-pil  # the packaging checks, the demo's pictures
)
# The 64-bit side, without recommends: those pull about 1.5 GB of media and
# GPU libraries that nothing here uses. Chromium (about 300 MB) opens the
# user guide headless in a test; it needs none of its recommends either.
lean_packages=(g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 wine64 chromium)

# missing PACKAGE...: those of the packages not installed, each followed by
# a blank (package names hold none, so the list splits on blanks below).
missing() {
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed'; then
            printf '%s ' "$package"
        fi
    done
}
missing=$(missing "${packages[@]}")
lean_missing=$(missing "${lean_packages[@]}")
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
install() { DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "$@" >/dev/null; }
if [ -n "$missing$lean_missing" ]; then
    echo "setup: installing $missing$lean_missing(about a minute the first time)"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        echo "setup: adding the i386 architecture for 32-bit Wine"
        $sudo dpkg --add-architecture i386
    fi
    echo "setup: apt-get update"
    $sudo apt-get update -qq
    [ -z "$missing" ] || install $missing
    [ -z "$lean_missing" ] || install --no-install-recommends $lean_missing
    echo "setup: done"
fi

# Wine converts a program's command line and file names with the C library's
# charset, plain ASCII when the locale is missing: the locales of code pages
# 932 and 1252, which wine-run.sh runs programs in.
for locale in ja_JP en_US; do
    if ! grep -qx "$locale.utf8" < <(locale -a); then
        echo "setup: making the locale $locale.UTF-8"
        $sudo localedef -i "$locale" -f UTF-8 "$locale.UTF-8"
    fi
done
