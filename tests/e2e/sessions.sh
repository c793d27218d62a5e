# A Wayland desktop as a new user of one has it, for the tests and the
# measuring kit: weston (its desktop shell, pixman renderer, Xwayland for
# X11 programs) on the private X server under its X11 backend, one weston
# per program started, so that each starts in a compositor of its own.
# Only definitions: source it after lib.sh and e2e_init, with the X
# server started bare (e2e_start_x bare), so that weston's window alone
# takes the keys.
#
# Keys and pictures go through weston's window on the private X server:
# weston hands the keys it gets there to the focused Wayland client (an
# X11 program's through Xwayland), and shows its whole output in it. The
# session's functions serve any compositor run that way (the measuring
# kit's KDE one too): they read SESSION_SOCKET, SESSION_WINDOW and
# XWAYLAND_DISPLAY.
#
#   weston_start       a fresh weston with Xwayland up; sets WESTON_PID,
#                      SESSION_SOCKET, SESSION_WINDOW, XWAYLAND_PID and
#                      XWAYLAND_DISPLAY
#   weston_stop        ends it, and with it Xwayland and its own clients
#   session_exec MODE RUNTIME_DIR WORKDIR COMMAND...
#                      starts a program in it: MODE native on Wayland (no
#                      DISPLAY), xwayland on its Xwayland (no
#                      WAYLAND_DISPLAY); sets S_PID
#   output_shot NAME   the compositor's output into the artifacts; prints
#                      the path
#   helpers_of PID     a compositor's own clients (weston's shell and
#                      keyboard), Xwayland apart
#   xwayland_window PID REGEX, xwayland_place WIN   an X11 program's window

WESTON_WIDTH=800
WESTON_HEIGHT=600
WESTON_PID=
WESTON_DIR=
SESSION_SOCKET=
SESSION_WINDOW=
XWAYLAND_PID=
XWAYLAND_DISPLAY=

# weston_window: weston's window on the private X server.
weston_window() {
    xwininfo -root -tree | awk '/"Weston Compositor/ { print $1; found = 1; exit } END { exit !found }'
}

# xwayland_of PID: weston's Xwayland, a child of weston.
xwayland_of() { ps --ppid "$1" -o pid=,comm= | awk '$2 == "Xwayland" { print $1; found = 1 } END { exit !found }'; }

# x_display_in LOG: the X display weston's log says it listens on.
x_display_in() { sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$1" | grep .; }

weston_start() {
    local log
    WESTON_DIR=$(e2e_new_dir weston)
    log=$WESTON_DIR/weston.log
    XDG_RUNTIME_DIR=$WESTON_DIR weston --backend=x11-backend.so --socket=wl --idle-time=0 \
        --width=$WESTON_WIDTH --height=$WESTON_HEIGHT --use-pixman --xwayland ${WESTON_SCALE:+--scale=$WESTON_SCALE} \
        >"$log" 2>&1 &
    WESTON_PID=$!
    E2E_PIDS+=("$WESTON_PID")
    SESSION_SOCKET=$WESTON_DIR/wl
    retry 20 test -S "$SESSION_SOCKET" || die "weston did not start: $(tail -5 "$log")"
    SESSION_WINDOW=$(retry 10 weston_window) || die "no weston window on $DISPLAY"
    XWAYLAND_DISPLAY=$(retry 10 x_display_in "$log") || die "weston has no X display: $(tail -5 "$log")"
    # weston starts Xwayland for its first X client; this one waits for it.
    DISPLAY=$XWAYLAND_DISPLAY timeout 20 xprop -root _NET_SUPPORTING_WM_CHECK >/dev/null ||
        die "Xwayland did not answer on $XWAYLAND_DISPLAY: $(tail -5 "$log")"
    XWAYLAND_PID=$(xwayland_of "$WESTON_PID") || die "no Xwayland under weston $WESTON_PID"
    timeout 10 xdotool windowfocus --sync "$SESSION_WINDOW"
    # weston's own pointer starts at (100, 100) of its output, where the
    # first window it places may well be: it is moved onto the panel, where
    # no window goes, so that no screen compared has it on top (weston 10
    # follows the pointer's height on Xvfb, and keeps it at the left edge).
    xdotool mousemove --window "$SESSION_WINDOW" $((WESTON_WIDTH / 2)) 8
    # The panel and the background drawn, the clients settled.
    sleep 1
}

# weston_stop: Xwayland and weston's own clients end after weston, on
# their own: waited for, so that they are gone before the next run.
weston_stop() {
    local pid others
    others="$XWAYLAND_PID $(helpers_of "$WESTON_PID")"
    end_program "$WESTON_PID"
    for pid in $others; do retry 10 process_ended "$pid" || log "  $pid outlived weston"; done
    # Kept with the artifacts, one weston after another.
    cat "$WESTON_DIR/weston.log" >>"$E2E_TMP/weston.log"
    WESTON_PID=
}

helpers_of() { ps --ppid "$1" -o pid=,comm= | awk '$2 != "Xwayland" { print $1 }'; }

# session_env MODE: the program's display, in a subshell about to exec it.
session_env() {
    unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
    case $1 in
    native) export WAYLAND_DISPLAY=$SESSION_SOCKET ;;
    xwayland) export DISPLAY=$XWAYLAND_DISPLAY ;;
    # A Wayland desktop with Xwayland beside, as GNOME's or Plasma's: the
    # program chooses.
    desktop) export WAYLAND_DISPLAY=$SESSION_SOCKET DISPLAY=$XWAYLAND_DISPLAY ;;
    *) die "session mode $1: native, xwayland or desktop" ;;
    esac
}

session_exec() {
    local mode=$1 rd=$2 wd=$3
    shift 3
    (cd "$wd" && session_env "$mode" && XDG_RUNTIME_DIR=$rd exec "$@") >>"$E2E_TMP/session.log" 2>&1 &
    S_PID=$!
    E2E_PIDS+=("$S_PID")
}

output_shot() {
    local f=$E2E_OUT/$1.png
    import -window "$SESSION_WINDOW" "$f"
    echo "$f"
}

# xwayland_window PID REGEX: a mapped window of the process on weston's
# Xwayland; prints its id.
xwayland_window() { (DISPLAY=$XWAYLAND_DISPLAY e2e_find_window "$1" "$2" 30); }

# xwayland_place WIN: "x y" of an X11 window's top left in weston's
# output (Xwayland's root has the output's coordinates).
xwayland_place() {
    DISPLAY=$XWAYLAND_DISPLAY xwininfo -id "$1" |
        awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 } END { print x, y }'
}
