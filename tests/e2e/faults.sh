#!/usr/bin/env bash
# faults.sh - the real program against faults from outside: no sound device,
# broken level files, hand-edited settings (a scale too small for a pixel, a
# depth of 7, a folder or a named pipe as gloam.cfg), close requests in the
# slide, on the Game Over screen and under the size label, SIGTERM on Game
# Over, focus loss in full screen with a key held, screenshots and settings
# on a full disk and from a read-only folder, and the X server ending under the
# game. Each run gets a fresh
# copy of the program and its levels in a temporary folder.
#
#   bash tests/e2e/faults.sh build        (starts Xvfb itself without DISPLAY)
#
# The full-disk and read-only cases mount small tmpfs folders when allowed
# (root); otherwise the full disk is a file size limit and the read-only
# folder is skipped.
set -euo pipefail
e2e_name=faults
source "$(dirname "$0")/lib/setup.bash"
root=$scratch # one folder per run below it
mounts=()
xserver=""
cleanup_more() {
    if [ -n "$xserver" ]; then kill "$xserver" 2>/dev/null || true; fi
    for m in "${mounts[@]}"; do umount "$m" 2>/dev/null || true; done
}

export SDL_AUDIODRIVER=dummy # no ALSA noise; the no-device case sets its own
# A copy that cannot write beside itself writes to the player's folder: never
# the real home.
export HOME=$root/home XDG_DATA_HOME=

# ---- helpers ---------------------------------------------------------------------------------
cc -o "$root/close_window" "$HERE/lib/close_window.c" -lX11 || fail "cannot build the close helper"
# steal_focus <seconds>: a window of its own takes the keyboard focus for a while.
cat >"$root/steal_focus.c" <<'EOF'
#include <X11/Xlib.h>
#include <stdlib.h>
#include <unistd.h>
int main(int argc, char** argv) {
    Display* d = XOpenDisplay(NULL);
    if (!d || argc < 2) return 1;
    Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 50, 50, 0, 0, 0);
    XMapRaised(d, w);
    XSync(d, False);
    usleep(200000);
    XSetInputFocus(d, w, RevertToParent, CurrentTime);
    XSync(d, False);
    usleep((useconds_t)(atof(argv[1]) * 1e6));
    XDestroyWindow(d, w);
    XCloseDisplay(d);
    return 0;
}
EOF
cc -o "$root/steal_focus" "$root/steal_focus.c" -lX11 || fail "cannot build the focus helper"

