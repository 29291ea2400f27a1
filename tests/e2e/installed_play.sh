#!/usr/bin/env bash
# installed_play.sh - installs the game into a fresh prefix and plays the
# INSTALLED copy as a player would, through real key presses to its window.
#
#   bash tests/e2e/installed_play.sh build    (starts Xvfb itself without DISPLAY)
#
# The installation: bin/gloam and bin/gloam-level lead to lib/gloam-didaruv,
# which holds the levels; a valid desktop entry whose Exec names the installed
# program; icons of 64 x 64 and 128 x 128 pixels.
#
# First run, started through the desktop entry's Exec line from another
# folder: the title with its scroller and tune and the default settings file
# beside the real program; F1 and the slide; the miner walks and jumps; H
# pauses (Right held meanwhile moves nothing) and H resumes; M silences and
# restores the music; F10 at every scale of S (320x240 .. 1024x768) and in
# full screen (W) and back; Q returns to the title; a close request ends the
# program with status 0 and the settings written. Second run, through the
# bin/ link found on PATH: the window opens at the saved size, and Esc ends
# the program with status 0. After each run no process or window is left.
#
# Sound goes to SDL's disk driver, so the music can be heard as samples in a
# file. Waits poll the window or the files, for a loaded machine. The walking
# and jumping read the miner's shirt colour on the first shipped level, where
# he starts with room to walk right. Set E2E_KEEP=folder to keep the captures
# and screenshots.
set -euo pipefail
e2e_name=installed_play
source "$(dirname "$0")/lib/setup.bash"
prefix="$work/prefix"
home="$prefix/lib/gloam-didaruv" # where the real program lives and writes
keep_files() { echo "$work"/cap/*.png "$home"/screen*.jpg; }
gt() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'; }

# ---- the installation ------------------------------------------------------------------------
step "install into a fresh prefix"
cmake --install "$BUILD" --prefix "$prefix" >"$work/install.log" || fail "cmake --install failed"
[ -x "$home/gloam" ] || fail "no program in lib/gloam-didaruv"
[ -f "$home/levels/levels.txt" ] || fail "no levels beside the program"
[ "$(readlink -f "$prefix/bin/gloam")" = "$(readlink -f "$home/gloam")" ] ||
    fail "bin/gloam does not lead to the program"
[ "$(readlink -f "$prefix/bin/gloam-level")" = "$(readlink -f "$home/gloam-level")" ] ||
    fail "bin/gloam-level does not lead to the level tool"
# The installed level tool finds the installed levels by itself; they hold no
# errors. Playing them for traps is the unit tests' part: minutes in a
# sanitizer build.
"$prefix/bin/gloam-level" check --no-traps >"$work/check.txt" || fail "gloam-level check: $(cat "$work/check.txt")"

entry="$prefix/share/applications/gloam-didaruv.desktop"
[ -f "$entry" ] || fail "no desktop entry"
desktop-file-validate "$entry" || fail "the desktop entry is not valid"
exec_line=$(sed -n 's/^Exec=//p' "$entry")
[ "$exec_line" = "$prefix/bin/gloam" ] || fail "the desktop entry runs '$exec_line'"
icon_name=$(sed -n 's/^Icon=//p' "$entry")
for size in 64 128; do
    icon="$prefix/share/icons/hicolor/${size}x${size}/apps/$icon_name.png"
    [ -f "$icon" ] || fail "no ${size}x${size} icon named $icon_name"
    [ "$(identify -format '%m %wx%h' "$icon")" = "PNG ${size}x${size}" ] ||
        fail "icon $icon is $(identify -format '%m %wx%h' "$icon")"
done

# A window manager's close box sends WM_DELETE_WINDOW; Xvfb has none, and this
# xdotool cannot send it, so a small client does.
cc -o "$work/close_window" "$SOURCE/tests/e2e/lib/close_window.c" -lX11 || fail "cannot build the close helper"

# Takes the window's pixels as a PPM picture in a few milliseconds, fast
# enough to catch frames of the slide; ImageMagick's import is too slow.
cat >"$work/grab.c" <<'EOF'
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
static int shift_of(unsigned long mask) {
    int s = 0;
    while (mask && !(mask & 1)) { mask >>= 1; ++s; }
    return s;
}
int main(int argc, char** argv) {
    Display* d = XOpenDisplay(NULL);
    if (!d || argc < 3) return 1;
    Window w = (Window)strtoul(argv[1], NULL, 0);
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, w, &a)) return 1;
    XImage* im = XGetImage(d, w, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
    if (!im) return 1;
    FILE* f = fopen(argv[2], "wb");
    if (!f) return 1;
    fprintf(f, "P6\n%d %d\n255\n", a.width, a.height);
    int rs = shift_of(im->red_mask), gs = shift_of(im->green_mask), bs = shift_of(im->blue_mask);
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            unsigned long p = XGetPixel(im, x, y);
            fputc((int)((p & im->red_mask) >> rs), f);
            fputc((int)((p & im->green_mask) >> gs), f);
            fputc((int)((p & im->blue_mask) >> bs), f);
        }
    XDestroyImage(im);
    XCloseDisplay(d);
    return fclose(f) != 0;
}
EOF
cc -O2 -o "$work/grab" "$work/grab.c" -lX11 || fail "cannot build the capture helper"
mkdir -p "$work/cap" "$work/elsewhere"

# ---- helpers ---------------------------------------------------------------------------------
audio="$work/audio.raw"
start_program() { # how: the command line that starts the game
    rm -f "$audio"
    (cd "$work/elsewhere" && SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$audio" \
        exec "$@" 2>>"$work/stderr.txt") &
    pid=$!
}

alive() { kill -0 "$pid" 2>/dev/null || fail "the program ended early"; }

# The game window at width x height (a new window after every S or W), focused
# so it gets the keys.
wid=""
window_of_size() { # WxH [seconds]
    local want=$1 deadline=$((SECONDS + ${2:-60})) id
    wid=""
    while [ $SECONDS -lt $deadline ]; do
        alive
        for id in $(xdotool search --onlyvisible --name '^Gloam Didaruv$' 2>/dev/null || true); do
            eval "$(xdotool getwindowgeometry --shell "$id" 2>/dev/null || true)"
            if [ "${WIDTH:-}x${HEIGHT:-}" = "$want" ]; then
                wid=$id
                timeout 5 xdotool windowfocus --sync "$wid" 2>/dev/null || true
                xdotool mousemove --window "$wid" 5 5 2>/dev/null || true
                return 0
            fi
        done
        sleep 0.2
    done
    fail "no $want game window"
}

press() { xdotool key --delay 80 "$@"; }

# Captures are kept at the logical 320 x 240 for comparing.
logical() { # picture name: its centred 4:3 part brought to 320 x 240
    local w h
    read -r w h <<<"$(identify -format '%w %h' "$1")"
    if [ $((w * 3)) -gt $((h * 4)) ]; then w=$((h * 4 / 3)); else h=$((w * 3 / 4)); fi
    convert "$1" -gravity center -crop "${w}x${h}+0+0" +repage -sample '320x240!' "$work/cap/$2.png"
}
capture() {
    "$work/grab" "$wid" "$work/cap/$1.ppm" || fail "cannot capture $1"
    logical "$work/cap/$1.ppm" "$1"
}
mean_of() { convert "$work/cap/$1.png" -colorspace Gray -format '%[fx:mean]' info:; }
difference() { # RMSE 0..1 of two captures, or of one region of them
    local region=${3:-320x240+0+0}
    compare -metric RMSE "$work/cap/$1.png[$region]" "$work/cap/$2.png[$region]" null: 2>&1 |
        sed 's/.*(\(.*\))/\1/'
}
# Regions that stand still: the title picture above the scroller, and the
# first level's walls and backdrop between the status band and the items.
TITLE_TOP=320x170+0+0
SCROLLER=320x30+0+184
LEVEL_UPPER=320x110+0+35

# The miner's shirt (#3460CC) in the playing area below the status band, as
# "left top" in logical pixels, or "none".
miner_at() {
    local box
    box=$(convert "$work/cap/$1.png" -crop 320x190+0+30 +repage -alpha off \
        -fuzz 6% -fill black +opaque '#3460CC' -fill white -opaque '#3460CC' -fuzz 0 \
        -format '%@' info: 2>/dev/null)
    case "$box" in
    0x0* | "") echo none ;;
    *) echo "$box" | sed 's/^[0-9]*x[0-9]*+\([0-9]*\)+\([0-9]*\)$/\1 \2/' ;;
    esac
}
# Polls captures until the miner's shirt satisfies the awk condition on x and
# y, e.g. 'x >= 50'; leaves the place in mx and my.
mx=0
my=0
wait_miner() { # name condition seconds
    local deadline=$((SECONDS + $3)) at=none
    while [ $SECONDS -lt $deadline ]; do
        alive
        capture "$1"
        at=$(miner_at "$1")
        if [ "$at" != none ] && echo "$at" | awk "{ x = \$1; y = \$2; exit !($2) }"; then
            read -r mx my <<<"$at"
            return 0
        fi
        sleep 0.1
    done
    fail "$1: the miner never met $2 (last seen at $at)"
}

# Loudest sample of the last quarter second the sound device was given.
audio_peak() {
    local size start
    size=$(stat -c %s "$audio" 2>/dev/null || echo 0)
    [ "$size" -ge 44100 ] || {
        echo 0
        return
    }
    start=$(((size / 4 - 11025) * 4))
    dd if="$audio" iflag=skip_bytes,count_bytes skip="$start" count=44100 bs=44100 status=none |
        sox -t raw -r 44100 -e signed -b 16 -c 2 - -n stat 2>&1 |
        awk '/Maximum amplitude/ { m = $3 } /Minimum amplitude/ { n = -$3 } END { print (m > n ? m : n) }'
}
wait_audio() { # loud|silent what
    local deadline=$((SECONDS + 30)) peak=0
    while [ $SECONDS -lt $deadline ]; do
        alive
        peak=$(audio_peak)
        if [ "$1" = loud ] && gt "$peak" 0.02; then return 0; fi
        if [ "$1" = silent ] && ! gt "$peak" 0; then return 0; fi
        sleep 0.2
    done
    fail "$2: the sound stayed $([ "$1" = loud ] && echo silent || echo "at peak $peak")"
}

shots=0
# F10 writes the next screenNNN.jpg, of that size and showing the reference
# capture in the region. The window must show the reference first: a frame
# begun in the window that W or S replaced lacks its backdrop.
screenshot_is() { # WxH reference region
    local name deadline size
    name=$(printf 'screen%03d.jpg' "$shots")
    wait_like before_shot "$2" "$3" "$name"
    press F10
    deadline=$((SECONDS + 30))
    while ! size=$(identify -format '%wx%h' "$home/$name" 2>/dev/null); do
        [ $SECONDS -lt $deadline ] || fail "F10 wrote no $name"
        alive
        sleep 0.2
    done
    sleep 0.3 # written and closed at once; this leaves time for that
    logical "$home/$name" shot
    gt 0.05 "$(difference "$2" shot "$3")" || fail "$name does not show the $2 ($(difference "$2" shot "$3"))"
    [ "$size" = "$1" ] || fail "$name is $size, expected $1"
    step "  $name $size"
    shots=$((shots + 1))
}

wait_like() { # name reference region what: polls until the window shows the reference there
    local deadline=$((SECONDS + 30))
    while :; do
        alive
        capture "$1"
        gt 0.03 "$(difference "$2" "$1" "$3")" && return 0
        [ $SECONDS -lt $deadline ] || fail "$4: the window does not show the $2 ($(difference "$2" "$1" "$3"))"
        sleep 0.3
    done
}
wait_title() { wait_like "$1" title $TITLE_TOP "$2"; }

wait_exit() { # what
    local deadline=$((SECONDS + 60)) status=0
    while kill -0 "$pid" 2>/dev/null; do
        [ $SECONDS -lt $deadline ] || fail "$1 did not end the program"
        sleep 0.2
    done
    wait "$pid" || status=$?
    pid=""
    [ "$status" -eq 0 ] || fail "$1: exit status $status, expected 0"
}

settings_are() { # depth scale
    printf '%s\r\n%s\r\n' "$1" "$2" >"$work/expected.cfg"
    cmp -s "$home/gloam.cfg" "$work/expected.cfg" || fail "gloam.cfg holds $(od -c "$home/gloam.cfg")"
}

nothing_left() { # what
    local deadline=$((SECONDS + 20))
    while pgrep -f "$prefix/" >/dev/null || [ -n "$(xdotool search --name '^Gloam Didaruv$' 2>/dev/null)" ]; do
        [ $SECONDS -lt $deadline ] || fail "after $1 a process or window is left: $(pgrep -af "$prefix/")"
        sleep 0.2
    done
    [ -z "$(ls -A "$work/elsewhere")" ] || fail "files written outside the program's folder: $(ls "$work/elsewhere")"
    [ ! -e "$home/gloam.cfg.tmp" ] || fail "a temporary settings file was left"
}

# ---- first run: a game through every screen --------------------------------------------------
step "run 1: started through the desktop entry"
start_program "$exec_line"
window_of_size 320x240
settings_are 0 1.00000000
# The title picture of the game's art, with the scroller moving below it.
convert "$SOURCE/gfx/titlescreen.bmp" "$work/cap/art.png"
deadline=$((SECONDS + 30))
while :; do
    alive
    capture title
    sleep 0.3
    capture title2
    if gt 0.01 "$(difference art title $TITLE_TOP)" &&
        gt "$(difference title title2 $SCROLLER)" 0; then break; fi
    [ $SECONDS -lt $deadline ] || fail "no title picture with a moving scroller"
done
wait_audio loud "the title tune"

step "F1: a game starts with the slide"
# A burst of captures: a frame of the slide differs from both the title and
# the level it ends on, where they stand still.
press F1
for i in $(seq 1 20); do "$work/grab" "$wid" "$work/cap/burst$i.ppm" || true; sleep 0.05; done
sleep 2
capture play
gt "$(difference title play $TITLE_TOP)" 0.1 || fail "F1 did not leave the title"
slid=0
for i in $(seq 1 20); do
    [ -s "$work/cap/burst$i.ppm" ] || continue
    convert "$work/cap/burst$i.ppm" -sample '320x240!' "$work/cap/burst$i.png" || continue
    if gt "$(difference "burst$i" title $TITLE_TOP)" 0.02 &&
        gt "$(difference "burst$i" play $LEVEL_UPPER)" 0.02; then slid=1; fi
done
[ "$slid" = 1 ] || fail "no frame of the slide was seen"
wait_miner start 'x >= 0' 20
x0=$mx y0=$my
step "  the miner stands at $x0,$y0"

step "Right held: the miner walks"
# Short steps, so he stops well before the wall of the first level.
walk() { # key condition
    local deadline=$((SECONDS + 40))
    while :; do
        xdotool keydown "$1"
        sleep 0.25
        xdotool keyup "$1"
        sleep 0.3
        wait_miner walk 'x >= 0' 10
        if echo "$mx $my" | awk "{ x = \$1; y = \$2; exit !($2) }"; then return 0; fi
        [ $SECONDS -lt $deadline ] || fail "the miner did not walk ($1 to $2; at $mx)"
    done
}
walk Right "x >= $x0 + 20"
x1=$mx y1=$my
step "  walked to $x1,$y1"

step "Space: the miner jumps and lands"
xdotool keydown space
sleep 0.15
xdotool keyup space
wait_miner jumping "y <= $y1 - 6" 20
wait_miner landed "y == $y1" 20
# The place at rest is the reference: a walking frame shows the shirt a few
# pixels off the standing one.
sleep 0.3
wait_miner at_rest "y == $y1" 20
x1=$mx

step "H pauses, Right held in the pause moves nothing, H resumes, Left walks"
capture before_pause
play_mean=$(mean_of before_pause)
press h
deadline=$((SECONDS + 20))
while :; do
    capture paused
    gt "$(awk -v m="$play_mean" 'BEGIN { print m * 0.9 }')" "$(mean_of paused)" && break
    [ $SECONDS -lt $deadline ] || fail "H showed no pause (mean $(mean_of paused) against $play_mean)"
    sleep 0.2
done
xdotool keydown Right
sleep 1
xdotool keyup Right
capture paused2
gt "$(difference paused paused2)" 0.01 || fail "the pause effect does not move"
press h
wait_miner resumed 'x >= 0' 20
x2=$mx
[ "$x2" -ge $((x1 - 2)) ] && [ "$x2" -le $((x1 + 2)) ] ||
    fail "the miner moved from $x1 to $x2 during the pause"
walk Left "x <= $x1 - 8"

step "M silences the music, M brings it back"
wait_audio loud "the in-game tune"
press m
wait_audio silent "M"
press m
wait_audio loud "M again"

step "F10 at every scale (S) and in full screen (W)"
screenshot_is 320x240 start $LEVEL_UPPER
for size in 640x480 800x600 1024x768 320x240; do
    press s
    window_of_size "$size"
    screenshot_is "$size" start $LEVEL_UPPER
done
# Full screen covers the display; the picture is the largest 4:3 part of it.
read -r display_w display_h <<<"$(xdotool getdisplaygeometry)"
if [ $((display_w * 3)) -gt $((display_h * 4)) ]; then
    picture="$((display_h * 4 / 3))x$display_h"
else
    picture="${display_w}x$((display_w * 3 / 4))"
fi
press w
window_of_size "${display_w}x${display_h}"
screenshot_is "$picture" start $LEVEL_UPPER
press w
window_of_size 320x240
screenshot_is 320x240 start $LEVEL_UPPER
press s
window_of_size 640x480
screenshot_is 640x480 start $LEVEL_UPPER

step "Q: back to the title"
press q
wait_title title_again "Q"
wait_audio loud "the title tune after Q"

step "a close request ends the program with status 0 and the settings written"
"$work/close_window" "$wid" || fail "cannot send the close request"
wait_exit "the close request"
settings_are 0 2.00000000
nothing_left "the close request"

# ---- second run: the saved size, then Esc ----------------------------------------------------
step "run 2: started as 'gloam' through PATH"
PATH="$prefix/bin:$PATH" start_program gloam
window_of_size 640x480
wait_title title_run2 "the second run"
screenshot_is 640x480 title $TITLE_TOP
press Escape
wait_exit "Esc"
settings_are 0 2.00000000
nothing_left "Esc"
[ "$(find "$home" -maxdepth 1 -name 'screen*.jpg' | wc -l)" -eq "$shots" ] ||
    fail "expected $shots screenshots beside the program: $(ls "$home")"

keep
step "passed"
