# Helpers for the end-to-end tests: a private X server with a window
# manager, the game started the way a player starts it, keys and menu
# clicks, screenshots and pixel checks. Source it from a test script.
#
# Environment (set by CTest, see CMakeLists.txt):
#   E2E_GAME       the game executable, inside its program folder
#   E2E_ASSETS     the committed pictures (title.png, haikei.png)
#   E2E_ARTIFACTS  folder for screenshots and logs; each test gets a subfolder
#
# Everything started here is remembered and ended by the EXIT trap, one
# process id at a time.

set -euo pipefail

: "${E2E_GAME:?E2E_GAME must name the game executable}"
: "${E2E_ASSETS:?E2E_ASSETS must name the assets folder}"
: "${E2E_ARTIFACTS:?E2E_ARTIFACTS must name the artifacts folder}"

MAIN_CAPTION='とんぼらR1'
BOX_CAPTION='とんぼら'
CLEAR_CAPTION='クリア'

# The play field: 350 x 350 pixels inside a 2-pixel border, at the top-left
# of the client area just below the menu bar.
FIELD=350
BORDER=2

# Centres of the three menu titles on the menu bar, in window pixels:
# "メニュー", "オプション", "ヘルプ".
MENU_X_MAIN=28
MENU_X_OPTION=100
MENU_X_HELP=160

E2E_PIDS=()      # processes to end at exit, in start order
E2E_FAILS=0
E2E_TMP=
E2E_OUT=
GAME_PID=

# Messages go to standard error, so that helpers whose output is captured
# can still report.
log() { printf '[%s] %s\n' "$(date +%H:%M:%S.%N | cut -c1-12)" "$*" >&2; }

die() {
    log "FATAL: $*"
    exit 1
}

# passes DESCRIPTION COMMAND...: runs the command, logs and counts the
# outcome, and returns the command's success.
passes() {
    local what=$1
    shift
    if "$@"; then
        log "ok   - $what"
        return 0
    fi
    log "FAIL - $what"
    E2E_FAILS=$((E2E_FAILS + 1))
    return 1
}

# check DESCRIPTION COMMAND...: a failure is counted and reported, and the
# test goes on so that one run shows every fault.
check() { passes "$@" || true; }

# must DESCRIPTION COMMAND...: like check, but the test cannot go on
# without it.
must() { passes "$@" || die "cannot go on after: $1"; }

e2e_finish() {
    if ((E2E_FAILS > 0)); then
        log "$E2E_FAILS check(s) failed; screenshots and logs in $E2E_OUT"
        exit 1
    fi
    log "all checks passed; screenshots and logs in $E2E_OUT"
    exit 0
}