work=""
errors=/dev/null # the program's standard error, kept outside its folder (which may be full)
# A fresh installation in $root/<name>: the program, a level set, and
# optionally a settings file.
fresh() { # name levelset [settings-bytes]
    work=$root/$1
    errors=$root/$1.stderr
    mkdir -p "$work"
    cp "$BUILD/gloam" "$work/"
    cp -r "$2" "$work/levels"
    if [ $# -ge 3 ]; then printf "$3" >"$work/gloam.cfg"; fi
}
start() { # [env assignments...]
    (cd "$work" && exec env "$@" ./gloam 2>"$errors") &
    pid=$!
}
wid=""
find_window() {
    local tries=0
    wid=""
    while [ -z "$wid" ]; do
        wid=$(xdotool search --onlyvisible --name '^Gloam Didaruv$' 2>/dev/null | tail -1 || true)
        tries=$((tries + 1))
        [ $tries -gt 150 ] && fail "no game window"
        kill -0 "$pid" 2>/dev/null || fail "the program ended early"
        [ -z "$wid" ] && sleep 0.1
    done
    xdotool windowfocus "$wid" 2>/dev/null || true
}
# The title screen forgets keys pressed before it starts (loading, and the
# retrace test of a full-screen display, come first).
wait_title() {
    find_window
    sleep 2
}
press() { xdotool key --delay 60 "$@"; }
capture() { import -window "$wid" "$work/$1.png" || fail "cannot capture $1"; }
size_of() { identify -format '%w %h' "$1"; }
mean_of() { convert "$work/$1.png" -crop "$2" +repage -colorspace Gray -format '%[fx:mean]' info:; }
max_of() { convert "$work/$1.png" -crop "$2" +repage -colorspace Gray -format '%[fx:maxima]' info:; }
gt() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'; }
window_size() {
    eval "$(xdotool getwindowgeometry --shell "$wid")"
    echo "$WIDTH $HEIGHT"
}
wait_exit() { # expected status [seconds]
    local status=0 tries=0 limit=$((${2:-10} * 10))
    while kill -0 "$pid" 2>/dev/null; do
        tries=$((tries + 1))
        [ $tries -gt $limit ] && fail "the program did not end"
        sleep 0.1
    done
    wait "$pid" || status=$?
    pid=""
    [ "$status" -eq "$1" ] || fail "exit status $status, expected $1"
}
settings_are() { # depth scale
    local want
    want=$(printf '%s\r\n%s\r\n' "$1" "$2")
    [ -f "$work/gloam.cfg" ] || fail "no gloam.cfg"
    [ "$(cat "$work/gloam.cfg")" = "$want" ] || fail "gloam.cfg is $(od -c "$work/gloam.cfg")"
}
# The message is the last line the program wrote (drivers may write before it).
stderr_is() {
    [ "$(tail -n 1 "$errors")" = "$1" ] || fail "the message is not '$1'"
}
# Game Over: a black band where lives and score stand, text across the middle.
is_game_over() {
    [ "$(max_of "$1" 320x30+0+0)" = 0 ] && gt "$(mean_of "$1" 200x40+60+100)" 0.01
}
wait_for_game_over() { # seconds
    local tries=0
    while :; do
        capture over
        is_game_over over && return 0
        tries=$((tries + 1))
        [ $tries -gt $(($1 * 4)) ] && fail "no Game Over within $1 s"
        kill -0 "$pid" 2>/dev/null || fail "the program ended during play"
        sleep 0.25
    done
}
# Left edge of whatever is not black in the miner's band (rows 190..209) of a
# 320 x 240 capture.
miner_x() {
    convert "$work/$1.png" -crop 320x20+0+190 +repage -fuzz 10% -format '%@' info: |
        sed 's/.*+\([0-9]*\)+[0-9]*$/\1/'
}

FLOW=$HERE/levels/flow
OVER=$HERE/levels/gameover

# ---- no sound device ----------------------------------------------------------------------------
step "no sound device: a whole game to Game Over, then Esc"
fresh nosound "$OVER"
start SDL_AUDIODRIVER=no_such_driver
wait_title
press F1
sleep 2
wait_for_game_over 90
sleep 1
press Escape
sleep 1
press Escape
wait_exit 0
settings_are 0 1.00000000

# ---- broken level files --------------------------------------------------------------------------
step "a level without #end#: F1 ends the program with the file and the line"
fresh noend "$FLOW"
sed -i '/#end#/d' "$work/levels/level1.txt"
start
wait_title
press F1
wait_exit 255
stderr_is 'Level file levels\level1.txt line 24: expected a baddie keyword or #end#'

step "no levels.txt: start-up ends with its name"
fresh nocount "$FLOW"
rm "$work/levels/levels.txt"
start
wait_exit 255 20
stderr_is 'Cannot open level file levels\levels.txt'

# ---- hand-edited settings ---------------------------------------------------------------------
step "a scale too small for one pixel opens the 320 x 240 window"
fresh tiny "$FLOW" '0\r\n0.001\r\n'
start
wait_title
[ "$(window_size)" = "320 240" ] || fail "the window is $(window_size)"
press Escape
wait_exit 0
settings_are 0 1.00000000

step "a depth of 7 is full screen, and is kept"
fresh depth7 "$FLOW" '7\r\n2\r\n'
start
wait_title
[ "$(window_size)" = "1280 1024" ] || fail "the full-screen window is $(window_size)"
press Escape
wait_exit 0
settings_are 7 2.00000000

step "a named pipe as gloam.cfg: start-up does not wait, the defaults replace it"
fresh pipe "$FLOW"
mkfifo "$work/gloam.cfg"
start
wait_title
press Escape
wait_exit 0
[ -f "$work/gloam.cfg" ] || fail "the pipe was not replaced by a file"
settings_are 0 1.00000000

step "a folder as gloam.cfg: start-up ends with the message, before any window"
fresh folder "$FLOW"
mkdir "$work/gloam.cfg"
start
wait_exit 255 20
stderr_is 'Cannot write configuration file'
[ -d "$work/gloam.cfg" ] || fail "the folder was touched"

# ---- close requests in more screens ----------------------------------------------------------------
close_in() { # where how
    step "close request ($2) in the $1"
    fresh "close_$1_$2" "$([ "$1" = gameover ] && echo "$OVER" || echo "$FLOW")" '0\r\n1.00000000\r\n'
    touch -d '2001-01-01' "$work/gloam.cfg"
    start
    wait_title
    case $1 in
    slide) press F1 && sleep 0.3 ;;
    label) press s && sleep 0.3 && find_window ;;
    gameover) press F1 && sleep 2 && wait_for_game_over 90 ;;
    esac
    if [ "$2" = window ]; then "$root/close_window" "$wid"; else kill -TERM "$pid"; fi
    wait_exit 0
    [ "$work/gloam.cfg" -nt "$root/close_window" ] || fail "settings not written after a close in the $1"
}
close_in slide window
close_in label window
close_in gameover window
close_in gameover term

