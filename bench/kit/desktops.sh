# The desktops a program is measured on, one interface: DESK is x11 (the
# private Xvfb with openbox), weston (a fresh weston per run, on the bare
# Xvfb under its X11 backend, with Xwayland: tests/e2e/sessions.sh), kwin
# (a fresh KDE compositor per run, run as weston is, on a D-Bus bus of its
# own) or mutter (a fresh headless GNOME compositor per run, with its
# Xwayland and a D-Bus bus of its own; keys through its remote desktop
# service, bench/gnome_keys). A program runs in MODE x11, native (on
# Wayland) or xwayland.
#
#   desk_begin NAME       the X server, and the checks of what DESK needs
#   desk_open, desk_close a fresh compositor for one run (x11: nothing)
#   desk_start MODE RUNTIME_DIR WORKDIR COMMAND...   sets S_PID
#   desk_game MODE        the game started and timed to its first title
#                         frame where the screen can be read; sets S_PID
#                         and FIRST ("LOW..HIGH" ms, or -)
#   desk_others           OTHERS: the compositor (the X server on x11),
#                         Xwayland and the sound server, as pid lists
#   desk_key KEY          a key to the focused window
#   desk_field NAME CHECK the play field seen (weston fades boxes in its
#                         own time: up to 5 s), kept as NAME.png; prints
#                         its path, nothing where no screen can be read
#   desk_round MODE PID   F2 and Return: a round begins
#   desk_window PID REGEX, desk_shot WIN NAME   an X11 program's window

desk_begin() {
    case $DESK in
    x11) kit_init "$1" ;;
    weston | mutter | kwin)
        kit_init "$1" bare
        e2e_require_wayland "${DESK/#kwin/kwin_wayland}" Xwayland
        if [ "$DESK" = mutter ]; then GNOME_KEYS=$(tool gnome_keys); fi
        ;;
    *) die "--session: x11, weston, kwin or mutter" ;;
    esac
}

desk_open() {
    case $DESK in
    weston) weston_start ;;
    kwin) kwin_start ;;
    mutter) gnome_start ;;
    esac
}

desk_close() {
    case $DESK in
    weston) weston_stop ;;
    kwin) kwin_stop ;;
    mutter) gnome_stop ;;
    esac
}

desk_start() {
    local mode=$1 rd=$2 wd=$3
    shift 3
    case $DESK in
    x11)
        (cd "$wd" && XDG_RUNTIME_DIR=$rd exec "$@") >>"$E2E_TMP/programs.log" 2>&1 &
        S_PID=$!
        E2E_PIDS+=("$S_PID")
        ;;
    weston | kwin) session_exec "$mode" "$rd" "$wd" "$@" ;;
    mutter) gnome_exec "$mode" "$rd" "$wd" "$@" ;;
    esac
}

platform_of() { if [ "$1" = native ]; then echo wayland; else echo xcb; fi; }

desk_game() {
    local mode=$1 rd
    rd=$(e2e_new_dir runtime)
    FIRST=-
    case $DESK in
    x11) first_frame "$MAIN_CAPTION" "$rd" "$game" ;;
    weston | kwin) SESSION_EXEC="desk_start $mode" first_frame --output "$rd" "$game" -platform "$(platform_of "$mode")" ;;
    mutter)
        desk_start "$mode" "$rd" "${FIRST_FRAME_WORK:-$(e2e_new_dir work)}" "$game" -platform "$(platform_of "$mode")"
        return
        ;;
    esac || return 1
    FIRST="$R_LOW..$R_HIGH"
}

desk_others() {
    case $DESK in
    x11) OTHERS=("$E2E_X_PID" "") ;;
    weston) OTHERS=("$WESTON_PID $(helpers_of "$WESTON_PID")" "$XWAYLAND_PID") ;;
    kwin) OTHERS=("$KWIN_PID $(helpers_of "$KWIN_PID")" "$XWAYLAND_PID") ;;
    mutter) OTHERS=("$GNOME_PID" "$XWAYLAND_PID") ;;
    esac
    OTHERS+=("${PULSE_PIDS[*]}")
}

desk_key() {
    if [ "$DESK" = mutter ]; then echo "$1" >&5; else xdotool key "$1"; fi
}

