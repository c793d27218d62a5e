#!/usr/bin/env bash
# The game as a native Wayland client of GNOME's compositor: mutter nested
# in an Xvfb of the test's own (its window shows its whole output and
# takes the keys), on a D-Bus session bus of its own. The play field shows
# the title and moves, and F2 and Return start a round that moves too:
# the field's buffer is attached once, and GNOME's compositor reads what
# each later commit damages from it. The field's frames reach it at the
# frame rate and Qt's Wayland threads sleep through them: each message
# from the compositor wakes them and the game's several times, and GNOME's
# gives back every buffer attached. SIGTERM ends the game with 0.
source "$(dirname "$0")/lib.sh"

e2e_init mutter
e2e_require_wayland mutter dbus-daemon

e2e_start_x bare
md=$(e2e_new_dir mutter)
bus=$(dbus-daemon --session --fork --nopidfile --print-pid=1 --address="unix:path=$md/bus")
E2E_PIDS+=("$bus")
(DBUS_SESSION_BUS_ADDRESS=unix:path=$md/bus XDG_RUNTIME_DIR=$md exec mutter --nested --wayland --no-x11 \
    --wayland-display=wl) >"$E2E_TMP/mutter.log" 2>&1 &
E2E_PIDS+=($!)
retry 20 test -S "$md/wl" || die "mutter did not start: $(tail -5 "$E2E_TMP/mutter.log")"
mutter_window() { xwininfo -root -tree | awk '/"mutter"/ { print $1; found = 1; exit } END { exit !found }'; }
MW=$(retry 10 mutter_window) || die "no mutter window"
xdotool windowfocus --sync "$MW"

wd=$(e2e_new_dir work)
rd=$(e2e_new_dir runtime)
log=$E2E_TMP/game.log
(cd "$wd" && exec env -u DISPLAY -u QT_QPA_PLATFORM WAYLAND_DISPLAY="$md/wl" XDG_RUNTIME_DIR="$rd" \
    WAYLAND_DEBUG=client "$E2E_GAME" -platform wayland) >"$log" 2>&1 &
GAME_PID=$!
E2E_PIDS+=("$GAME_PID")

field=$E2E_TMP/field.png
# shown NAME CHECK: mutter's output as NAME.png, its play field passing CHECK.
shown() {
    import -window "$MW" "$E2E_OUT/$1.png" && wayland_field "$E2E_OUT/$1.png" "$field" && "$2" "$field"
}
# moves NAME CHECK: two looks half a second apart differ in the field's
# lower rows (the title's band, or the cats in a round).
moves() {
    cp "$field" "$E2E_TMP/before.png"
    sleep 0.5
    shown "$1" "$2" && test "$(differing "$E2E_TMP/before.png" "$field" 350x150+0+200)" != 0
}

# The field's commits between two times of WAYLAND_DEBUG's timestamps
# (ms), and the last such time. libwayland 1.21 (Debian 12) writes an
# object as wl_surface@12, 1.23 (Debian 13) as wl_surface#12.
last_ms() { grep -o '^\[ *[0-9.]*\]' "$log" | tail -1 | tr -d '[] '; }
field_commits_between() {
    local id
    id=$(sed -n 's/.*get_subsurface(new id wl_subsurface[@#][0-9]*, wl_surface[@#]\([0-9]*\),.*/\1/p' "$log" | tail -1)
    [ -n "$id" ] || { echo 0; return; }
    awk -v a="$1" -v b="$2" -v c="-> wl_surface[@#]$id[.]commit[(][)]" -F'[][]' \
        '$2 + 0 > a && $2 + 0 <= b && $0 ~ c { n++ } END { print n + 0 }' "$log"
}
# qt_wakes: the wake-ups so far of Qt's two Wayland threads, which wake
# for every message from the compositor.
qt_wakes() {
    local t n=0
    for t in /proc/"$GAME_PID"/task/*; do
        [ "$(cat "$t/comm")" = WaylandEventThr ] &&
            n=$((n + $(awk '$1 == "voluntary_ctxt_switches:" { print $2 }' "$t/status")))
    done
    echo "$n"
}
# quiet_frames WHAT: over three seconds, the field's commits at the frame
# rate, and Qt's Wayland threads woken less than once a second.
quiet_frames() {
    local t0 t1 w0 w1 commits secs
    t0=$(last_ms) w0=$(qt_wakes)
    sleep 3
    t1=$(last_ms) w1=$(qt_wakes)
    commits=$(field_commits_between "$t0" "$t1")
    secs=$(awk -v a="$t0" -v b="$t1" 'BEGIN { print (b - a) / 1000 }')
    check "$1: the field's frames reach mutter at the frame rate ($commits in $secs s)" \
        awk -v n="$commits" -v s="$secs" 'BEGIN { exit !(s > 2 && n / s >= 25 && n / s <= 40) }'
    check "$1: Qt's Wayland threads sleep through the frames ($((w1 - w0)) wake-ups in $secs s)" \
        awk -v n="$((w1 - w0))" -v s="$secs" 'BEGIN { exit !(s > 2 && n < s) }'
}

must "the title is on mutter's output" retry 20 shown title shows_title
check "the title moves" moves title_2 shows_title
quiet_frames "title"

xdotool key F2
sleep 1
xdotool key Return
must "F2 and Return start a round" retry 5 shown round shows_play
check "the round moves" moves round_2 shows_play
quiet_frames "a round without keys"

kill -TERM "$GAME_PID"
e2e_wait_exit "$GAME_PID" 10 || true
check "SIGTERM ends the game with 0 ($EXIT_CODE)" test "$EXIT_CODE" = 0
check "no Wayland errors from the game" not grep -i -E 'wayland.*(error|protocol)|could not' "$log"
e2e_finish
