#!/usr/bin/env bash
# held_keys.sh - end to end: S and W as a player presses them, each key held
# down for a while (80 ms taps, then seconds). Four S taps from 320 x 240
# step 640x480, 800x600, 1024x768, 320x240; W held for 2 s switches to full
# screen once; S held for 1.5 s steps one size; W held down through an S
# switch and released after it switches nothing more. The X server repeats
# held keys, so a key the game took as released would come back as new
# presses.
#
#   bash tests/e2e/held_keys.sh BUILD_DIR   (starts Xvfb itself without DISPLAY)
set -euo pipefail

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

BUILD=$(cd "${1:?usage: held_keys.sh BUILD_DIR}" && pwd)
HERE=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/gloam_held.XXXXXX)
pid=""
cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "held_keys: FAIL: $*" >&2
    [ -s "$work/stderr.txt" ] && { echo "--- program stderr ---" >&2; cat "$work/stderr.txt" >&2; }
    exit 1
}
step() { echo "held_keys: $*"; }
export SDL_AUDIODRIVER=dummy

# shellcheck source=lib/game_window.bash
source "$HERE/lib/game_window.bash"

cp "$BUILD/gloam" "$work/"
cp -r "$BUILD/levels" "$work/"
printf '0\r\n1.00000000\r\n' >"$work/gloam.cfg"

geometry() { xdo getwindowgeometry "$wid" | sed -n 's/.*Geometry: //p'; }
# The window must be width x height now and still be so a while later: a
# held key that runs away keeps changing it.
settles_at() { # WxH what
    window_size_becomes "$1" 10
    sleep 1.2
    find_window 5 || fail "the window went away after $2"
    [ "$(geometry)" = "$1" ] || fail "after $2 the window is $(geometry), expected $1"
}

start_program
wait_for title title 60
step "title screen at $(geometry)"

for size in 640x480 800x600 1024x768 320x240; do
    hold s 0.08
    settles_at "$size" "an 80 ms S"
    step "S tapped: $size"
done

screen=$(xdpyinfo | sed -n 's/.*dimensions: *\([0-9]*x[0-9]*\) pixels.*/\1/p')
hold w 2
settles_at "$screen" "W held for 2 s"
step "W held for 2 s: full screen once ($screen)"
hold w 0.08
settles_at 320x240 "an 80 ms W"
step "W tapped: back to 320x240"

hold s 1.5
settles_at 640x480 "S held for 1.5 s"
step "S held for 1.5 s: one step, 640x480"

# W goes down, the display switches, S switches it again while W is still
# held, and W's release comes to the changed window.
xdo keydown w || fail "cannot press w"
sleep 0.5
hold s 0.08
sleep 1
xdo keyup w || fail "cannot release w"
settles_at "$screen" "W held through an S"
step "W held through an S: still full screen once"
hold w 0.08
settles_at 800x600 "an 80 ms W"
step "W tapped: an 800x600 window, the size S chose in full screen"

press Escape
wait_exit 0
grep -q '^16' "$work/gloam.cfg" && fail "settings saved full screen"
step "passed"
