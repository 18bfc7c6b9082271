#!/usr/bin/env bash
# The 64-bit DLL carries the 32-bit one's resources byte for byte, compared
# with a 32-bit DLL of these very sources: the win32 build folder (configured
# here when it does not exist yet) first brings its cubrik target up to date,
# so a DLL left there by an earlier build of other sources never stands in.
#
#   check_resources_of_win32.sh SOURCE_DIR WIN32_BUILD_DIR BUILD_TYPE WIN64_DLL
set -euo pipefail
source=$1 win32=$2 type=$3 dll=$4
here=$(dirname "${BASH_SOURCE[0]}")
. "$here/check_lib.sh"

mkdir -p "$win32"
log=$win32/cubrik-for-win64-check.log
configure=()
if [ ! -f "$win32/CMakeCache.txt" ]; then
    configure=(cmake -S "$source" -B "$win32" -DCMAKE_BUILD_TYPE="$type"
        -DCMAKE_TOOLCHAIN_FILE="$source/cmake/mingw-i686.cmake")
fi
if ! { [ ${#configure[@]} -eq 0 ] || "${configure[@]}"; } >"$log" 2>&1 ||
    ! cmake --build "$win32" --target cubrik -j2 >>"$log" 2>&1; then
    tail -n 20 "$log"
    check "the 32-bit DLL to compare with did not build in $win32; the end of $log is above" false
    report
    exit
fi
exec "$here/check_same_resources.py" "$win32/cubrik.dll" "$dll"