# ---- focus loss in full screen ------------------------------------------------------------------
step "focus loss in full screen with Right held: the miner stops, the game goes on"
fresh focus "$FLOW" '16\r\n1.00000000\r\n'
start
wait_title
# The full-screen capture holds the 320 x 240 picture scaled up and centred.
shot() {
    capture "$1"
    convert "$work/$1.png" -gravity center -crop 1280x960+0+0 +repage -sample 320x240! "$work/$1.png"
}
press F1
# Software rendering of a large full-screen display can be slow: wait until
# the slide is over and the miner stands at the start (x 20).
tries=0
while :; do
    sleep 0.5
    shot start
    x=$(miner_x start)
    [ "$x" -ge 18 ] && [ "$x" -le 22 ] && break
    tries=$((tries + 1))
    [ $tries -gt 40 ] && fail "the level did not start (miner at $x)"
done
xdotool keydown Right
sleep 0.5
"$root/steal_focus" 1.5 &
helper=$!
sleep 0.8
xdotool keyup Right # released while another window has the keyboard
wait "$helper"
kill -0 "$pid" 2>/dev/null || fail "the program ended on focus loss"
find_window
sleep 0.5
shot away1
sleep 1.5
shot away2
x1=$(miner_x away1)
x2=$(miner_x away2)
[ "$x1" -gt 20 ] || fail "Right did not walk the miner before the focus went ($x1)"
[ "$x1" = "$x2" ] || fail "the miner kept walking after the focus came back ($x1 -> $x2)"
xdotool keydown Right
sleep 1
xdotool keyup Right
shot walked
[ "$(miner_x walked)" -gt "$x2" ] || fail "the keyboard does not walk the miner after the focus came back"
press q
sleep 2
press Escape
wait_exit 0 20
settings_are 16 1.00000000

# ---- full disk and read-only folder ---------------------------------------------------------------
# A tmpfs just big enough for the program and its levels, or false when
# mounting is not allowed.
small_mount() { # folder
    local kb
    kb=$(($(du -sk "$BUILD/gloam" | cut -f1) + 256))
    mkdir -p "$1"
    mount -t tmpfs -o "size=${kb}k" tmpfs "$1" 2>/dev/null || return 1
    mounts+=("$1")
}
fill() { # folder: no byte left
    dd if=/dev/zero of="$1/filler" bs=4k 2>/dev/null || true
    dd if=/dev/zero of="$1/filler2" bs=1 2>/dev/null || true
}

