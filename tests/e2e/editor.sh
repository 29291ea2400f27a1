#!/usr/bin/env bash
# editor.sh - drives gloam-edit under an X server: a copy of a shipped level
# saved unchanged keeps its bytes; a typed code and a click change exactly
# that cell; undo brings the file back; F5 play-tests and Esc returns; Esc
# with unsaved changes warns and a second Esc discards; F6 finds a route on
# a small level; Esc with nothing unsaved ends with status 0.
#
#   bash tests/e2e/editor.sh build        (starts Xvfb itself without DISPLAY)
#
# The editor writes its status lines to its standard output too; the script
# reads the results there. Set E2E_KEEP=folder to keep the captures.
set -euo pipefail
e2e_name=editor
source "$(dirname "$0")/lib/setup.bash"
source "$HERE/lib/game_window.bash"

[ -x "$BUILD/gloam-edit" ] || fail "no gloam-edit in $BUILD"
cp "$BUILD/gloam-edit" "$work/"
cp "$SOURCE/levels/level3.txt" "$work/level.txt"
cp "$SOURCE/levels/level3.txt" "$work/original.txt"
cp "$SOURCE/tests/levels/solver/level2.txt" "$work/small.txt"
out=$work/stdout.txt

start_editor() { # file
    : >"$out"
    (cd / && SDL_AUDIODRIVER=dummy exec "$work/gloam-edit" "$1") >>"$out" 2>>"$errors" &
    pid=$!
    local tries=0
    wid=""
    while [ -z "$wid" ]; do
        kill -0 "$pid" 2>/dev/null || fail "the editor ended early"
        wid=$(xdotool search --onlyvisible --pid "$pid" --name '^Gloam Didaruv level editor$' \
            2>/dev/null | tail -1 || true)
        tries=$((tries + 1))
        [ $tries -gt 300 ] && fail "no editor window"
        [ -z "$wid" ] && sleep 0.1
    done
    xdo windowfocus "$wid" || true
    sleep 1 # the first frames
}
said() { grep -q -- "$1" "$out"; }
wait_said() { # text seconds
    local tries=0
    until said "$1"; do
        tries=$((tries + 1))
        [ $tries -gt $(($2 * 10)) ] && fail "the editor never said '$1'; it said: $(cat "$out")"
        kill -0 "$pid" 2>/dev/null || fail "the editor ended while waiting for '$1'"
        sleep 0.1
    done
}
click() { # window x y
    xdo mousemove --window "$wid" "$1" "$2" || fail "cannot move the pointer"
    sleep 0.1
    xdo click 1 || fail "cannot click"
    sleep 0.3
}
same_bytes() { cmp -s "$work/level.txt" "$work/original.txt"; }
grab() { import -window "$wid" "$work/$1.png" 2>/dev/null || fail "cannot capture $1"; }
difference_raw() { # two captures, over the view
    convert "$work/$1.png" -crop 640x480+0+0 +repage "$work/cmp_a.png"
    convert "$work/$2.png" -crop 640x480+0+0 +repage "$work/cmp_b.png"
    numeric "$(compare -metric RMSE "$work/cmp_a.png" "$work/cmp_b.png" null: 2>&1 |
        sed 's/.*(\(.*\))/\1/')"
}
view_mean() { convert "$work/$1.png" -crop 640x480+0+0 +repage -colorspace Gray -format '%[fx:mean]' info:; }

step "a shipped level opens, and Ctrl+S leaves the same bytes"
start_editor "$work/level.txt"
# The pictures load after the window shows; a busy machine takes its time.
tries=0
until grab opened && gt "$(view_mean opened)" 0.02; do
    tries=$((tries + 1))
    [ $tries -gt 60 ] && fail "the level view stays blank"
    sleep 0.5
done
press ctrl+s
wait_said "Saved" 5
same_bytes || fail "saving an unchanged level changed its bytes"

step "typing # and clicking column 5 of grid row 2 changes exactly that cell"
press numbersign
click 90 90
press ctrl+s
sleep 0.5
python3 - "$work/original.txt" "$work/level.txt" <<'PY' || fail "the saved file is not the original with one cell changed"
import sys
before = open(sys.argv[1], "rb").read().split(b"\n")
after = open(sys.argv[2], "rb").read().split(b"\n")
row = bytearray(before[5])
row[4:5] = b"#"
before[5] = bytes(row)
sys.exit(0 if before == after else 1)
PY

step "Ctrl+Z and Ctrl+S restore the file"
press ctrl+z
wait_said "Undone" 5
press ctrl+s
sleep 0.5
same_bytes || fail "undo and save did not restore the bytes"

step "F5 play-tests in the view; Esc comes back with a result"
grab before_play
press F5
sleep 1.5
grab playing1
sleep 1
grab playing2
press Escape
wait_said "Play-testing stopped at tick" 10
gt "$(difference_raw playing1 playing2)" 0.0005 || fail "nothing moved during the play-test"

step "Esc with unsaved changes warns; a second Esc discards"
press numbersign
click 90 90
press Escape
wait_said "Unsaved changes" 5
kill -0 "$pid" 2>/dev/null || fail "the first Esc ended the editor"
press Escape
wait_exit 0
same_bytes || fail "discarded changes reached the file"

step "F6 finds a route on a small level; Esc ends with status 0"
start_editor "$work/small.txt"
press F6
wait_said "Route found" 120
grab proved
press Escape
wait_exit 0
step "ok"
