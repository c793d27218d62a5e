#!/usr/bin/env bash
# The game as a native Wayland client, in weston, with no X server to fall
# back on. First under weston's headless backend: its window shows the
# title picture and the title screen moves (weston's own screenshots), and
# SIGTERM ends it with 0 and frees its lock; the play field's frames reach
# the compositor at the frame rate (its commits counted over a few
# seconds); at a scale of 2 each pixel of the field is a sharp 2 x 2
# block, and the field shows the title. Then under weston's X11
# backend inside Xvfb, which hands keys and clicks from the X server to its
# Wayland clients as a seat of its own: F2 and Return start a round, the
# letters typed move both counts, a second copy shows its box and ends,
# and 終わり in the menu ends the game.
source "$(dirname "$0")/lib.sh"

e2e_init wayland
e2e_require_wayland weston weston-screenshooter

WIDTH=800
HEIGHT=600

# start_weston NAME BACKEND [OPTION...]: a weston of our own with its
# socket in a private runtime folder; sets WESTON_DIR.
start_weston() {
    local name=$1 backend=$2
    shift 2
    WESTON_DIR=$(e2e_new_dir "weston-$name")
    XDG_RUNTIME_DIR=$WESTON_DIR weston --backend="$backend" --socket=wl --idle-time=0 \
        --width=$WIDTH --height=$HEIGHT --use-pixman "$@" >"$E2E_TMP/weston-$name.log" 2>&1 &
    E2E_PIDS+=($!)
    retry 20 test -S "$WESTON_DIR/wl" || die "weston ($backend) did not start: $(tail -5 "$E2E_TMP/weston-$name.log")"
    log "weston with $backend on $WESTON_DIR/wl"
}

# start_wayland_game WORKDIR RUNTIMEDIR LOGNAME: the game on our weston,
# told to use Wayland, with neither an X display nor a platform setting
# to fall back on; sets GAME_PID. With GAME_PRELOAD set, that library is
# preloaded into it.
start_wayland_game() {
    (cd "$1" && exec env -u DISPLAY -u QT_QPA_PLATFORM WAYLAND_DISPLAY="$WESTON_DIR/wl" \
        XDG_RUNTIME_DIR="$2" ${GAME_PRELOAD:+LD_PRELOAD="$GAME_PRELOAD"} "$E2E_GAME" -platform wayland) \
        >>"$E2E_TMP/$3.log" 2>&1 &
    GAME_PID=$!
    E2E_PIDS+=("$GAME_PID")
    log "game started on Wayland, pid $GAME_PID"
}

