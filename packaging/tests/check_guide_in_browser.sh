#!/usr/bin/env bash
# The user guide as a user sees it: unpacked from the release zip and opened
# in headless Chromium, in a wide window (1280 px) and in the narrowest one
# Chromium allows (500 px). In each, every picture loads, nothing is wider
# than the window (no sideways scrolling), both the Japanese and the
# English guide are there, and no file name, command or label of the
# dialog is broken across lines. A screenshot of each is kept in WORK_DIR.
#
#   check_guide_in_browser.sh RELEASE.zip WORK_DIR
set -euo pipefail
zip=$1 work=$2
name=$(basename "$zip" .zip)
. "$(dirname "${BASH_SOURCE[0]}")/check_lib.sh"

browser=$(command -v chromium || command -v chromium-browser || true)
if [ -z "$browser" ]; then
    check "no chromium to open the guide with (scripts/setup.sh installs it)" false
    report
    exit
fi

rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)
unzip -q "$zip" -d "$work/unpacked"
folder=$work/unpacked/$name

# A copy of the guide beside it, with a probe that measures the page once
# everything has loaded and writes what it found into the page, one fact a
# line, for --dump-dom to hand back.
probe='<script>
window.addEventListener("load", function () {
  var lines = [], width = window.innerWidth, root = document.documentElement;
  lines.push("window " + width);
  lines.push("page " + root.scrollWidth);
  Array.prototype.forEach.call(document.images, function (img) {
    lines.push("image " + img.getAttribute("src") + " " + img.naturalWidth + " " +
               Math.ceil(img.getBoundingClientRect().right));
  });
  Array.prototype.forEach.call(document.querySelectorAll("body *"), function (e) {
    var r = e.getBoundingClientRect();
    if (r.right > width + 0.5) lines.push("wider " + e.tagName.toLowerCase() + " " + Math.ceil(r.right));
  });
  Array.prototype.forEach.call(document.querySelectorAll("code, kbd, .ui"), function (c) {
    if (c.getClientRects().length > 1) lines.push("broken " + c.textContent);
  });
  var ja = document.getElementById("ja"), en = document.getElementById("en");
  lines.push("ja " + (ja && ja.lang !== "en" && /使い方/.test(ja.textContent) &&
                      /困ったとき/.test(ja.textContent) ? "yes" : "no"));
  lines.push("en " + (en && en.lang === "en" && /Using the dialog/.test(en.textContent) &&
                      /Troubleshooting/.test(en.textContent) ? "yes" : "no"));
  var out = document.createElement("pre");
  out.id = "probe-result";
  out.textContent = "\n" + lines.join("\n") + "\n";
  document.body.appendChild(out);
});
</script>'
{
    sed -n '/<\/body>/q;p' "$folder/guide.html"
    printf '%s\n' "$probe" '</body>' '</html>'
} >"$folder/guide-probe.html"

run_browser() {  # run_browser WIDTH HEIGHT ARGS...: Chromium, headless, in its own profile
    local width=$1 height=$2
    "$browser" --headless --no-sandbox --disable-gpu --hide-scrollbars --no-first-run \
        --user-data-dir="$work/profile" --window-size="$width,$height" \
        --virtual-time-budget=5000 "${@:3}" 2>>"$work/chromium.log"
}

for width in 1280 500; do
    facts=$(run_browser "$width" 900 --dump-dom "file://$folder/guide-probe.html" |
        sed -n '/<pre id="probe-result">/,/<\/pre>/p' || true)
    check "at $width px the page reported nothing (see $work/chromium.log)" test -n "$facts"
    window=$(sed -n 's/^window //p' <<<"$facts")
    page=$(sed -n 's/^page //p' <<<"$facts")
    check "at $width px the window is ${window:-unknown} px wide" test "${window:-0}" -eq "$width"
    check "at $width px the page is ${page:-unknown} px wide, wider than the window" \
        test "${page:-99999}" -le "$width"
    wider=$(sed -n 's/^wider //p' <<<"$facts" | head -5 | tr '\n' ';')
    check "at $width px these reach past the window's edge: $wider" test -z "$wider"
    broken=$(sed -n 's/^broken //p' <<<"$facts" | head -5 | tr '\n' ';')
    check "at $width px these names are broken across lines: $broken" test -z "$broken"
    images=$(grep -c '^image ' <<<"$facts" || true)
    check "at $width px the guide shows $images pictures, expected 2" test "$images" -eq 2
    while read -r _ src natural right; do
        check "at $width px $src did not load" test "$natural" -gt 0
        check "at $width px $src reaches $right px, past the window" test "$right" -le "$width"
    done < <(grep '^image ' <<<"$facts")
    check "at $width px the Japanese guide is missing" grep -qx 'ja yes' <<<"$facts"
    check "at $width px the English guide is missing" grep -qx 'en yes' <<<"$facts"

    shot=$work/guide-$width.png
    run_browser "$width" 2400 --screenshot="$shot" "file://$folder/guide.html" >/dev/null || true
    check "at $width px no screenshot was written" test -s "$shot"
done

echo "screenshots: $work/guide-1280.png, $work/guide-500.png"
report