# in_desk COMMAND...: the command on the display the program's X11
# window is on (mutter's Xwayland needs its key).
in_desk() {
    case $DESK in
    x11) "$@" ;;
    weston | kwin) DISPLAY=$XWAYLAND_DISPLAY "$@" ;;
    mutter) DISPLAY=$XWAYLAND_DISPLAY XAUTHORITY=$GNOME_AUTH "$@" ;;
    esac
}
desk_window() { in_desk e2e_find_window "$1" "$2" 30; }
visible_window() { xdotool search --onlyvisible --pid "$1" 2>/dev/null | head -1 | grep .; }

# desk_shot WIN NAME: an X11 program's window as it shows; prints the path.
desk_shot() {
    local f=$E2E_OUT/$2.png place
    if [ "$DESK" = weston ]; then
        place=$(xwayland_place "$1")
        convert "$(output_shot "$2-output")" -crop "$(in_desk xdotool getwindowgeometry "$1" |
            awk '/Geometry/ { print $2 }')+${place% *}+${place#* }" +repage "$f"
    else
        # A window gone by now would hold import up for ever.
        in_desk timeout 20 import -window "$1" "$f"
    fi
    echo "$f"
}

desk_field() {
    local end=$((SECONDS + 5)) field=$E2E_TMP/$1-field.png shot
    [ "$DESK" = mutter ] && [ "$MODE" = native ] && return 0
    while :; do
        if [ "$DESK" = weston ] || [ "$DESK" = kwin ]; then
            shot=$(output_shot "$1") && wayland_field "$shot" "$field"
        else
            shot=$(desk_shot "$(desk_window "$S_PID" "^$MAIN_CAPTION\$")" "$1") && field_of "$shot" "$field"
        fi && "$2" "$field" && { echo "$field"; return 0; }
        ((SECONDS < end)) || { log "  $1: the play field is not as it should be (see $shot)"; return 1; }
        sleep 0.5
    done
}

desk_round() {
    local before
    case $DESK/$1 in
    x11/*) start_round "$(e2e_main_window "$2")" "$2" ;;
    mutter/native)
        # Nothing shows the native game's screen: its start box is seen
        # coming and going in the buffers Qt maps for its windows.
        before=$(shm_buffers "$2")
        desk_key F2
        retry 5 buffers_over "$2" "$before" || { log "  no start box after F2"; return 1; }
        # Its buffer comes before mutter maps it and gives it the keys.
        sleep 1
        before=$(shm_buffers "$2")
        desk_key Return
        retry 5 buffers_under "$2" "$before" || { log "  the start box stayed"; return 1; }
        ;;
    *)
        # The start box cannot be looked for on Wayland: the play field
        # seen afterwards says whether the round began.
        desk_key F2
        sleep 1
        desk_key Return
        sleep 1
        ;;
    esac
}

shm_buffers() { grep -c 'memfd:wayland-shm' "/proc/$1/maps"; }
buffers_over() { (($(shm_buffers "$1") > $2)); }
buffers_under() { (($(shm_buffers "$1") < $2)); }

# kwin_start: a fresh KDE compositor on the bare Xvfb under its X11
# backend (its output in a window there, as weston's: the keys typed into
# it and the screen read from it) with Xwayland; sets KWIN_PID and what
# weston_start sets. kwin tells the programs it starts its Xwayland's
# display: it starts one that notes it.
kwin_start() {
    local log
    bus_dir kwin
    KWIN_DIR=$BUS_DIR KWIN_BUS=$BUS_PID log=$BUS_DIR/kwin.log
    printf '#!/bin/sh\necho "$DISPLAY" >"$XDG_RUNTIME_DIR/display"\n' >"$KWIN_DIR/tell"
    chmod +x "$KWIN_DIR/tell"
    xdotool mousemove 1023 767
    (export DBUS_SESSION_BUS_ADDRESS=unix:path=$KWIN_DIR/bus XDG_RUNTIME_DIR=$KWIN_DIR
        exec kwin_wayland --x11-display "$DISPLAY" --xwayland --socket wl --width 800 --height 600 "$KWIN_DIR/tell") \
        >"$log" 2>&1 &
    KWIN_PID=$!
    E2E_PIDS+=("$KWIN_PID")
    SESSION_SOCKET=$KWIN_DIR/wl
    retry 20 test -S "$SESSION_SOCKET" || die "kwin did not start: $(tail -5 "$log")"
    SESSION_WINDOW=$(retry 10 visible_window "$KWIN_PID") || die "no kwin window on $DISPLAY"
    XWAYLAND_DISPLAY=$(retry 20 grep -s . "$KWIN_DIR/display") || die "kwin has no X display: $(tail -5 "$log")"
    in_desk timeout 20 xprop -root >/dev/null || die "Xwayland did not answer on $XWAYLAND_DISPLAY"
    XWAYLAND_PID=$(xwayland_of "$KWIN_PID") || die "no Xwayland under kwin $KWIN_PID"
    timeout 10 xdotool windowfocus --sync "$SESSION_WINDOW"
    sleep 1
}

kwin_stop() { compositor_stop "$KWIN_PID" "$KWIN_BUS" "$KWIN_DIR/kwin.log"; }

# bus_dir NAME: a fresh folder for a compositor, with a D-Bus session bus
# of its own in it; sets BUS_DIR and BUS_PID.
bus_dir() {
    BUS_DIR=$(e2e_new_dir "$1")
    BUS_PID=$(dbus-daemon --session --fork --nopidfile --print-pid=1 --address="unix:path=$BUS_DIR/bus")
    E2E_PIDS+=("$BUS_PID")
}

# compositor_stop PID BUS LOG: the compositor ended, its Xwayland with it,
# its bus; its log kept with the artifacts, one run after another.
compositor_stop() {
    end_program "$1"
    retry 10 process_ended "$XWAYLAND_PID" || log "  Xwayland $XWAYLAND_PID outlived its compositor"
    kill -TERM "$2" 2>/dev/null || true
    cat "$3" >>"$E2E_TMP/${3##*/}"
}

