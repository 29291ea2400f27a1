#!/usr/bin/env bash
# play_flow.sh - drives the real program through its screens under an X server:
# title, F1 with the slide, walking, pause and resume, F10 screenshots at scale
# 1 and 2, Q back to the title, Esc out with the settings rewritten; then a
# close request (the window's close message, and SIGTERM) on the title, in
# play and in the pause, each ending with status 0 and the settings written.
#
#   bash tests/e2e/play_flow.sh build        (starts Xvfb itself without DISPLAY)
#
# Set E2E_KEEP=folder to keep the window captures for a look.
set -euo pipefail

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

BUILD=$(cd "${1:?usage: play_flow.sh BUILD_DIR}" && pwd)
HERE=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/gloam_flow.XXXXXX)
pid=""
keep() { if [ -n "${E2E_KEEP:-}" ]; then mkdir -p "$E2E_KEEP" && cp "$work"/*.png "$E2E_KEEP"/; fi; }
cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "play_flow: FAIL: $*" >&2
    grep -v '^ALSA\|XDG_RUNTIME' "$work/stderr.txt" >&2 2>/dev/null || true
    keep 2>/dev/null || true
    exit 1
}
step() { echo "play_flow: $*"; }

cp "$BUILD/gloam" "$work/"
cp -r "$HERE/levels/flow" "$work/levels"

# A window manager's close box sends WM_DELETE_WINDOW; Xvfb has no window
# manager, so this small client sends it instead.
cat >"$work/close_window.c" <<'EOF'
#include <X11/Xlib.h>
#include <stdlib.h>
#include <unistd.h>
int main(int argc, char** argv) {
    Display* d = NULL;
    for (int i = 0; i < 10 && !d; ++i)
        if (!(d = XOpenDisplay(NULL))) usleep(100000);
    if (!d || argc < 2) return 1;
    Window w = (Window)strtoul(argv[1], NULL, 0);
    XEvent e = {0};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = (long)XInternAtom(d, "WM_DELETE_WINDOW", False);
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, w, False, NoEventMask, &e);
    XCloseDisplay(d);
    return 0;
}
EOF
cc -o "$work/close_window" "$work/close_window.c" -lX11 || fail "cannot build the close helper"

# ---- helpers ---------------------------------------------------------------------------------
# A busy X server now and then refuses a connection; every X client call here
# is tried again a few times before it counts as a failure.
xdo() {
    local i
    for i in 1 2 3 4 5 6; do
        xdotool "$@" 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}
press() { xdo key --delay 60 "$@" || fail "cannot press $*"; }
hold() { # key seconds
    xdo keydown "$1" || fail "cannot press $1"
    sleep "$2"
    xdo keyup "$1" || fail "cannot release $1"
}

# Starts the program from another folder (it must find its levels and write
# its files beside itself) and waits for its window. When the program could
# not reach the X server it runs without a window; it is then started again.
start_program() {
    local attempt
    for attempt in 1 2 3; do
        (cd / && exec "$work/gloam") 2>>"$work/stderr.txt" &
        pid=$!
        find_window 15 && return 0
        kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
        pid=""
    done
    fail "no game window"
}

# The game window (a new one after every S or W) gets the keyboard.
wid=""
find_window() { # seconds
    local tries=0
    wid=""
    while [ -z "$wid" ]; do
        kill -0 "$pid" 2>/dev/null || fail "the program ended early"
        wid=$(xdotool search --onlyvisible --name '^Gloam Didaruv$' 2>/dev/null | tail -1 || true)
        tries=$((tries + 1))
        [ -z "$wid" ] && [ $tries -gt $(($1 * 10)) ] && return 1
        [ -z "$wid" ] && sleep 0.1
    done
    xdo windowfocus "$wid" || true
    xdo mousemove --window "$wid" 5 5 || true
    return 0
}
window_size_becomes() { # WxH seconds
    local tries=0
    while :; do
        if find_window 5 &&
            [ "$(xdo getwindowgeometry "$wid" | sed -n 's/.*Geometry: //p')" = "$1" ]; then
            return 0
        fi
        tries=$((tries + 1))
        [ $tries -gt $(($2 * 5)) ] && fail "the window did not become $1"
        sleep 0.2
    done
}

# Captures are kept at the window's size (NAME_raw.png) and brought to the
# logical 320 x 240 (NAME.png), which every measurement below works in.
capture() {
    local i
    for i in 1 2 3 4 5 6; do
        if import -window "$wid" "$work/$1_raw.png" 2>/dev/null; then
            convert "$work/$1_raw.png" -sample '320x240!' "$work/$1.png"
            return 0
        fi
        sleep 0.2
    done
    fail "cannot capture $1"
}
size_of() { identify -format '%w %h' "$1"; }
numeric() { # passes a measurement on, or fails when a tool gave none
    [[ "$1" =~ ^[0-9.e+-]+$ ]] || fail "not a measurement: $1"
    echo "$1"
}
gt() {
    local a b
    a=$(numeric "$1") || exit 1
    b=$(numeric "$2") || exit 1
    awk -v a="$a" -v b="$b" 'BEGIN { exit !(a + 0 > b + 0) }'
}
# Mean, highest and spread of the brightness (0..1) of a capture or a rectangle.
mean_of() { convert "$work/$1.png" -crop "$2" +repage -colorspace Gray -format '%[fx:mean]' info:; }
max_of() { convert "$work/$1.png" -crop "$2" +repage -colorspace Gray -format '%[fx:maxima]' info:; }
spread_of() { convert "$work/$1.png" -colorspace Gray -format '%[fx:standard_deviation]' info:; }
# Root-mean-square difference (0..1) of two captures, over the whole picture
# or a rectangle of it.
difference() { # capture capture [rectangle]
    local area=${3:-320x240+0+0}
    convert "$work/$1.png" -crop "$area" +repage "$work/cmp_a.png"
    convert "$work/$2.png" -crop "$area" +repage "$work/cmp_b.png"
    numeric "$(compare -metric RMSE "$work/cmp_a.png" "$work/cmp_b.png" null: 2>&1 |
        sed 's/.*(\(.*\))/\1/')"
}

# Screens told apart by what the captures show. The machine may be busy, so
# each is waited for rather than assumed after a fixed time.
is_title() { # the picture above the scroller stands still while the scroller moves
    sleep 0.3
    capture "$1_next"
    gt 0.001 "$(difference "$1" "$1_next" 320x180+0+0)" &&
        gt "$(difference "$1" "$1_next" 176x16+80+197)" 0.05
}
is_play() { # black above the heads-up display, "Lives:" in white
    [ "$(max_of "$1" 320x8+0+0)" = 0 ] && gt "$(mean_of "$1" 50x12+10+14)" 0.05
}
is_paused() { gt "$(mean_of "$1" 240x16+40+112)" 0.05; }
# Game Over: black where the lives and score stand, "Game Over" in the middle.
is_game_over() {
    [ "$(max_of "$1" 320x30+0+0)" = 0 ] && gt "$(mean_of "$1" 200x40+60+100)" 0.01
}
wait_for() { # screen capture-name seconds
    local tries=0 limit=$(($3 * 4))
    while :; do
        capture "$2"
        "is_$1" "$2" && return 0
        kill -0 "$pid" 2>/dev/null || fail "the program ended while waiting for $1"
        tries=$((tries + 1))
        [ $tries -gt $limit ] && fail "no $1 screen within $3 s"
        sleep 0.2
    done
}
wait_exit() { # expected status
    local status=0 tries=0
    while kill -0 "$pid" 2>/dev/null; do
        tries=$((tries + 1))
        [ $tries -gt 200 ] && fail "the program did not end"
        sleep 0.1
    done
    wait "$pid" || status=$?
    pid=""
    [ "$status" -eq "$1" ] || fail "exit status $status, expected $1"
}

# Left edge of whatever is not black in the miner's band (rows 190..209).
miner_x() {
    convert "$work/$1.png" -crop 320x20+0+190 +repage -fuzz 10% -format '%@' info: |
        sed 's/.*+\([0-9]*\)+[0-9]*$/\1/'
}
settings_are() { # depth scale
    local want
    want=$(printf '%s\r\n%s\r\n' "$1" "$2")
    [ "$(cat "$work/gloam.cfg")" = "$want" ] || fail "gloam.cfg is $(od -c "$work/gloam.cfg")"
}
wait_file() { # name seconds
    local tries=0
    until [ -s "$work/$1" ]; do
        tries=$((tries + 1))
        [ $tries -gt $(($2 * 10)) ] && fail "no $1"
        sleep 0.1
    done
    sleep 0.2 # written in one go; give it time to be closed
}

# ---- one game through its screens ------------------------------------------------------------
step "title screen"
start_program
[ -f "$work/gloam.cfg" ] || fail "no settings file created beside the program"
settings_are 0 1.00000000
wait_for title title 30
[ "$(size_of "$work/title_raw.png")" = "320 240" ] || fail "title window is $(size_of "$work/title_raw.png")"
gt "$(spread_of title)" 0.05 || fail "the title screen is blank"

step "F1: a game starts with the slide"
press F1
sleep 0.3
capture slide
wait_for play play 20
gt "$(mean_of play 320x10+0+210)" 0.05 || fail "no floor drawn in play"
gt "$(mean_of play 100x12+0+10)" 0.02 || fail "no heads-up display in play"
gt "$(difference slide play)" 0.02 || fail "the slide did not show"

step "Right held: the miner walks"
x0=$(miner_x play)
hold Right 1
capture walked
x1=$(miner_x walked)
[ "$x1" -ge $((x0 + 30)) ] || fail "the miner did not walk right ($x0 -> $x1)"

step "H pauses, H resumes"
is_paused play && fail "pause text in play"
press h
wait_for paused paused 10
sleep 0.5
capture paused2
gt "$(difference paused paused2)" 0.01 || fail "the pause effect does not move"
hold Right 0.5
press h
wait_for play resumed 10
[ "$(miner_x resumed)" -le $((x1 + 5)) ] || fail "the miner walked during the pause"
hold Right 0.5
capture walked2
[ "$(miner_x walked2)" -ge $((x1 + 15)) ] || fail "the miner did not walk after the pause"

step "F10 at scale 1, then S and F10 at scale 2"
press F10
wait_file screen000.jpg 10
[ "$(size_of "$work/screen000.jpg")" = "320 240" ] || fail "screen000.jpg is $(size_of "$work/screen000.jpg")"
press s
window_size_becomes 640x480 10
press F10
wait_file screen001.jpg 10
[ "$(size_of "$work/screen001.jpg")" = "640 480" ] || fail "screen001.jpg is $(size_of "$work/screen001.jpg")"
cp "$work/screen000.jpg" "$work/shot_scale1.jpg"
convert "$work/screen000.jpg" "$work/shot_scale1.png"
convert "$work/screen001.jpg" "$work/shot_scale2.png"

step "Q: back to the title"
press q
wait_for title title_again 10
[ "$(size_of "$work/title_again_raw.png")" = "640 480" ] || fail "the window lost its scale"
# Below the top band: the new scale's label may still be showing there.
gt 0.001 "$(difference title title_again 320x150+0+30)" || fail "Q did not return to the title"

step "Esc: the program ends with status 0 and the settings rewritten"
press Escape
wait_exit 0
settings_are 0 2.00000000

# ---- close requests ----------------------------------------------------------------------------
# The settings file is made old, so a rewrite shows in its time stamp.
close_run() { # name: where the request arrives, how: window|term
    local where=$1 how=$2
    step "close request ($how) on the $where"
    touch -d '2001-01-01' "$work/gloam.cfg"
    start_program
    wait_for title "close_$where" 30
    if [ "$where" != title ]; then
        press F1
        wait_for play "close_$where" 20
    fi
    if [ "$where" = pause ]; then
        press h
        wait_for paused "close_$where" 10
    fi
    if [ "$how" = window ]; then
        "$work/close_window" "$wid" || fail "cannot send the close message"
    else
        kill -TERM "$pid"
    fi
    wait_exit 0
    [ "$work/gloam.cfg" -nt "$work/close_window.c" ] || fail "settings not written after a close request on the $where"
    settings_are 0 2.00000000
}
close_run title window
close_run title term
close_run play window
close_run play term
close_run pause term
close_run pause window

keep
step "passed"