# weston_shot NAME: weston's own picture of its whole output (needs
# --debug); prints its path.
weston_shot() {
    local dir f
    dir=$(mktemp -d "$E2E_TMP/shot.XXXXXX")
    (cd "$dir" && XDG_RUNTIME_DIR=$WESTON_DIR WAYLAND_DISPLAY=wl timeout 20 weston-screenshooter) \
        >>"$E2E_TMP/screenshooter.log" 2>&1 || return 1
    f=$(ls "$dir"/*.png 2>/dev/null | head -1)
    [ -n "$f" ] || return 1
    mv "$f" "$E2E_OUT/$1.png"
    echo "$E2E_OUT/$1.png"
}

field=$E2E_TMP/field.png

# --- 1: headless weston.
start_weston headless headless-backend.so --debug
wd=$(e2e_new_dir work)
rd=$(e2e_new_dir runtime)
start_wayland_game "$wd" "$rd" headless
field_shown() { weston_shot "$1" >/dev/null && wayland_field "$E2E_OUT/$1.png" "$field"; }
if retry 20 field_shown title_headless; then
    check "the window's play field is on weston's screen" true
    check "it shows the title picture" shows_title "$field"
    cp "$field" "$E2E_TMP/title_a.png"
    sleep 0.5
    field_shown title_headless_2 || true
    check "the title screen moves (new frames reach the compositor)" \
        test "$(differing "$E2E_TMP/title_a.png" "$field" 350x100+0+200)" != 0
else
    check "the window's play field is on weston's screen" false
fi
check "the lock is held" test -e "$rd/tombora.lock"
kill -TERM "$GAME_PID"
e2e_wait_exit "$GAME_PID" 10 || true
check "SIGTERM ends the game with 0 ($EXIT_CODE)" test "$EXIT_CODE" = 0
check "the lock is freed" test ! -e "$rd/tombora.lock"
check "no Wayland errors from the game" not grep -i -E 'wayland.*(error|protocol)|could not' "$E2E_TMP/headless.log"

# The field's own surface (a subsurface of the window's): its commits, one
# a frame, counted over the seconds WAYLAND_DEBUG's timestamps (in ms) span.
# libwayland 1.21 (Debian 12) writes an object as wl_surface@12, 1.23
# (Debian 13) as wl_surface#12, after the name of its queue.
field_commits_a_second() {
    local log=$1 id
    id=$(sed -n 's/.*get_subsurface(new id wl_subsurface[@#][0-9]*, wl_surface[@#]\([0-9]*\),.*/\1/p' "$log" | tail -1)
    [ -n "$id" ] || { echo 0; return; }
    grep -E -- "-> wl_surface[@#]$id[.]commit[(][)]" "$log" | tr -d '[]' |
        awk 'NR == 1 { first = $1 } { last = $1; n++ } END { if (n > 1) printf "%d", (n - 1) * 1000 / (last - first); else print 0 }'
}
WAYLAND_DEBUG=client start_wayland_game "$wd" "$rd" headless_frames
sleep 4
kill -TERM "$GAME_PID"
e2e_wait_exit "$GAME_PID" 10 || true
rate=$(field_commits_a_second "$E2E_TMP/headless_frames.log")
check "the field's frames reach the compositor at the frame rate ($rate a second)" test "$rate" -ge 25 -a "$rate" -le 40

# --- 1b: headless weston at a scale of 2.
start_weston scaled headless-backend.so --debug --scale=2
start_wayland_game "$wd" "$rd" scaled
scaled_field() {
    local shot half=$E2E_TMP/half.png place
    shot=$(weston_shot "$1") || return 1
    # A sharp field at scale 2 is its pixels doubled: halved by sampling,
    # the screen is laid out as at scale 1.
    convert "$shot" -sample 50% "$half"
    place=$(field_place "$half") || return 1
    convert "$shot" -crop "$((2 * FIELD))x$((2 * FIELD))+$((2 * (${place% *} + BORDER)))+$((2 * (${place#* } + BORDER)))" \
        +repage "$E2E_TMP/field2.png"
    wayland_field "$half" "$field"
}
if retry 20 scaled_field title_scaled; then
    check "at scale 2 the field shows the title picture" shows_title "$field"
    convert "$E2E_TMP/field2.png" -sample 50% -sample 200% "$E2E_TMP/blocks.png"
    blurred=$(compare -metric AE "$E2E_TMP/field2.png" "$E2E_TMP/blocks.png" null: 2>&1 || true)
    check "at scale 2 every pixel of the field is a sharp 2 x 2 block ($blurred pixels not)" test "$blurred" = 0
else
    check "at scale 2 the window's play field is on weston's screen" false
fi
kill -TERM "$GAME_PID"
e2e_wait_exit "$GAME_PID" 10 || true

# --- 2: weston in an X server of its own (no window manager, so that
# weston's window alone takes the keys and the pointer), for keys and
# clicks.
e2e_start_x bare
start_weston nested x11-backend.so
weston_window() { xwininfo -root -tree | awk '/"Weston Compositor/ { print $1; found = 1; exit } END { exit !found }'; }
WW=$(retry 10 weston_window) || die "no weston window"
xdotool windowfocus --sync "$WW"
wx=$(xwininfo -id "$WW" | awk '/Absolute upper-left X/ { print $4 }')
wy=$(xwininfo -id "$WW" | awk '/Absolute upper-left Y/ { print $4 }')
# The X pointer starts in the middle of the screen, over weston's window,
# and weston 14 draws it there on its output: it is moved off, so that the
# screenshots show the field alone.
xdotool mousemove "$((wx + WIDTH + 20))" "$((wy + 20))"
# x11_shot NAME: weston's window, the whole output; prints its path.
x11_shot() {
    local f=$E2E_OUT/$1.png
    import -window "$WW" "$f"
    echo "$f"
}
start_wayland_game "$wd" "$rd" nested
x11_field() { wayland_field "$(x11_shot "$1")" "$field"; }
retry 20 x11_field title_nested || die "no play field on the nested weston"
check "title screen in the nested weston" shows_title "$field"
place=$(field_place "$E2E_OUT/title_nested.png")
fx=${place% *}
fy=${place#* }
log "play field at ($fx, $fy) on weston's output"

xdotool key F2
sleep 1
x11_shot start_box >/dev/null
xdotool key Return
sleep 1
x11_field round_start
check "F2 and Return start a round" shows_play "$field"
cp "$field" "$E2E_TMP/before_typing.png"
xdotool type --delay 60 abcdefghijklmnopqrstuvwxyz
sleep 0.3
x11_field round_typed
check "the round goes on" shows_play "$field"
# The counts: hits at x 75, misses at x 275, both on rows 8 to 33.
check "the hits count moved" test "$(differing "$E2E_TMP/before_typing.png" "$field" 80x26+75+8)" != 0
check "the misses count moved" test "$(differing "$E2E_TMP/before_typing.png" "$field" 75x26+275+8)" != 0

# A second copy shows its box and, after Return, ends; the running copy
# is asked to come forward (weston 10 has no activation protocol, so
# that is not seen here) and plays on. Each second copy's threads are
# slow to wake, as on a busy machine, where Qt's own ending of its
# Wayland connection could hang for ever after the box; three copies, as
# even so it did not hang every time.
first=$GAME_PID
for copy in 1 2 3; do
    GAME_PRELOAD=$E2E_SLOW_WAKE start_wayland_game "$wd" "$rd" "second_$copy"
    second=$GAME_PID
    sleep 2
    x11_shot "second_copy_box_$copy" >/dev/null
    xdotool key Return
    e2e_wait_exit "$second" 10 || true
    check "a second copy ($copy of 3, slow threads) ends with 0 after its box ($EXIT_CODE)" test "$EXIT_CODE" = 0
done
GAME_PID=$first
check "the running copy plays on" alive "$GAME_PID"
# The compositor takes the ended copy's box away in its own time.
round_shown() { x11_field after_second_copy && shows_play "$field"; }
check "the round goes on after the second copy" retry 5 round_shown

# The menu bar lies just above the play field: メニュー, then 終わり.
# The pointer leaves weston's window and comes back: weston follows the
# X pointer from its next entry on.
xdotool mousemove "$((wx + WIDTH + 20))" "$((wy + 20))"
sleep 0.2
xdotool mousemove "$((wx + fx + MENU_X_MAIN))" "$((wy + fy - 10))"
sleep 0.3
xdotool click 1
sleep 0.8
x11_shot main_menu >/dev/null
xdotool key --delay 100 Up Return
e2e_wait_exit "$GAME_PID" 10 || true
check "終わり from the menu ends the game with 0 ($EXIT_CODE)" test "$EXIT_CODE" = 0
check "終わり wrote config.dat" test -s "$wd/config.dat"
e2e_finish
