#!/usr/bin/env bash
# The Wayland session the measuring kit and the tests share (sessions.sh):
# weston comes up with its Xwayland found; the native game shows its title
# on weston's output and takes keys typed into weston's window; an X11
# program's window lies in weston's output where Xwayland says (Tux
# Typing's screenshots are cut there), and keys reach it through
# Xwayland; and weston takes Xwayland with it when it ends. Started with
# no platform named on a Wayland desktop with Xwayland beside, the game
# goes through Xwayland at scale 1 (under Qt before 6.8), unless the X
# display does not answer, and stays on Wayland at scale 2.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/sessions.sh"

e2e_init wayland_session
e2e_require_wayland weston Xwayland
e2e_start_x bare
export PULSE_SERVER=unix:$E2E_TMP/no-sound-server
field=$E2E_TMP/field.png

weston_start
check "Xwayland ($XWAYLAND_PID) is weston's child" test "$(ps -o ppid= -p "$XWAYLAND_PID" | tr -d ' ')" = "$WESTON_PID"
check "Xwayland answers on $XWAYLAND_DISPLAY" env DISPLAY="$XWAYLAND_DISPLAY" xprop -root _NET_SUPPORTING_WM_CHECK >/dev/null
check "weston's window is its whole output" \
    test "$(xdotool getwindowgeometry "$SESSION_WINDOW" | awk '/Geometry/ { print $2 }')" = "${WESTON_WIDTH}x$WESTON_HEIGHT"

# --- The game on Wayland.
session_exec native "$(e2e_new_dir runtime)" "$(e2e_new_dir work)" "$E2E_GAME" -platform wayland
title_shown() { wayland_field "$(output_shot native-title)" "$field" && shows_title "$field"; }
must "weston's output shows the native game's title" retry 20 title_shown
check "the game draws no X window: nothing on Xwayland" not env DISPLAY="$XWAYLAND_DISPLAY" xdotool search --name "$MAIN_CAPTION"
xdotool key F2
sleep 1
xdotool key Return
round_shown() { wayland_field "$(output_shot native-round)" "$field" && shows_play "$field"; }
must "F2 and Return typed into weston's window start a round" retry 5 round_shown
end_program "$S_PID"
weston_stop

# --- The game through Xwayland, in a new weston.
xwayland_pid=$XWAYLAND_PID
check "the old weston's Xwayland ended with it" process_ended "$xwayland_pid"
weston_start
check "a new weston has an Xwayland of its own" test "$XWAYLAND_PID" != "$xwayland_pid"
session_exec xwayland "$(e2e_new_dir runtime)" "$(e2e_new_dir work)" "$E2E_GAME" -platform xcb
w=$(xwayland_window "$S_PID" "^$MAIN_CAPTION\$") || die "no game window on $XWAYLAND_DISPLAY"
place=$(xwayland_place "$w")
title_shown() { shot=$(output_shot xwayland-title) && wayland_field "$shot" "$field" && shows_title "$field"; }
must "weston's output shows the title of the game through Xwayland" retry 20 title_shown
check "the field lies in weston's output at the window's left, as Xwayland places it ($place)" \
    test "$(field_place "$shot" | cut -d' ' -f1)" = "${place% *}"
before=$E2E_TMP/before.png
xdotool key F2
sleep 1
xdotool key Return
round_shown() { wayland_field "$(output_shot xwayland-round)" "$field" && shows_play "$field"; }
must "keys reach the game through Xwayland: a round" retry 5 round_shown
cp "$field" "$before"
xdotool type --delay 60 abcdefghijklmnopqrstuvwxyz
sleep 0.3
wayland_field "$(output_shot xwayland-typed)" "$field"
check "the letters typed move the misses count" test "$(differing "$before" "$field" 75x26+275+8)" != 0
end_program "$S_PID"
weston_stop

# --- The game's own choice on a Wayland desktop with Xwayland beside: the
# platform plugin it loaded says which.
# dead_display: an X display number no server listens on.
dead_display() {
    local n
    for n in $(seq 90 199); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || grep -q "@/tmp/.X11-unix/X$n\$" /proc/net/unix ||
            { echo ":$n"; return; }
    done
    die "no free X display number"
}
# on_platform PID NAME: the process has Qt's platform plugin NAME loaded.
on_platform() { grep -q "plugins/platforms/libq$2" "/proc/$1/maps"; }
platform_chosen() { on_platform "$1" xcb || on_platform "$1" wayland; }
qt_minor=$(readlink -f /usr/lib/*/libQt6Core.so.6 | sed -n 's/.*\.so\.6\.\([0-9]*\).*/\1/p' | head -1)
for scale in 1 2; do
    WESTON_SCALE=$scale weston_start
    session_exec desktop "$(e2e_new_dir runtime)" "$(e2e_new_dir work)" "$E2E_GAME"
    retry 20 platform_chosen "$S_PID" || true
    if [ "$scale" = 1 ] && ((qt_minor >= 8)); then
        check "at scale 1 the game stays on Wayland (Qt 6.$qt_minor)" on_platform "$S_PID" wayland
    elif [ "$scale" = 1 ]; then
        check "at scale 1 the game goes through Xwayland (Qt 6.$qt_minor)" on_platform "$S_PID" xcb
        check "its window is on Xwayland" xwayland_window "$S_PID" "^$MAIN_CAPTION\$"
    fi
    if [ "$scale" = 1 ]; then
        end_program "$S_PID"
        # An X display that does not answer: Qt's X platform would end
        # the game.
        dead=$(dead_display)
        session_exec native "$(e2e_new_dir runtime)" "$(e2e_new_dir work)" env DISPLAY="$dead" "$E2E_GAME"
        retry 20 platform_chosen "$S_PID" || true
        check "with an X display that does not answer ($dead) the game stays on Wayland" on_platform "$S_PID" wayland
        check "and plays on" alive "$S_PID"
    else
        check "at scale 2 the game stays on Wayland" on_platform "$S_PID" wayland
        check "it draws no X window" not env DISPLAY="$XWAYLAND_DISPLAY" xdotool search --name "$MAIN_CAPTION"
    fi
    end_program "$S_PID"
    weston_stop
done
e2e_finish
