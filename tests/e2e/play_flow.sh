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
e2e_name=play_flow
source "$(dirname "$0")/lib/setup.bash"

cp "$BUILD/gloam" "$work/"
cp -r "$HERE/levels/flow" "$work/levels"

# A window manager's close box sends WM_DELETE_WINDOW; Xvfb has no window
# manager, so this small client sends it instead.
cc -o "$work/close_window" "$HERE/lib/close_window.c" -lX11 || fail "cannot build the close helper"

# ---- helpers ---------------------------------------------------------------------------------
source "$HERE/lib/game_window.bash"

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
    [ "$work/gloam.cfg" -nt "$work/close_window" ] || fail "settings not written after a close request on the $where"
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