e2e_cleanup() {
    local rc=$?
    local i pid
    # Newest first: the games, then openbox, then the X server.
    for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do
        pid=${E2E_PIDS[i]}
        if kill -0 "$pid" 2>/dev/null; then
            kill -TERM "$pid" 2>/dev/null || true
        fi
    done
    for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do
        pid=${E2E_PIDS[i]}
        local n=0
        while kill -0 "$pid" 2>/dev/null && ! process_ended "$pid" && ((n < 30)); do
            sleep 0.1
            n=$((n + 1))
        done
        if kill -0 "$pid" 2>/dev/null && ! process_ended "$pid"; then
            kill -KILL "$pid" 2>/dev/null || true
        fi
        wait "$pid" 2>/dev/null || true
    done
    if [ -n "$E2E_TMP" ] && [ -d "$E2E_TMP" ]; then
        # Keep the game's output next to the screenshots.
        cp "$E2E_TMP"/*.log "$E2E_OUT"/ 2>/dev/null || true
        rm -rf "$E2E_TMP"
    fi
    exit "$rc"
}

# process_ended PID: the process is gone or a zombie waiting to be
# collected.
process_ended() {
    local st
    st=$(ps -o stat= -p "$1" 2>/dev/null || true)
    [ -z "$st" ] || [[ $st == Z* ]]
}

# e2e_require_wayland TOOL...: skips the test (77) unless the tools and
# Qt's Wayland plugin are installed.
e2e_require_wayland() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || { log "SKIP: $tool is not installed"; exit 77; }
    done
    compgen -G "/usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so" >/dev/null ||
        { log "SKIP: Qt's Wayland plugin (qt6-wayland) is not installed"; exit 77; }
}

# e2e_init NAME: scratch folder, artifacts folder, exit trap.
e2e_init() {
    local name=$1
    [ -x "$E2E_GAME" ] || die "no game at $E2E_GAME (build it first)"
    for tool in Xvfb openbox xdotool xprop xwininfo import convert compare iconv; do
        command -v "$tool" >/dev/null || { log "SKIP: $tool is not installed"; exit 77; }
    done
    # The captions and names the tests look for are Japanese: xdotool's
    # patterns and xprop's output need a UTF-8 locale whatever the caller's.
    export LC_ALL=C.UTF-8
    E2E_OUT=$E2E_ARTIFACTS/$name
    rm -rf "$E2E_OUT"
    mkdir -p "$E2E_OUT"
    E2E_TMP=$(mktemp -d /tmp/tombora-e2e.XXXXXX)
    # A command that fails outside a check ends the test: say where.
    set -E
    trap 'log "ERROR: \"$BASH_COMMAND\" failed (line $LINENO)"' ERR
    trap e2e_cleanup EXIT
    trap 'exit 130' INT TERM
    unset WAYLAND_DISPLAY
    export QT_QPA_PLATFORM=xcb
    log "test $name: artifacts in $E2E_OUT"
}

# e2e_start_x [bare]: a private Xvfb on a free display number, with
# openbox unless "bare" is given. With E2E_X_TCP=1 it listens on TCP
# (any client may connect) and DISPLAY reaches it there, as ssh -X would.
e2e_start_x() {
    local numfile=$E2E_TMP/display listen=(-nolisten tcp) host=
    [ "${E2E_X_TCP:-0}" = 1 ] && listen=(-listen tcp -ac) host=127.0.0.1
    : >"$numfile"
    # -displayfd lets the server pick a free number and tell it when ready;
    # -noreset keeps it as it is when its last client leaves (a bare one
    # between two compositors): one that reset after a kwin had left then
    # answered nobody for minutes.
    Xvfb -displayfd 3 -noreset "${listen[@]}" -screen 0 1024x768x24 3>"$numfile" \
        >"$E2E_TMP/xvfb.log" 2>&1 &
    E2E_PIDS+=($!)
    E2E_X_PID=$!
    local n=0
    while ! grep -q '[0-9]' "$numfile" && ((n < 100)); do
        sleep 0.1
        n=$((n + 1))
    done
    grep -q '[0-9]' "$numfile" || die "Xvfb did not start: $(cat "$E2E_TMP/xvfb.log")"
    export DISPLAY="$host:$(tr -dc '0-9' <"$numfile")"
    log "Xvfb on $DISPLAY"
    [ "${1:-}" = bare ] && return 0
    # openbox with its default settings (Alt+F4 closes a window), whatever
    # the user running the tests has configured.
    mkdir -p "$E2E_TMP/openbox-config"
    XDG_CONFIG_HOME=$E2E_TMP/openbox-config openbox --sm-disable >"$E2E_TMP/openbox.log" 2>&1 &
    local wm=$!
    E2E_PIDS+=("$wm")
    # openbox is managing once it has set its check window on the root; on
    # a loaded machine that has taken over ten seconds, so it has thirty,
    # and a failure says whether it is still starting or died, and why.
    local deadline=$((SECONDS + 30))
    while ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && ((SECONDS < deadline)); do
        kill -0 "$wm" 2>/dev/null || die "openbox ended before it managed the screen: $(tail -n 5 "$E2E_TMP/openbox.log")"
        sleep 0.1
    done
    xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' ||
        die "openbox did not manage the screen within 30 s (still running): $(tail -n 5 "$E2E_TMP/openbox.log")"
}

# e2e_new_dir NAME: prints a new empty folder (mode 0700) for a working
# folder or an XDG_RUNTIME_DIR.
e2e_new_dir() {
    local d
    d=$(mktemp -d "$E2E_TMP/$1.XXXXXX")
    chmod 700 "$d"
    echo "$d"
}

# e2e_start_game WORKDIR RUNTIMEDIR [LOGNAME [ARG...]]: starts the game
# from the working folder with its own XDG_RUNTIME_DIR and the arguments
# given, and with GAME_PRELOAD, when set, preloaded; sets GAME_PID.
e2e_start_game() {
    local wd=$1 rd=$2 logname=${3:-game}
    shift $(($# < 3 ? $# : 3))
    (cd "$wd" && XDG_RUNTIME_DIR=$rd LD_PRELOAD=${GAME_PRELOAD:-${LD_PRELOAD:-}} exec "$E2E_GAME" "$@") \
        >>"$E2E_TMP/$logname.log" 2>&1 &
    GAME_PID=$!
    E2E_PIDS+=("$GAME_PID")
    log "game started, pid $GAME_PID, in $wd"
}

# e2e_open_game: starts the game from a new working folder (WD) with a new
# XDG_RUNTIME_DIR (RD) and waits for its main window (W); ends the test if
# none shows.
e2e_open_game() {
    WD=$(e2e_new_dir work)
    RD=$(e2e_new_dir runtime)
    e2e_start_game "$WD" "$RD"
    W=$(e2e_main_window "$GAME_PID") || die "no window captioned $MAIN_CAPTION"
}

# window_pid WIN: the _NET_WM_PID of a window, or nothing.
window_pid() {
    xprop -id "$1" _NET_WM_PID 2>/dev/null | sed -n 's/.*= *\([0-9]*\).*/\1/p'
}

