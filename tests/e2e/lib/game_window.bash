# game_window.bash - helpers the end-to-end scripts source after setting up
# their scratch folder: starting the game from it and finding its window,
# X client calls that are retried, captures brought to 320 x 240, picture
# measurements, waiting for a screen and for the program to end.
#
# The sourcing script provides: $work (scratch folder holding gloam), $pid
# (set here), fail and step; the helpers set $wid to the game's window.

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
