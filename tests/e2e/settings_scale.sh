#!/usr/bin/env bash
# settings_scale.sh - end to end: a first run creates gloam.cfg with the
# defaults, S on the title screen walks the window through 640x480, 800x600,
# 1024x768 and back to 320x240, and Esc ends the program with status 0 and
# the file rewritten.
#
# Usage: settings_scale.sh <build dir>   (needs xdotool; starts its own Xvfb
# when DISPLAY is not set)
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: $0 <build dir>" >&2
    exit 2
fi
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

build=$(cd "$1" && pwd)
work=$(mktemp -d)
pid=""
cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "settings_scale: $*" >&2
    if [ -s "$work/stderr.txt" ]; then
        echo "--- program stderr ---" >&2
        cat "$work/stderr.txt" >&2
    fi
    exit 1
}

cp "$build/gloam" "$work/"
cp -r "$build/levels" "$work/"
printf '0\r\n1.00000000\r\n' >"$work/expected.cfg"

cd "$work"
./gloam 2>"$work/stderr.txt" &
pid=$!

# The id of the game window once it is mapped at width x height; the
# window is made anew at every change of size, so it is looked up each time.
window_of_size() {
    local want=$1 deadline=$((SECONDS + 20)) id
    while [ $SECONDS -lt $deadline ]; do
        kill -0 "$pid" 2>/dev/null || fail "the program ended while waiting for a $want window"
        for id in $(xdotool search --onlyvisible --name '^Gloam Didaruv$' 2>/dev/null || true); do
            eval "$(xdotool getwindowgeometry --shell "$id" 2>/dev/null || true)"
            if [ "${WIDTH:-}x${HEIGHT:-}" = "$want" ]; then
                echo "$id"
                return 0
            fi
        done
        sleep 0.1
    done
    fail "no ${want} window appeared"
}

# Keys pressed while the pictures are still loading are flushed when the
# title screen starts, so wait until the title's scroller is moving.
wait_title() {
    local deadline=$((SECONDS + 60)) diff
    while [ $SECONDS -lt $deadline ]; do
        kill -0 "$pid" 2>/dev/null || fail "the program ended before the title screen"
        import -window "$1" "$work/a.png" 2>/dev/null || true
        sleep 0.3
        import -window "$1" "$work/b.png" 2>/dev/null || true
        diff=$(compare -metric AE "$work/a.png" "$work/b.png" null: 2>&1 || true)
        if [ -n "$diff" ] && [ "${diff%%.*}" -gt 0 ] 2>/dev/null; then
            return 0
        fi
    done
    fail "the title screen did not appear"
}

window=$(window_of_size 320x240)
wait_title "$window"
[ -f gloam.cfg ] || fail "gloam.cfg was not created"
cmp -s gloam.cfg expected.cfg || fail "new gloam.cfg holds $(od -c gloam.cfg | head -3)"

# Keys go in as real key presses (XTEST) to the focused game window.
press() {
    timeout 5 xdotool windowfocus --sync "$1" 2>/dev/null || true
    xdotool key "$2"
}

for size in 640x480 800x600 1024x768 320x240; do
    press "$window" s
    window=$(window_of_size "$size")
    echo "S -> $size"
done

# Something else in the file now, so the check below sees a real rewrite.
printf '16\r\n2.50000000\r\n' >gloam.cfg
press "$window" Escape
status=0
for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "Esc did not end the program"
wait "$pid" || status=$?
pid=""
[ "$status" -eq 0 ] || fail "exit status $status, expected 0"
cmp -s gloam.cfg expected.cfg || fail "rewritten gloam.cfg holds $(od -c gloam.cfg | head -3)"
[ ! -e gloam.cfg.tmp ] || fail "a temporary settings file was left behind"
echo "settings_scale: passed"