# retry TIMEOUT COMMAND...: runs the command every 0.1 s until it succeeds
# or TIMEOUT seconds have passed; it runs at least once.
retry() {
    local end=$((SECONDS + $1))
    shift
    while ((SECONDS <= end)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# window_of PID REGEX: prints a mapped window of the process whose name
# matches REGEX.
window_of() {
    local w
    for w in $(xdotool search --onlyvisible --name "$2" 2>/dev/null || true); do
        if [ "$(window_pid "$w")" = "$1" ]; then
            echo "$w"
            return 0
        fi
    done
    return 1
}

# e2e_find_window PID REGEX [TIMEOUT]: waits for a mapped window of the
# process whose name matches REGEX; prints its id.
e2e_find_window() { retry "${3:-20}" window_of "$1" "$2"; }

# e2e_main_window PID: waits for the game's main window and prints its id;
# if the game runs but shows none, keeps its stacks for a look.
e2e_main_window() {
    local w
    if w=$(e2e_find_window "$1" "^$MAIN_CAPTION\$" 30); then
        echo "$w"
        return 0
    fi
    alive "$1" && e2e_dump_stacks "$1" "no_window_$1"
    return 1
}

# popup_of PID: prints an open drop-down menu of the process (an unmanaged
# window named after the program, "tombora").
popup_of() {
    local w
    for w in $(xdotool search --onlyvisible --class tombora 2>/dev/null || true); do
        if [ "$(window_pid "$w")" = "$1" ] && [ "$(xdotool getwindowname "$w")" = tombora ]; then
            echo "$w"
            return 0
        fi
    done
    return 1
}

# e2e_find_popup PID [TIMEOUT]: waits for an open drop-down menu of the
# process and prints its id.
e2e_find_popup() { retry "${2:-5}" popup_of "$1"; }

# unmapped WIN: the window is not shown (or no longer exists).
unmapped() { ! xwininfo -id "$1" 2>/dev/null | grep -q 'IsViewable'; }

# e2e_window_gone WIN [TIMEOUT]: waits until the window is unmapped or gone.
e2e_window_gone() { retry "${2:-10}" unmapped "$1"; }

# e2e_wait_exit PID [TIMEOUT]: waits for our child to end and sets
# EXIT_CODE to its exit status ("none" if it is still running). Call it
# directly, not in $(...): only this shell can collect its children.
EXIT_CODE=none
e2e_wait_exit() {
    EXIT_CODE=none
    retry "${2:-10}" collect_exit "$1"
}

# collect_exit PID: if our child has ended, collects it into EXIT_CODE.
collect_exit() {
    process_ended "$1" || return 1
    EXIT_CODE=0
    wait "$1" 2>/dev/null || EXIT_CODE=$?
}

# end_program PID: ends our child and takes it off the list of processes
# to end at exit (its number may be given to another process).
end_program() {
    local i
    kill -TERM "$1" 2>/dev/null || true
    e2e_wait_exit "$1" 10 || { kill -KILL "$1" 2>/dev/null || true; e2e_wait_exit "$1" 5 || true; }
    [ "$EXIT_CODE" = none ] && return 0
    for i in "${!E2E_PIDS[@]}"; do [ "${E2E_PIDS[i]}" = "$1" ] && unset 'E2E_PIDS[i]'; done
    E2E_PIDS=("${E2E_PIDS[@]}")
}

# not COMMAND...: succeeds when the command fails.
not() { ! "$@"; }

# no_window PID REGEX: the process shows no window of that name.
no_window() { ! e2e_find_window "$1" "$2" 0 >/dev/null; }

alive() { kill -0 "$1" 2>/dev/null && ! process_ended "$1"; }

# e2e_dump_stacks PID NAME: what a process that hangs is waiting for, into
# the artifacts: its threads' wait channels and, with gdb, their stacks.
e2e_dump_stacks() {
    local pid=$1 f=$E2E_OUT/$2.txt t
    {
        for t in /proc/"$pid"/task/*; do
            echo "thread $(basename "$t") $(cat "$t"/comm 2>/dev/null) waits in $(cat "$t"/wchan 2>/dev/null)"
        done
        if command -v gdb >/dev/null; then
            timeout 60 gdb -p "$pid" -batch -ex 'thread apply all bt' 2>&1
        fi
    } >"$f" 2>&1 || true
    log "  stacks of $pid in $f"
}

# e2e_activate WIN: raises and focuses a window; keys typed afterwards go
# to it.
e2e_activate() {
    timeout 10 xdotool windowactivate --sync "$1" >/dev/null 2>&1 ||
        timeout 10 xdotool windowfocus --sync "$1" >/dev/null 2>&1
}

# e2e_key WIN KEY...: presses keys in a window, through the X test
# extension, as a keyboard would (shortcuts fire only in the active window).
e2e_key() {
    local w=$1
    shift
    e2e_activate "$w"
    xdotool key --delay 40 "$@"
}

# e2e_bind_keys CHARS: puts each character on a spare key of the keyboard
# map, before the game starts. Otherwise xdotool maps a character missing
# from the map onto a spare key just for its press and back at once, and Qt,
# which fetches the map when it gets round to the change, may fetch it after
# the change back and drop the key. The map holds while clients stay
# connected (openbox does).
e2e_bind_keys() {
    local chars=$1 i code free
    command -v xmodmap >/dev/null || die "xmodmap is not installed (x11-xserver-utils)"
    mapfile -t free < <(xmodmap -pke | awk 'NF == 3 && $2 > 8 { print $2 }')
    ((${#free[@]} >= ${#chars})) || die "no spare key codes for '$chars'"
    for ((i = 0; i < ${#chars}; i++)); do
        code=$(printf 'U%04X' "'${chars:i:1}")
        xmodmap -e "keycode ${free[i]} = $code $code" || die "xmodmap failed"
    done
}

# e2e_type WIN DELAY_MS TEXT: types text in a window.
e2e_type() {
    e2e_activate "$1"
    xdotool type --delay "$2" -- "$3"
}

# e2e_menu WIN PID X KEY...: clicks the menu title at window x X, waits
# for its drop-down and chooses an entry with the keys given (Down picks
# the first enabled entry, Up the last); a SHOT name as env MENU_SHOT
# keeps a screenshot of the open drop-down.
e2e_menu() {
    local w=$1 pid=$2 x=$3
    shift 3
    e2e_activate "$w"
    xdotool mousemove --window "$w" "$x" 9 click 1
    local popup
    popup=$(e2e_find_popup "$pid") || return 1
    sleep 0.2
    if [ -n "${MENU_SHOT:-}" ]; then
        e2e_shot_root_around "$w" "$MENU_SHOT"
    fi
    xdotool key --delay 80 "$@"
    e2e_window_gone "$popup" 5
}

# frame_of WIN: the window that openbox puts around a window, title bar
# and border included.
frame_of() { xwininfo -id "$1" -children | awk '/Parent window id/ { print $4 }'; }

# e2e_click_close_box WIN: clicks the close box at the right end of the
# title bar that openbox draws around the window.
e2e_click_close_box() {
    local frame fx fy fw
    frame=$(frame_of "$1")
    fx=$(xwininfo -id "$frame" | awk '/Absolute upper-left X/ { print $4 }')
    fy=$(xwininfo -id "$frame" | awk '/Absolute upper-left Y/ { print $4 }')
    fw=$(xwininfo -id "$frame" | awk '/Width:/ { print $2 }')
    xdotool mousemove "$((fx + fw - 12))" "$((fy + 10))" click 1
}

# e2e_shot WIN NAME: screenshot of a window into the artifacts; prints
# the path.
e2e_shot() {
    local f=$E2E_OUT/$2.png
    import -window "$1" "$f"
    echo "$f"
}

# e2e_shot_root_around WIN NAME: screenshot of the screen around a window,
# frame and open drop-downs included.
e2e_shot_root_around() {
    local f=$E2E_OUT/$2.png
    local x y
    eval "$(xdotool getwindowgeometry --shell "$1")"
    x=$((X - 40 < 0 ? 0 : X - 40))
    y=$((Y - 60 < 0 ? 0 : Y - 60))
    import -window root -crop "$((WIDTH + 80))x$((HEIGHT + 100))+$x+$y" +repage "$f"
    echo "$f"
}

# pixel FILE X Y: "r,g,b" of one pixel.
pixel() {
    convert "$1" -format "%[fx:int(255*p{$2,$3}.r+.5)],%[fx:int(255*p{$2,$3}.g+.5)],%[fx:int(255*p{$2,$3}.b+.5)]" info:
}

# field_top SHOT: y of the play field's drawing area in a window
# screenshot: two rows below the first row of the border's dark outer
# line (128,128,128) in the leftmost column.
field_top() {
    local y
    y=$(convert "$1" -crop "1x120+0+0" +repage -depth 8 txt:- |
        awk -F'[,:]' '/#808080/ { print $2; exit }')
    [ -n "$y" ] || return 1
    echo $((y + BORDER))
}

# field_of SHOT OUT: cuts the 350 x 350 play field out of a window
# screenshot.
field_of() {
    local top
    top=$(field_top "$1") || return 1
    convert "$1" -crop "${FIELD}x${FIELD}+${BORDER}+${top}" +repage "$2"
}

# field_place SHOT: "x y" of the play field's top-left border pixel in a
# screenshot of a whole screen or compositor output, where the window may
# lie anywhere. The border's outer dark grey (128) line along the top is 353
# pixels long: of the pixels of that grey, only those with 150 more on
# either side in their row are kept (the pointer has a few of that grey
# too), which leaves the middle of the line, 53 pixels from x + 150. Down
# the left runs the same grey, and inside it the darker (64) line.
field_place() {
    local box x y
    box=$(convert "$1" -alpha off -fill black +opaque 'rgb(128,128,128)' \
        -fill white -opaque 'rgb(128,128,128)' -morphology Erode rectangle:301x1 -format '%@' info:)
    [[ $box =~ ^53x1\+([0-9]+)\+([0-9]+)$ ]] || return 1
    x=$((BASH_REMATCH[1] - 150))
    y=${BASH_REMATCH[2]}
    [ "$(pixel "$1" "$x" $((y + 352)))" = 128,128,128 ] || return 1
    [ "$(pixel "$1" $((x + 1)) $((y + 1)))" = 64,64,64 ] || return 1
    echo "$x $y"
}

# wayland_field SHOT OUT: cuts the 350 x 350 play field out of a screenshot
# of the whole output.
wayland_field() {
    local place
    place=$(field_place "$1") || return 1
    convert "$1" -crop "${FIELD}x${FIELD}+$((${place% *} + BORDER))+$((${place#* } + BORDER))" +repage "$2"
}

# differing A B GEOMETRY: how many pixels of the region differ.
differing() {
    local a=$E2E_TMP/cmp_a.png b=$E2E_TMP/cmp_b.png
    convert "$1" -crop "$3" +repage "$a"
    convert "$2" -crop "$3" +repage "$b"
    compare -metric AE "$a" "$b" null: 2>&1 || true
}

# count_colour FILE GEOMETRY R,G,B: pixels of exactly that colour in the
# region: its size less the pixels that differ from a plain image of the
# colour.
count_colour() {
    local a=$E2E_TMP/count_a.png b=$E2E_TMP/count_b.png size diff
    convert "$1" -crop "$2" +repage "$a"
    size=$(identify -format '%wx%h' "$a")
    convert -size "$size" "xc:rgb($3)" "$b"
    diff=$(compare -metric AE "$a" "$b" null: 2>&1 || true)
    echo $((${size%x*} * ${size#*x} - diff))
}

# shows_title FIELD: the title picture is on the play field. The ranking
# and the walking cat move over the band of rows 200 to 300; above and
# below it the field must equal the committed title picture pixel for pixel,
# and the band's own colour must still cover most of it.
shows_title() {
    local f=$1 t=$E2E_ASSETS/title.png
    local top bottom band want
    top=$(differing "$f" "$t" 350x200+0+0)
    bottom=$(differing "$f" "$t" 350x49+0+301)
    band=$(count_colour "$f" 350x99+0+201 159,223,191)
    want=$(count_colour "$t" 350x99+0+201 159,223,191)
    if [ "$top" = 0 ] && [ "$bottom" = 0 ] && ((band * 2 >= want)); then
        return 0
    fi
    log "  title check: top rows differ in $top px, credit strip in $bottom px, band colour $band of $want px"
    return 1
}

# abs_y WIN: the window's top on the screen.
abs_y() { xwininfo -id "$1" | awk '/Absolute upper-left Y/ { print $4 }'; }

# title_around_box FIELD WIN BOX TOP: the title picture on the play field
# wherever a box standing over the window leaves it uncovered: the rows of
# the picture above the box, and the credit strip if the box ends above it.
title_around_box() {
    local f=$1 t=$E2E_ASSETS/title.png top=$4
    local frame box_top box_bottom rows n
    frame=$(frame_of "$3")
    box_top=$(($(abs_y "$frame") - $(abs_y "$2") - top))
    box_bottom=$((box_top + $(xwininfo -id "$frame" | awk '/Height:/ { print $2 }')))
    rows=$((box_top < 200 ? box_top : 200))
    if ((rows < 20)); then
        log "  the box covers the field from row $box_top: too little left to look at"
        return 1
    fi
    n=$(differing "$f" "$t" "350x$rows+0+0")
    if ((box_bottom < 301)); then
        n=$((n + $(differing "$f" "$t" 350x49+0+301)))
    fi
    [ "$n" = 0 ] && return 0
    log "  title around the box (rows 0-$((rows - 1)) and the credit strip): $n px differ"
    return 1
}

# shows_play FIELD: the play screen: the sky and city of the background
# picture, rows 40 to 174, which the cats never reach and no text covers.
shows_play() {
    local n
    n=$(differing "$1" "$E2E_ASSETS/haikei.png" 350x135+0+40)
    [ "$n" = 0 ] && return 0
    log "  play check: background rows 40-174 differ in $n px"
    return 1
}

# white_in FIELD GEOMETRY: pure white pixels in a region of the field.
white_in() { count_colour "$1" "$2" 255,255,255; }

# shows_result FIELD: the result screen: the big white "得点" at (10, 40).
shows_result() {
    local n
    n=$(white_in "$1" 62x36+8+38)
    ((n >= 200)) && return 0
    return 1
}

# same_bytes A B: byte-for-byte equal; shows both on failure.
same_bytes() {
    if cmp -s "$1" "$2"; then
        return 0
    fi
    log "  expected: $(od -An -c "$2" | tr -s ' ' | head -c 400)"
    log "  got:      $(od -An -c "$1" 2>/dev/null | tr -s ' ' | head -c 400)"
    return 1
}

# mtime FILE: modification time in nanoseconds since the epoch.
mtime() { stat -c %.9Y "$1" | tr -d .; }

# make_old FILE: sets the modification time far back, so that any rewrite
# shows.
make_old() { touch -d "2001-02-03 04:05:06" "$1"; }

# cp932 TEXT: the text in Shift_JIS, as the game writes its files.
cp932() { printf '%s' "$1" | iconv -f UTF-8 -t CP932; }
