# The yardstick in a GNOME session (MEASURE_SESSION=gnome): sourced by
# measure_desktop.sh once its X server and sound server run, with its
# settings (game, pairs, secs, tuxtype) and its sound_ticks. Each run has
# a fresh headless mutter of its own (GNOME's compositor, 1024 x 768, its
# Xwayland, a D-Bus session bus of its own), as a new user of GNOME has it;
# per pair, in turn:
#   A  とんぼら on Wayland (-platform wayland, no DISPLAY)
#   B  とんぼら through mutter's Xwayland (-platform xcb, no WAYLAND_DISPLAY)
#   C  Tux Typing through mutter's Xwayland
# each on its title (menu), then in a round (Fish Cascade) without keys.
# A headless mutter has no keyboard: keys come through its remote desktop
# service (bench/gnome_keys), to the focused window. Nothing shows A's
# screen: its start box is seen coming and going in the buffers Qt maps
# for its windows; B's and C's windows are read back from Xwayland and
# checked (the title, the round; Fish Cascade). A run they do not bear
# out is made again.

gnome_keys_tool=${MEASURE_GNOME_KEYS:-}
for candidate in "$(dirname "$game")/../bench/gnome_keys" "$top/build/bench/gnome_keys"; do
    [ -z "$gnome_keys_tool" ] && [ -x "$candidate" ] && gnome_keys_tool=$candidate
done
[ -x "$gnome_keys_tool" ] || die "no bench/gnome_keys: build the tests (bash scripts/test.sh) or set MEASURE_GNOME_KEYS"
command -v mutter >/dev/null || die "mutter is not installed (apt-get install mutter)"

# gnome_start: a fresh headless mutter with Xwayland up and a keyboard;
# sets GNOME_DIR, GNOME_PID, XWAYLAND_PID, XWAYLAND_DISPLAY, GNOME_AUTH.
gnome_start() {
    local bus
    GNOME_DIR=$(e2e_new_dir gnome)
    bus=$(dbus-daemon --session --fork --nopidfile --print-pid=1 --address="unix:path=$GNOME_DIR/bus")
    E2E_PIDS+=("$bus")
    GNOME_BUS=$bus
    (export DBUS_SESSION_BUS_ADDRESS=unix:path=$GNOME_DIR/bus XDG_RUNTIME_DIR=$GNOME_DIR
        exec mutter --headless --wayland --virtual-monitor 1024x768 --wayland-display=wl) >"$GNOME_DIR/mutter.log" 2>&1 &
    GNOME_PID=$!
    E2E_PIDS+=("$GNOME_PID")
    retry 20 test -S "$GNOME_DIR/wl" || die "mutter did not start: $(tail -5 "$GNOME_DIR/mutter.log")"
    XWAYLAND_DISPLAY=$(retry 10 sed -n 's/.*Using public X11 display \(:[0-9]*\).*/\1/p' "$GNOME_DIR/mutter.log" | grep .) ||
        die "mutter has no X display"
    GNOME_AUTH=$(retry 10 compgen -G "$GNOME_DIR/.mutter-Xwaylandauth.*") || die "no Xwayland key"
    DISPLAY=$XWAYLAND_DISPLAY XAUTHORITY=$GNOME_AUTH timeout 20 xprop -root >/dev/null || die "Xwayland did not answer"
    XWAYLAND_PID=$(xwayland_of "$GNOME_PID") || die "no Xwayland under mutter $GNOME_PID"
    sleep 1
}

# gnome_stop: mutter, its Xwayland and its bus end.
gnome_stop() {
    exec 5>&-
    end_program "$GNOME_PID"
    retry 10 process_ended "$XWAYLAND_PID" || log "  $XWAYLAND_PID outlived mutter"
    kill -TERM "$GNOME_BUS" 2>/dev/null || true
    cat "$GNOME_DIR/mutter.log" >>"$E2E_TMP/mutter.log"
}

# gnome_exec MODE COMMAND...: a program in the session, natively or
# through Xwayland, in new folders; sets S_PID. Then a keyboard for it.
gnome_exec() {
    local mode=$1 rd wd
    shift
    rd=$(e2e_new_dir runtime) wd=$(e2e_new_dir work)
    (cd "$wd" && unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM &&
        export DBUS_SESSION_BUS_ADDRESS=unix:path=$GNOME_DIR/bus &&
        if [ "$mode" = native ]; then export WAYLAND_DISPLAY=$GNOME_DIR/wl
        else export DISPLAY=$XWAYLAND_DISPLAY XAUTHORITY=$GNOME_AUTH; fi &&
        XDG_RUNTIME_DIR=$rd exec "$@") >>"$E2E_TMP/session.log" 2>&1 &
    S_PID=$!
    E2E_PIDS+=("$S_PID")
    sleep 3
    exec 5> >(DBUS_SESSION_BUS_ADDRESS=unix:path=$GNOME_DIR/bus exec "$gnome_keys_tool" >>"$E2E_TMP/keys.log" 2>&1)
    sleep 1
}

