# Sourced first by every script here, with the arguments that may ask for
# help: -h or --help among them prints the script's header comment (from its
# second line up to "set -euo"), unmarked, and exits 0. usage_error MESSAGE
# then prints "SCRIPT: MESSAGE" (the script's name without .sh, as its
# other messages name it) and the usage line (the header's first line)
# on standard error and exits 2.
for arg in "$@"; do
    case $arg in
        -h | --help)
            sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$0"
            exit 0
            ;;
    esac
done

usage_error() {
    echo "$(basename "$0" .sh): $1" >&2
    sed -n '2s/^# //p' "$0" >&2
    exit 2
}
