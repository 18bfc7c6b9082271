#!/usr/bin/env bash
# The release zip is what a user gets: the very DLL the Wine tests ran (same
# bytes), its SHA-256 checksum (which must match it), the user guide with
# every picture it shows, and the licence, and nothing else; its name says the
# version and the platform the DLL is for; the zip's own checksum lies beside
# it.
set -euo pipefail
zip=$1 dll=$2
name=$(basename "$zip" .zip)
. "$(dirname "${BASH_SOURCE[0]}")/check_lib.sh"

listing=$(unzip -Z1 "$zip" | grep -v '/$' | sort | tr '\n' ' ')
expected="$name/LICENSE.txt $name/cubrik.dll $name/cubrik.dll.sha256 $name/dialog.png $name/guide.html"
expected="$expected $name/selection.png "
check "zip holds [$listing], expected [$expected]" test "$listing" = "$expected"

check "the zip's cubrik.dll differs from the tested $dll" \
    bash -c 'unzip -p "$1" "$2/cubrik.dll" 2>/dev/null | cmp -s - "$3"' _ "$zip" "$name" "$dll"

# The checksum file is what `sha256sum -c` reads and what a user compares
# with certutil's output: the DLL's SHA-256 in lower-case hex, two blanks and
# the file's name, on one line.
sums=$(unzip -p "$zip" "$name/cubrik.dll.sha256" 2>/dev/null || true)
actual=$(unzip -p "$zip" "$name/cubrik.dll" 2>/dev/null | sha256sum | cut -d' ' -f1)
check "cubrik.dll.sha256 reads [$sums], expected [$actual  cubrik.dll]" \
    test "$sums" = "$actual  cubrik.dll"

# The platform the DLL is built for, from its PE header.
case $(file -b "$dll") in
    'PE32 '*'Intel 80386'*) platform=win32 ;;
    'PE32+ '*x86-64*) platform=win64 ;;
    *) platform="unknown machine" ;;
esac
check "the name $name does not match cubrik-<version>-$platform" \
    bash -c '[[ $1 =~ ^cubrik-[0-9]+\.[0-9][0-9]-$2$ ]]' _ "$name" "$platform"

# The guide opens straight from the zip in a browser: it declares its
# encoding, and every picture it shows is beside it.
guide=$(unzip -p "$zip" "$name/guide.html" 2>/dev/null || true)
check "guide.html does not declare UTF-8" grep -qi '<meta charset="utf-8">' <<<"$guide"
for picture in $(grep -o '<img src="[^"]*"' <<<"$guide" | sed 's/<img src="//; s/"$//'); do
    check "guide.html shows $picture, which the zip lacks" grep -qF " $name/$picture " <<<" $listing"
done

# Beside the zip, the zip's own checksum, which a release page publishes apart
# from the download: as sha256sum writes it for the zip's name, and accepted by
# `sha256sum -c` run in the zip's folder.
check "$zip.sha256 is not what sha256sum writes for the zip" \
    bash -c 'test "$(cat "$1.sha256")" = "$(cd "$(dirname "$1")" && sha256sum "$(basename "$1")")"' \
    _ "$zip"
check "sha256sum -c does not accept $zip.sha256 in the zip's folder" \
    bash -c 'cd "$(dirname "$1")" && sha256sum -c --status "$(basename "$1").sha256"' _ "$zip"

echo "$(basename "$zip"): $(stat -c %s "$zip") bytes"
report