# keys KEY...: typed one by one.
keys() { local k; for k in "$@"; do echo "$k" >&5; sleep "${KEY_GAP:-0.5}"; done; }

# gnome_cpu PID: "program mutter xwayland sound session wake-ups", as
# desktop_wayland.sh's session_cpu.
gnome_cpu() {
    local pid=$1 p0 m0 x0 s0 v0 t0 p1 m1 x1 s1 v1 t1
    p0=$(ticks "/proc/$pid/stat") m0=$(ticks "/proc/$GNOME_PID/stat") x0=$(ticks "/proc/$XWAYLAND_PID/stat") s0=$(sound_ticks) v0=$(switches "$pid") t0=$(now_ns)
    sleep "$secs"
    p1=$(ticks "/proc/$pid/stat") m1=$(ticks "/proc/$GNOME_PID/stat") x1=$(ticks "/proc/$XWAYLAND_PID/stat") s1=$(sound_ticks) v1=$(switches "$pid") t1=$(now_ns)
    awk -v hz="$hz" -v w="$(((t1 - t0) / 1000))" -v p=$((p1 - p0)) -v m=$((m1 - m0)) -v x=$((x1 - x0)) \
        -v s=$((s1 - s0)) -v v=$((v1 - v0)) 'BEGIN { f = 100 / hz / (w / 1e6)
            printf "%.2f %.2f %.2f %.2f %.2f %.0f", p * f, m * f, x * f, s * f, (p + m + x + s) * f, v / (w / 1e6) }'
}

# shm_buffers PID: the shared-memory buffers Qt maps for its Wayland
# windows: one more while a box shows.
shm_buffers() { grep -c 'memfd:wayland-shm' "/proc/$1/maps"; }
buffers_over() { (($(shm_buffers "$1") > $2)); }
buffers_under() { (($(shm_buffers "$1") < $2)); }

# x_shot WIN NAME: an X window of mutter's Xwayland, read back; prints
# the path.
x_shot() {
    DISPLAY=$XWAYLAND_DISPLAY XAUTHORITY=$GNOME_AUTH import -window "$1" "$E2E_OUT/$2.png" && echo "$E2E_OUT/$2.png"
}

# round_started MODE PID NAME: F2 and Return reached the game: natively its
# start box came and went; through Xwayland its window shows the round.
round_started() {
    local before with_box w
    if [ "$1" = native ]; then
        before=$(shm_buffers "$2")
        keys F2
        retry 5 buffers_over "$2" "$before" || { log "  no start box after F2"; return 1; }
        # Its buffer comes before mutter maps it and gives it the keys.
        sleep 1
        with_box=$(shm_buffers "$2")
        keys Return
        retry 5 buffers_under "$2" "$with_box" || { log "  the start box stayed"; return 1; }
        return 0
    fi
    w=$(DISPLAY=$XWAYLAND_DISPLAY XAUTHORITY=$GNOME_AUTH e2e_main_window "$2") || return 1
    keys F2
    sleep 1
    keys Return
    sleep 1
    field_of "$(x_shot "$w" "$3")" "$E2E_TMP/field.png" && shows_play "$E2E_TMP/field.png"
}

# game_once MODE NAME TRY: one run of とんぼら; sets ROW or returns 1.
game_once() {
    local mode=$1 name=$2-try$3 pid title mem_title round load
    gnome_start
    gnome_exec "$mode" "$game" -platform "$(platform_of "$mode")"
    pid=$S_PID
    load=$(loadavg)
    title=$(gnome_cpu "$pid")
    mem_title=$(memory "$pid")
    if ! round_started "$mode" "$pid" "$name-round"; then
        end_program "$pid"
        gnome_stop
        return 1
    fi
    round=$(gnome_cpu "$pid")
    ROW="- $title $mem_title $round $(memory "$pid") $load"
    end_program "$pid"
    gnome_stop
}

