#!/usr/bin/env bash
# debian_package.sh - the Debian package made from the build folder by
# cpack, checked as Debian's tools check it, then unpacked and played as an
# ordinary user (nobody) who cannot write beside the installed program.
#
#   bash tests/e2e/debian_package.sh build   (as root; starts Xvfb without DISPLAY)
#
# The package: its file list, owners and control fields (dependencies from
# dpkg-shlibdeps), no lintian errors, a valid AppStream file and desktop
# entry. Played from the unpacked tree: the title, F10, S and Esc leave
# gloam.cfg and the screenshot in the player's own folder (private, under
# HOME or XDG_DATA_HOME) and nothing in the tree; the next run opens at the
# saved size. A portable copy of the player's own still writes beside
# itself. With neither place writable, for nobody and for root (read-only
# mounts), the game says "Cannot write configuration file", ends with 255 and
# writes nothing. Set E2E_KEEP=folder to keep the captures of a failed run.
set -euo pipefail

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

BUILD=$(cd "${1:?usage: debian_package.sh BUILD_DIR}" && pwd)
HERE=$(cd "$(dirname "$0")" && pwd)
SOURCE=$(cd "$HERE/../.." && pwd)
work=$(mktemp -d /tmp/gloam_package.XXXXXX)
chmod 755 "$work" # nobody must reach the unpacked tree and the homes
pid=""
cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "debian_package: FAIL: $*" >&2
    if [ -n "${E2E_KEEP:-}" ]; then # the captures and the player's files, to look at
        mkdir -p "$E2E_KEEP"
        cp "$work"/*.png "$E2E_KEEP"/ 2>/dev/null || true
        find "$work" -name 'screen*.jpg' -exec cp --backup=numbered {} "$E2E_KEEP"/ \; 2>/dev/null || true
    fi
    if [ -s "$work/stderr.txt" ]; then
        echo "--- program stderr ---" >&2
        cat "$work/stderr.txt" >&2
    fi
    exit 1
}
step() { echo "debian_package: $*"; }
# shellcheck source=lib/game_window.bash
source "$HERE/lib/game_window.bash"

[ "$(id -u)" = 0 ] || {
    echo "debian_package: skipped: needs root to play as nobody"
    exit 0
}

# ---- the package ---------------------------------------------------------------------------------
step "cpack -G DEB from the build folder"
(cd "$work" && cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$work/cpack") \
    >"$work/cpack.log" 2>&1 || fail "cpack: $(tail -20 "$work/cpack.log")"
deb=$(ls "$work"/cpack/gloam-didaruv_*_amd64.deb) || fail "no gloam-didaruv_<version>_amd64.deb"
step "  $(basename "$deb"), $(stat -c %s "$deb") bytes"

step "the file list"
lib=./usr/lib/games/gloam-didaruv
{
    programs="gloam gloam-level"
    [ -e "$BUILD/gloam-edit" ] && programs="$programs gloam-edit"
    for p in $programs; do
        echo "-rwxr-xr-x $lib/$p"
        echo "lrwxrwxrwx ./usr/games/$p -> ../lib/games/gloam-didaruv/$p"
    done
    for f in "$SOURCE"/levels/*; do echo "-rw-r--r-- $lib/levels/$(basename "$f")"; done
    if [ -e "$BUILD/gloam-edit" ]; then
        echo "-rw-r--r-- ./usr/share/applications/gloam-edit.desktop"
        echo "-rw-r--r-- ./usr/share/man/man6/gloam-edit.6.gz"
    fi
    for f in applications/gloam-didaruv.desktop doc/gloam-didaruv/changelog.gz \
        doc/gloam-didaruv/copyright icons/hicolor/128x128/apps/gloam-didaruv.png \
        icons/hicolor/64x64/apps/gloam-didaruv.png man/man6/gloam-level.6.gz man/man6/gloam.6.gz \
        metainfo/org.gloamdidaruv.GloamDidaruv.metainfo.xml; do
        echo "-rw-r--r-- ./usr/share/$f"
    done
} | sort -k2 >"$work/expected.txt"
dpkg-deb -c "$deb" >"$work/contents.txt" || fail "dpkg-deb -c failed"
awk '$1 !~ /^d/ { $2 = $3 = $4 = $5 = ""; print }' "$work/contents.txt" |
    awk '{ $1 = $1; print }' | sort -k2 >"$work/files.txt"
diff "$work/expected.txt" "$work/files.txt" >&2 || fail "the file list differs (< expected, > package)"
awk '$1 ~ /^d/ && $1 != "drwxr-xr-x" { bad = 1 } $2 != "root/root" { bad = 1 } END { exit bad }' \
    "$work/contents.txt" || fail "an owner or folder mode is off: $(cat "$work/contents.txt")"

step "the control fields"
for field in Package:gloam-didaruv Architecture:amd64 Section:games; do
    [ "$(dpkg-deb -f "$deb" "${field%%:*}")" = "${field#*:}" ] || fail "${field%%:*} is $(dpkg-deb -f "$deb" "${field%%:*}")"
done
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libsdl2-2.0-0 libvorbisfile3 libjpeg62-turbo libopengl0; do
    [[ "$depends" =~ (^|, )$library( |,|$) ]] || fail "Depends lacks $library: $depends"
done

step "lintian"
lintian --fail-on error --tag-display-limit 0 "$deb" >"$work/lintian.txt" 2>&1 ||
    fail "lintian: $(cat "$work/lintian.txt")"
sed 's/^/  /' "$work/lintian.txt"

step "unpacked: AppStream, desktop entry, manual pages"
root=$work/root
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x failed"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.xml >"$work/appstream.txt" 2>&1 ||
    fail "appstreamcli: $(cat "$work/appstream.txt")"
appstreamcli validate-tree --no-net "$root" >"$work/appstream-tree.txt" 2>&1 ||
    fail "appstreamcli validate-tree: $(cat "$work/appstream-tree.txt")"
for entry in "$root"/usr/share/applications/*.desktop; do
    desktop-file-validate "$entry" || fail "$(basename "$entry") is not valid"
done
exec_line=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/gloam-didaruv.desktop")
[ "$exec_line" = /usr/games/gloam ] || fail "the desktop entry runs '$exec_line'"
for page in gloam gloam-level; do
    zcat "$root/usr/share/man/man6/$page.6.gz" | head -1 | grep -q "^\.TH ${page^^} 6 " ||
        fail "$page.6 is no section 6 page"
done
"$root/usr/games/gloam-level" check >"$work/check.txt" || fail "gloam-level check: $(cat "$work/check.txt")"
find "$root" -printf '%p %s %m %u %T@\n' | sort >"$work/tree.txt"

# ---- played as nobody ----------------------------------------------------------------------------
# The X server lets in whoever holds its cookie: nobody gets a copy.
if [ -n "${XAUTHORITY:-}" ]; then
    cp "$XAUTHORITY" "$work/xauth"
    chown 65534:65534 "$work/xauth"
fi
home_for_nobody() { # name: an empty home that nobody owns
    mkdir -p "$work/$1"
    chown 65534:65534 "$work/$1"
    echo "$work/$1"
}
as_nobody() { # home xdg-data-home program: runs in the background, sets pid
    : >"$work/stderr.txt"
    (cd / && exec setpriv --reuid=65534 --regid=65534 --clear-groups env -i \
        PATH=/usr/bin:/bin DISPLAY="$DISPLAY" XAUTHORITY="$work/xauth" HOME="$1" \
        ${2:+XDG_DATA_HOME="$2"} SDL_AUDIODRIVER=dummy MESA_SHADER_CACHE_DISABLE=true \
        ASAN_OPTIONS="${ASAN_OPTIONS:-}" UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" \
        "$3" 2>>"$work/stderr.txt") &
    pid=$!
}
start_as_nobody() { # home xdg-data-home program
    as_nobody "$@"
    find_window 30 || fail "no game window"
}
settings_in() { # folder depth scale
    [ "$(od -c "$1/gloam.cfg" 2>&1)" = "$(printf '%s\r\n%s\r\n' "$2" "$3" | od -c)" ] ||
        fail "$1/gloam.cfg holds $(od -c "$1/gloam.cfg" 2>&1)"
}
only_files() { # folder names...: the folder holds exactly these files
    local want
    want=$(printf '%s\n' "${@:2}" | sort)
    [ "$(cd "$1" && find . -mindepth 1 -printf '%P\n' | sort)" = "$want" ] ||
        fail "$1 holds: $(cd "$1" && find . -mindepth 1 -printf '%P\n' | tr '\n' ' ')"
}
tree_unchanged() { # what
    find "$root" -printf '%p %s %m %u %T@\n' | sort | cmp -s - "$work/tree.txt" ||
        fail "$1 wrote into the unpacked tree: $(find "$root" -printf '%p %s %m %u %T@\n' | sort | diff "$work/tree.txt" - || true)"
}
screenshot_shows() { # file WxH capture: the picture is that size and shows the capture
    [ "$(identify -format '%wx%h' "$1")" = "$2" ] || fail "$1 is $(identify -format '%wx%h' "$1")"
    convert "$1" -sample '320x240!' "$work/shot.png"
    gt 0.05 "$(difference "$3" shot 320x180+0+0)" || fail "$1 does not show the $3"
}

step "run 1 as nobody through /usr/games/gloam: F10, S and Esc write in the player's folder"
home=$(home_for_nobody home)
mine=$home/.local/share/gloam-didaruv
start_as_nobody "$home" "" "$root/usr/games/gloam"
window_size_becomes 320x240 30
wait_for title title 30
settings_in "$mine" 0 1.00000000
press F10
tries=0
until [ -s "$mine/screen000.jpg" ]; do
    tries=$((tries + 1))
    [ $tries -gt 100 ] && fail "F10 wrote no screen000.jpg in $mine"
    sleep 0.1
done
sleep 0.3 # written and closed at once; this leaves time for that
press s
window_size_becomes 640x480 30
wait_for title title2 30
press Escape
wait_exit 0
screenshot_shows "$mine/screen000.jpg" 320x240 title
settings_in "$mine" 0 2.00000000
only_files "$mine" gloam.cfg screen000.jpg
[ "$(stat -c '%a %U' "$mine")" = "700 nobody" ] || fail "the player's folder is $(stat -c '%a %U' "$mine")"
tree_unchanged "run 1"

step "run 2 through the desktop entry's command: the saved size is read back"
start_as_nobody "$home" "" "$root$exec_line"
window_size_becomes 640x480 30
wait_for title title3 30
press Escape
wait_exit 0
settings_in "$mine" 0 2.00000000
tree_unchanged "run 2"

step "run 3 with XDG_DATA_HOME: the player's folder is there"
start_as_nobody "$home" "$home/data" "$root/usr/games/gloam"
wait_for title title4 30
press Escape
wait_exit 0
settings_in "$home/data/gloam-didaruv" 0 1.00000000
settings_in "$mine" 0 2.00000000
tree_unchanged "run 3"

step "a portable copy that nobody owns writes beside itself"
portable=$work/portable
cp -a "$root/usr/lib/games/gloam-didaruv" "$portable"
chown -R 65534:65534 "$portable"
home=$(home_for_nobody home_portable)
start_as_nobody "$home" "" "$portable/gloam"
wait_for title title5 30
press F10
sleep 1
press Escape
wait_exit 0
settings_in "$portable" 0 1.00000000
screenshot_shows "$portable/screen000.jpg" 320x240 title5
only_files "$home"

step "neither place writable, as nobody: the message, status 255, nothing written"
home=$work/home_locked # root's, so nobody cannot write it
mkdir -p "$home"
as_nobody "$home" "" "$root/usr/games/gloam"
wait_exit 255
grep -qx 'Cannot write configuration file' "$work/stderr.txt" || fail "stderr: $(cat "$work/stderr.txt")"
only_files "$home"
tree_unchanged "the locked run"

step "neither place writable, as root (read-only mounts): the same"
locked=$work/locked_copy
cp -a "$root/usr/lib/games/gloam-didaruv" "$locked"
mkdir -p "$work/home_ro"
if unshare -m true 2>/dev/null; then
    status=0
    unshare -m bash -c 'for d in "$1" "$2"; do
            mount --bind "$d" "$d" && mount -o remount,bind,ro "$d" "$d" || exit 90
        done
        cd / && exec env -u XDG_DATA_HOME HOME="$2" SDL_AUDIODRIVER=dummy "$1/gloam"' \
        - "$locked" "$work/home_ro" 2>"$work/stderr.txt" || status=$?
    [ "$status" = 255 ] || fail "as root with read-only folders: status $status"
    grep -qx 'Cannot write configuration file' "$work/stderr.txt" || fail "stderr: $(cat "$work/stderr.txt")"
    only_files "$work/home_ro"
    [ ! -e "$locked/gloam.cfg" ] || fail "a settings file was written beside the read-only copy"
else
    step "  skipped: no permission to unshare the mounts"
fi

step "passed"
