#!/usr/bin/env bash
# game_over.sh - plays a level whose start drops the miner onto spikes until the
# four lives are gone, checks the Game Over screen, leaves it with Space (after
# the foot has landed), plays a second game to Game Over and leaves that one
# with Esc, then ends the program from the title with Esc (status 0).
#
#   bash tests/e2e/game_over.sh build        (starts Xvfb itself without DISPLAY)
#
# Set E2E_KEEP=folder to keep the window captures for a look.
set -euo pipefail

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

BUILD=$(cd "${1:?usage: game_over.sh BUILD_DIR}" && pwd)
HERE=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/gloam_over.XXXXXX)
pid=""
cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "game_over: FAIL: $*" >&2
    if [ -n "${E2E_KEEP:-}" ]; then mkdir -p "$E2E_KEEP" && cp "$work"/*.png "$E2E_KEEP"/ 2>/dev/null; fi
    exit 1
}
step() { echo "game_over: $*"; }

cp "$BUILD/gloam" "$work/"
cp -r "$HERE/levels/gameover" "$work/levels"

wid=""
find_window() {
    local tries=0
    wid=""
    while [ -z "$wid" ]; do
        wid=$(xdotool search --onlyvisible --name '^Gloam Didaruv$' 2>/dev/null | tail -1 || true)
        tries=$((tries + 1))
        [ $tries -gt 100 ] && fail "no game window"
        kill -0 "$pid" 2>/dev/null || fail "the program ended early"
        [ -z "$wid" ] && sleep 0.1
    done
    xdotool windowfocus "$wid" 2>/dev/null || true
    xdotool mousemove --window "$wid" 5 5 2>/dev/null || true
}
press() { xdotool key --delay 60 "$@"; }
hold() { # key seconds
    xdotool keydown "$1"
    sleep "$2"
    xdotool keyup "$1"
}
capture() { import -window "$wid" "$work/$1.png" || fail "cannot capture $1"; }
mean_of() { convert "$work/$1.png" -crop "$2" +repage -colorspace Gray -format '%[fx:mean]' info:; }
max_of() { convert "$work/$1.png" -crop "$2" +repage -colorspace Gray -format '%[fx:maxima]' info:; }
gt() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'; }
difference() {
    compare -metric RMSE "$work/$1.png" "$work/$2.png" null: 2>&1 | sed 's/.*(\(.*\))/\1/'
}

# Game Over is the only screen with a black band where the lives and score
# stand, "Game Over" across the middle, and the miner at the bottom centre.
is_game_over() {
    [ "$(max_of "$1" 320x30+0+0)" = 0 ] && gt "$(mean_of "$1" 200x40+60+100)" 0.01
}
wait_for_game_over() { # capture name; seconds
    local tries=0 limit=$(($2 * 4))
    while :; do
        capture "$1"
        is_game_over "$1" && return 0
        tries=$((tries + 1))
        [ $tries -gt $limit ] && fail "no Game Over within $2 s"
        kill -0 "$pid" 2>/dev/null || fail "the program ended during play"
        sleep 0.25
    done
}
lives_shown() { # the spare-life icons stand at x 56, 67 and 78
    mean_of "$1" 35x20+55+10
}

step "title"
(cd "$work" && exec ./gloam) &
pid=$!
find_window
sleep 1.5
capture title

step "first game: the miner falls on the spikes four times"
press F1
sleep 2
capture play
gt "$(lives_shown play)" 0.02 || fail "no spare lives shown at the start"
is_game_over play && fail "Game Over straight away"
wait_for_game_over over_early 60
sleep 2 # the foot lands after 54 frames
capture over
is_game_over over || fail "Game Over did not stay"
# The foot has come down over the miner at the bottom centre.
gt "$(mean_of over 90x50+115+190)" 0.02 || fail "no foot at the bottom"
gt "$(difference over_early over)" 0.005 || fail "the Game Over screen does not move"

step "Space leaves Game Over for the title"
hold space 0.3
sleep 1
capture title_after_space
gt 0.08 "$(difference title title_after_space)" || fail "Space did not return to the title"

step "second game: Esc leaves Game Over at once"
press F1
sleep 2
wait_for_game_over over2 60
hold Escape 0.3
sleep 1
capture title_after_esc
kill -0 "$pid" 2>/dev/null || fail "Esc on Game Over ended the program"
gt 0.08 "$(difference title title_after_esc)" || fail "Esc did not return to the title"

step "Esc on the title ends the program with status 0"
press Escape
status=0
tries=0
while kill -0 "$pid" 2>/dev/null; do
    tries=$((tries + 1))
    [ $tries -gt 100 ] && fail "the program did not end"
    sleep 0.1
done
wait "$pid" || status=$?
pid=""
[ "$status" -eq 0 ] || fail "exit status $status"
[ -f "$work/gloam.cfg" ] || fail "no settings written"

if [ -n "${E2E_KEEP:-}" ]; then mkdir -p "$E2E_KEEP" && cp "$work"/*.png "$E2E_KEEP"/; fi
step "passed"