# tux_once PAIR TRY: one run of Tux Typing (its menu starts on Lessons:
# Up Up reaches Fish Cascade, then Return three times); sets ROW or
# returns 1 when its window does not show Fish Cascade.
tux_once() {
    local name=tux-pair$1-try$2 pid w home menu mem_menu round load
    gnome_start
    home=$(e2e_new_dir tuxhome)
    HOME=$home gnome_exec xwayland "$tuxtype" --window
    pid=$S_PID
    w=$(DISPLAY=$XWAYLAND_DISPLAY XAUTHORITY=$GNOME_AUTH e2e_find_window "$pid" '^Tux Typing$' 30) ||
        die "no Tux Typing window on $XWAYLAND_DISPLAY"
    load=$(loadavg)
    menu=$(gnome_cpu "$pid")
    mem_menu=$(memory "$pid")
    x_shot "$w" "$name-menu" >/dev/null
    KEY_GAP=0.3 keys Up Up
    KEY_GAP=1.5 keys Return Return Return
    if ! in_fish_cascade "$(x_shot "$w" "$name-round")"; then
        end_program "$pid"
        gnome_stop
        return 1
    fi
    round=$(gnome_cpu "$pid")
    ROW="- $menu $mem_menu $round $(memory "$pid") $load"
    end_program "$pid"
    gnome_stop
}

platform_of() { if [ "$1" = native ]; then echo wayland; else echo xcb; fi; }

# measured WHAT COMMAND...: the command until it succeeds, at most three
# times, telling each refusal.
measured() {
    local what=$1 try
    shift
    for try in 1 2 3; do
        "$@" "$try" && return 0
        log "  refused: $what, try $try (see $E2E_OUT)"
    done
    die "$what: no run accepted in 3 tries"
}

log "$pairs pairs of runs in a headless mutter, $secs s per window"
declare -a A B C
for ((i = 1; i <= pairs; i++)); do
    log "pair $i: とんぼら on Wayland"
    measured "とんぼら on Wayland" game_once native "game-wayland-pair$i"
    A[i]=$ROW
    log "  $ROW"
    log "pair $i: とんぼら through Xwayland"
    measured "とんぼら through Xwayland" game_once xwayland "game-xwayland-pair$i"
    B[i]=$ROW
    log "  $ROW"
    log "pair $i: Tux Typing through Xwayland"
    measured "Tux Typing's round was not Fish Cascade" tux_once "$i"
    C[i]=$ROW
    log "  $ROW"
done

echo
echo "measured on $(date -u +%Y-%m-%dT%H:%MZ), $(nproc) cores, game: $game"
echo "session: a fresh $(mutter --version | head -1) per run (--headless, 1024x768) with its Xwayland"
echo "CPU in % of one core over $secs s: program / mutter / Xwayland / sound server, and the session, their"
echo "sum; wake-ups a second (all the program's threads); memory VmRSS / RssAnon in MB. A: とんぼら on Wayland;"
echo "B: とんぼら through Xwayland (title, round without keys); C: Tux Typing through Xwayland (menu, Fish Cascade)."
row_format='%-4s | %-23s %5s %5s %10s | %-23s %5s %5s %10s | %s\n'
printf "$row_format" pair "title p/m/x/s" sess wake rss/anon "round p/m/x/s" sess wake rss/anon "load (title run)"
for ((i = 1; i <= pairs; i++)); do
    for who in A B C; do
        declare -n rows=$who
        read -r _ tp tm tx ts tsum twake trss tanon rp rm rx rs rsum rwake rrss ranon l1 l2 l3 <<<"${rows[i]}"
        printf "$row_format" "$i$who" "$tp/$tm/$tx/$ts" "$tsum" "$twake" "$trss/$tanon" \
            "$rp/$rm/$rx/$rs" "$rsum" "$rwake" "$rrss/$ranon" "$l1 $l2 $l3"
        unset -n rows
    done
done
# median_of WHO N: the median of figure N (as in the rows above: 2 the
# program's CPU, 6 the session's, 7 wake-ups, 8 VmRSS; +8 in the round).
median_of() {
    local -n rows=$1
    local i all=()
    for ((i = 1; i <= pairs; i++)); do all+=("$(awk -v n="$2" '{ print $n }' <<<"${rows[i]}")"); done
    median "${all[@]}"
}
for what in "2 program %" "6 session %" "7 wake-ups/s" "8 VmRSS MB"; do
    n=${what%% *}
    echo "medians A / B / C, ${what#* }: title $(median_of A "$n") / $(median_of B "$n") / $(median_of C "$n");" \
        "round $(median_of A $((n + 8))) / $(median_of B $((n + 8))) / $(median_of C $((n + 8)))"
done
e2e_finish >/dev/null 2>&1
