# setup.bash - the start every end-to-end script shares: an X server (Xvfb
# when DISPLAY is not set), the build folder from the first argument, a
# scratch folder that goes at exit with the program stopped, fail and step.
#
#   set -euo pipefail
#   e2e_name=play_flow      # names the messages and the scratch folder
#   source "$(dirname "$0")/lib/setup.bash"
#
# Sourced without arguments, so "$@" here is the script's own. Sets BUILD,
# HERE (this folder's parent), SOURCE (the source tree), scratch, work (the
# program's folder, scratch until the script moves it), errors (the program's
# standard error, $work/stderr.txt unless the script says otherwise) and pid.
# A script may redefine keep_files (what E2E_KEEP=folder keeps: the captures)
# and cleanup_more (run at exit before the scratch folder goes).

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

BUILD=$(cd "${1:?usage: $e2e_name.sh BUILD_DIR}" && pwd)
HERE=$(cd "$(dirname "$0")" && pwd)
SOURCE=$(cd "$HERE/../.." && pwd)
scratch=$(mktemp -d "/tmp/gloam_$e2e_name.XXXXXX")
work=$scratch
errors=$work/stderr.txt
pid=""

keep_files() { echo "$work"/*.png; }
cleanup_more() { :; }
keep() {
    [ -n "${E2E_KEEP:-}" ] || return 0
    mkdir -p "$E2E_KEEP"
    # shellcheck disable=SC2046 # the list is meant to split
    cp $(keep_files) "$E2E_KEEP"/ 2>/dev/null || true
}
cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
    cleanup_more
    rm -rf "$scratch"
}
trap cleanup EXIT

fail() {
    echo "$e2e_name: FAIL: $*" >&2
    if [ -s "$errors" ]; then
        echo "--- program stderr ---" >&2
        # Without the driver chatter that every run prints.
        grep -v '^ALSA\|XDG_RUNTIME\|disk i/o audio\|Writing to file' "$errors" >&2 || true
    fi
    keep
    exit 1
}
step() { echo "$e2e_name: $*"; }