# gnome_start: a fresh headless mutter with Xwayland up; sets GNOME_DIR,
# GNOME_PID, XWAYLAND_PID, XWAYLAND_DISPLAY, GNOME_AUTH.
gnome_start() {
    local log
    bus_dir gnome
    GNOME_DIR=$BUS_DIR GNOME_BUS=$BUS_PID log=$BUS_DIR/mutter.log
    (export DBUS_SESSION_BUS_ADDRESS=unix:path=$GNOME_DIR/bus XDG_RUNTIME_DIR=$GNOME_DIR
        exec mutter --headless --wayland --virtual-monitor 1024x768 --wayland-display=wl) >"$log" 2>&1 &
    GNOME_PID=$!
    E2E_PIDS+=("$GNOME_PID")
    retry 20 test -S "$GNOME_DIR/wl" || die "mutter did not start: $(tail -5 "$log")"
    XWAYLAND_DISPLAY=$(retry 10 sed -n 's/.*Using public X11 display \(:[0-9]*\).*/\1/p' "$log" | grep .) ||
        die "mutter has no X display"
    GNOME_AUTH=$(retry 10 compgen -G "$GNOME_DIR/.mutter-Xwaylandauth.*") || die "no Xwayland key"
    in_desk timeout 20 xprop -root >/dev/null || die "Xwayland did not answer"
    XWAYLAND_PID=$(xwayland_of "$GNOME_PID") || die "no Xwayland under mutter $GNOME_PID"
    sleep 1
}

gnome_stop() {
    exec 5>&-
    compositor_stop "$GNOME_PID" "$GNOME_BUS" "$GNOME_DIR/mutter.log"
}

# gnome_exec MODE RUNTIME_DIR WORKDIR COMMAND...: a program in the
# session, then a keyboard for it on fd 5.
gnome_exec() {
    local mode=$1 rd=$2 wd=$3
    shift 3
    (cd "$wd" && unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM &&
        export DBUS_SESSION_BUS_ADDRESS=unix:path=$GNOME_DIR/bus &&
        if [ "$mode" = native ]; then export WAYLAND_DISPLAY=$GNOME_DIR/wl
        else export DISPLAY=$XWAYLAND_DISPLAY XAUTHORITY=$GNOME_AUTH; fi &&
        XDG_RUNTIME_DIR=$rd exec "$@") >>"$E2E_TMP/programs.log" 2>&1 &
    S_PID=$!
    E2E_PIDS+=("$S_PID")
    sleep 3
    exec 5> >(DBUS_SESSION_BUS_ADDRESS=unix:path=$GNOME_DIR/bus exec "$GNOME_KEYS" >>"$E2E_TMP/keys.log" 2>&1)
    sleep 1
}
