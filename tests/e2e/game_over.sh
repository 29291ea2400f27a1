#!/usr/bin/env bash
# game_over.sh - plays a level whose start drops the miner onto spikes until the
# four lives are gone, checks the Game Over screen, leaves it with Space (after
# the foot has landed), plays a second game to Game Over and leaves that one
# with Esc, ends the program from the title with Esc (status 0), and finally
# sends a close request (SIGTERM) to a third Game Over (status 0 as well).
#
#   bash tests/e2e/game_over.sh build        (starts Xvfb itself without DISPLAY)
#
# Set E2E_KEEP=folder to keep the window captures for a look.
set -euo pipefail
e2e_name=game_over
source "$(dirname "$0")/lib/setup.bash"

cp "$BUILD/gloam" "$work/"
cp -r "$HERE/levels/gameover" "$work/levels"

# ---- helpers ---------------------------------------------------------------------------------
source "$HERE/lib/game_window.bash"
# The spare-life icons stand at x 56, 67 and 78.
lives_shown() { mean_of "$1" 35x20+55+10; }

# ---- two games to Game Over ---------------------------------------------------------------------
step "title"
start_program
wait_for title title 30

step "first game: the miner falls on the spikes four times"
press F1
wait_for play play 20
gt "$(lives_shown play)" 0.02 || fail "no spare lives shown at the start"
wait_for game_over over_early 60
sleep 2 # the foot lands after 54 frames
capture over
is_game_over over || fail "Game Over did not stay"
# The foot has come down over the miner at the bottom centre.
gt "$(mean_of over 90x50+115+190)" 0.02 || fail "no foot at the bottom"
gt "$(difference over_early over)" 0.005 || fail "the Game Over screen does not move"

step "Space leaves Game Over for the title"
hold space 0.3
wait_for title title_after_space 10
gt 0.001 "$(difference title title_after_space 320x180+0+0)" || fail "Space did not return to the title"

step "second game: Esc leaves Game Over at once"
press F1
wait_for play play2 20
wait_for game_over over2 60
hold Escape 0.3
wait_for title title_after_esc 10
gt 0.001 "$(difference title title_after_esc 320x180+0+0)" || fail "Esc did not return to the title"

step "Esc on the title ends the program with status 0"
press Escape
wait_exit 0
[ -f "$work/gloam.cfg" ] || fail "no settings written"

step "a close request on Game Over ends the program with status 0"
touch -d '2001-01-01' "$work/gloam.cfg"
start_program
wait_for title title3 30
press F1
wait_for play play3 20
wait_for game_over over3 60
kill -TERM "$pid"
wait_exit 0
[ "$work/gloam.cfg" -nt "$work/gloam" ] || fail "settings not written after the close request"

keep
step "passed"
