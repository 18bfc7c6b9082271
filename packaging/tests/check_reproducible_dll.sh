#!/usr/bin/env bash
# The DLL is reproducible: the same sources, copied to another folder and
# built there with the same toolchain and build type, give the same bytes as
# the DLL under test. Only the plug-in's own target is built in the copy.
#
#   check_reproducible_dll.sh SOURCE_DIR TOOLCHAIN_FILE BUILD_TYPE DLL WORK_DIR
set -euo pipefail
source=$(cd "$1" && pwd) toolchain=$2 type=$3 dll=$4 work=$5
. "$(dirname "${BASH_SOURCE[0]}")/check_lib.sh"

# The copy: the source tree as it is, without builds and without git.
rm -rf "$work"
mkdir -p "$work/elsewhere/src"
work=$(cd "$work" && pwd)
tar -C "$source" --exclude=./build --exclude=./.git -cf - . | tar -C "$work/elsewhere/src" -xf -
copy=$work/elsewhere/src
# The copy's own toolchain file, when the one given lies in the source tree.
case $toolchain in
    "$source"/*) toolchain=$copy/${toolchain#"$source"/} ;;
esac

if cmake -S "$copy" -B "$work/elsewhere/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE="$type" >"$work/configure.log" 2>&1 &&
    cmake --build "$work/elsewhere/build" --target cubrik -j2 >"$work/build.log" 2>&1; then
    built=yes
else
    built=no
fi
check "the copy in $work/elsewhere did not build (see configure.log, build.log there)" \
    test "$built" = yes
other=$work/elsewhere/build/cubrik.dll
if [ "$built" = yes ]; then
    check "$other differs from $dll: the build depends on the folder it runs in" \
        cmp -s "$other" "$dll"
    echo "cubrik.dll: $(stat -c %s "$dll") bytes, sha256 $(sha256sum "$dll" | cut -d' ' -f1)"
fi
report