step "full disk: F10 leaves no broken picture, Esc fails loudly and keeps the settings"
if small_mount "$root/full"; then
    work=$root/full
    errors=$root/full.stderr
    cp "$BUILD/gloam" "$work/"
    cp -r "$FLOW" "$work/levels"
    printf '0\r\n1.00000000\r\n' >"$work/gloam.cfg"
    fill "$work"
    start
    limited=""
else
    fresh full "$FLOW" '0\r\n1.00000000\r\n'
    (cd "$work" && trap '' XFSZ && ulimit -f 1 && exec ./gloam 2>"$errors") &
    pid=$!
    limited=" (a file size limit stands in)"
fi
wait_title
press F10
sleep 0.5
press F1
sleep 2
press F10
sleep 0.5
kill -0 "$pid" 2>/dev/null || fail "the program ended on a screenshot to a full disk$limited"
ls "$work"/screen*.jpg >/dev/null 2>&1 && fail "a broken screenshot was left$limited: $(ls -l "$work"/screen*.jpg)"
press q
sleep 1
press Escape
if [ -z "$limited" ]; then
    wait_exit 255
    stderr_is 'Cannot write configuration file'
else
    wait_exit 0 # the settings file is smaller than the limit
fi
settings_are 0 1.00000000

step "read-only folder: settings and screenshots go to the player's folder instead"
if small_mount "$root/readonly"; then
    work=$root/readonly
    errors=$root/readonly.stderr
    cp "$BUILD/gloam" "$work/"
    cp -r "$FLOW" "$work/levels"
    printf '0\r\n2.00000000\r\n' >"$work/gloam.cfg"
    mount -o remount,ro "$work"
    player=$root/readonly_home
    mkdir -p "$player"
    start HOME="$player" XDG_DATA_HOME=
    wait_title
    # The file beside the program is not the player's: a fresh one is made.
    [ "$(window_size)" = "320 240" ] || fail "the settings beside the program were used: $(window_size)"
    press F10
    sleep 0.5
    press Escape
    wait_exit 0
    settings_are 0 2.00000000
    mine=$player/.local/share/gloam-didaruv
    [ "$(printf '0\r\n1.00000000\r\n')" = "$(cat "$mine/gloam.cfg")" ] ||
        fail "the player's gloam.cfg is $(od -c "$mine/gloam.cfg")"
    [ "$(size_of "$mine/screen000.jpg")" = "320 240" ] || fail "no screenshot in the player's folder"
else
    step "  skipped: no permission to mount a read-only folder"
fi

# ---- the display goes away --------------------------------------------------------------------
# The game on an X server of its own, which ends under it: on the title, in
# play and paused. The exit handlers used to close the window on the dead
# connection, where Xlib spins for ever; the run that hung was the paused one.
display_lost() { # where
    step "the X server ends under the game ($1): the program ends with status 1"
    fresh "display_$1" "$FLOW" '0\r\n1.00000000\r\n'
    local n=90 tries=0 saved=$DISPLAY
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 640x480x24 >/dev/null 2>&1 &
    xserver=$!
    until [ -e "/tmp/.X11-unix/X$n" ]; do
        tries=$((tries + 1))
        [ $tries -gt 100 ] && fail "no X server of its own"
        sleep 0.1
    done
    export DISPLAY=:$n
    start
    wait_title
    case $1 in
    play) press F1 && sleep 2 ;;
    pause) press F1 && sleep 2 && press h && sleep 0.5 ;;
    esac
    kill "$xserver"
    wait "$xserver" 2>/dev/null || true
    xserver=""
    export DISPLAY=$saved
    wait_exit 1 10
    stderr_is 'Gloam Didaruv: the connection to the display was lost'
}
display_lost title
display_lost play
display_lost pause

step "passed"
