# shellcheck shell=bash
# Sourced by the shell checks: each check counts as passed or failed and says
# what went wrong; the closing line is the one CI reads.
passed=0 failed=0

# check DESCRIPTION COMMAND...: runs the command; a failure prints one line.
check() {
    if "${@:2}"; then passed=$((passed + 1)); else echo "FAILED: $1"; failed=$((failed + 1)); fi
}

# report: the closing line, and the script's status.
report() {
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}
