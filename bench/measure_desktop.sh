#!/usr/bin/env bash
# The game on a desktop with a sound server, side by side with Tux Typing
# (Debian's tuxtype, a peer typing game), in the same minutes on the same
# machine: A B A B ... for PAIRS pairs (default 5), each run on a fresh
# program, with /proc/loadavg beside each run.
#
# Usage: bench/measure_desktop.sh [GAME] [PAIRS]   (PAIRS 0: key to sound only)
#        MEASURE_SOUND=0 bench/measure_desktop.sh ...   the same without any
#        sound server or device: both programs run silent, the sound server's
#        column reads 0 and the key-to-sound part is left out.
#        MEASURE_KEY_TOOL=PATH ...  the key_to_sound tool, for a game built
#        without the test build's bench folder beside it.
#        MEASURE_KEY_MUSIC=0 ...  key to sound with the music unticked: each
#        voice starts a corked stream, and the recording holds nothing else.
#        MEASURE_SERVER=pipewire ...  PipeWire and its PulseAudio stand-in
#        (pipewire-pulse, wireplumber) instead of PulseAudio; the sound
#        server's column is all of its processes together.
#        MEASURE_SESSION=wayland ...  the same pairs on a Wayland desktop
#        (bench/desktop_wayland.sh; default x11, as below): each run in a
#        fresh weston 10 on the private Xvfb (x11 backend, no window
#        manager, pixman, 800 x 600, with Xwayland), three programs a pair,
#        A B C: とんぼら on Wayland (-platform wayland, no DISPLAY), とんぼら
#        through weston's Xwayland (-platform xcb, no WAYLAND_DISPLAY), Tux
#        Typing through Xwayland. CPU of the program, of weston (with its
#        shell and keyboard clients), of Xwayland and of the sound server,
#        and of the session, their sum (the Xvfb under weston only shows
#        its output and is left out). Keys are typed into weston's window,
#        which hands them to the focused client; weston's output is kept
#        in screenshots and checked: the title, the round, the counts
#        moving under the letters typed; Tux Typing's window, cut out where
#        Xwayland places it, in Fish Cascade. A run they do not bear out is
#        made again. The first title frame of A and B is timed on weston's
#        output (title_probe --output), beside stack_floor title started
#        the same way just before; key to sound is measured for A and B.
#        Read the per-pair ratios A/C and B/C. Needs weston, xwayland and
#        qt6-wayland.
#        MEASURE_SESSION=gnome ...  the same three in a headless mutter of
#        their own each (bench/desktop_gnome.sh), on the title (menu) and in
#        a round without keys: CPU of the program, mutter, Xwayland and the
#        sound server, wake-ups, memory. Needs mutter.
#
# Everything runs in private servers: Xvfb with openbox (tests/e2e/lib.sh)
# and a PulseAudio daemon of our own with a null sink, found by the
# programs through PULSE_SERVER=unix:<its socket> (tests/e2e/pulse.sh).
#
# Per run, for とんぼら (A): the time from exec to the first title frame
# (measure_lib.sh, as in measure_game.sh); then the title screen and a
# round (F2, OK, about 3 letters a second typed with xdotool), each over
# MEASURE_SECS (10) seconds. For Tux Typing (B): its main menu, then a game
# of Fish Cascade (Return three times: Fish Cascade, Easy, the first word
# list), typed the same. Tux Typing's menu follows the pointer, so the
# pointer is parked outside its window before the menu shows; and a run
# counts only when the screen shows Fish Cascade (its level, lives and fish
# counters at the top; a typing lesson or the menu has none): a run on any
# other screen is refused with a message and made again. Each Tux Typing
# run's screenshot is kept in the output folder.
# CPU is utime + stime from /proc/PID/stat of the game, of the X server and
# of the sound server, before and after the window, over the wall time,
# in % of one core; wake-ups are the voluntary context switches of all the
# program's threads over the window, a second; memory is VmRSS and its
# anonymous part (RssAnon) at the end of each window.
#
# Key to sound: after the pairs, one more round of とんぼら is played with
# its music on, one key every 0.7 s; the sink's monitor is recorded with
# parec (5 ms blocks) into bench/key_to_sound, which notes when each block
# arrives and finds each key's effect in the recording by correlation with
# the effect's first 30 ms; the latency is that block's arrival time minus
# the time noted just before xdotool sent the key (see key_to_sound.cpp).
#
# Figures are for comparison within one run: the per-pair ratio A / B of
# game + X server + sound server is the figure to read, not the absolutes.

set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)

source "$here/measure_lib.sh"
game=$(measure_game_path "${1:-}")
pairs=${2:-5}
secs=${MEASURE_SECS:-10}
sound=${MEASURE_SOUND:-1}
session=${MEASURE_SESSION:-x11}
case $session in x11 | wayland | gnome) ;; *) echo "MEASURE_SESSION: x11, wayland or gnome" >&2; exit 2 ;; esac
# The tool comes with the test build; a game built without it names one.
key_tool=${MEASURE_KEY_TOOL:-$(dirname "$game")/../bench/key_to_sound}
tuxtype=$(command -v tuxtype || echo /usr/games/tuxtype)
[ -x "$tuxtype" ] || { echo "Tux Typing is not installed (apt-get install tuxtype)" >&2; exit 1; }

export E2E_GAME=$game
export E2E_ASSETS=$top/assets
export E2E_ARTIFACTS=${MEASURE_OUT:-/tmp/tombora-measure}
source "$top/tests/e2e/lib.sh"
source "$top/tests/e2e/pulse.sh"
if [ "$session" != x11 ]; then
    e2e_init "measure_desktop_$session"
    # weston's window alone on it: no window manager (mutter needs none).
    e2e_start_x bare
else
    e2e_init measure_desktop
    e2e_start_x
fi
measure_prepare
if ((sound)) && [ "${MEASURE_SERVER:-pulseaudio}" = pipewire ]; then
    pipewire_start
elif ((sound)); then
    pulse_start
else
    # A server that is not there, and no card: both programs stay silent.
    export PULSE_SERVER=unix:$E2E_TMP/no-sound-server
fi
xpid=${E2E_PIDS[0]}

# sound_ticks: the sound server's run time (all its processes), 0 without one.
sound_ticks() {
    local pid sum=0
    for pid in "${PULSE_PIDS[@]}"; do sum=$((sum + $(ticks "/proc/$pid/stat"))); done
    echo "$sum"
}

# cpu3 PID: "game x sound wake-ups": CPU in % of one core over the window,
# and the program's wake-ups a second.
cpu3() {
    local pid=$1 g0 x0 s0 v0 t0 g1 x1 s1 v1 t1
    g0=$(ticks "/proc/$pid/stat") x0=$(ticks "/proc/$xpid/stat") s0=$(sound_ticks) v0=$(switches "$pid") t0=$(now_ns)
    sleep "$secs"
    g1=$(ticks "/proc/$pid/stat") x1=$(ticks "/proc/$xpid/stat") s1=$(sound_ticks) v1=$(switches "$pid") t1=$(now_ns)
    awk -v hz="$hz" -v w="$(((t1 - t0) / 1000))" -v g=$((g1 - g0)) -v x=$((x1 - x0)) -v s=$((s1 - s0)) -v v=$((v1 - v0)) \
        'BEGIN { f = 100 / hz / (w / 1e6); printf "%.2f %.2f %.2f %.0f", g * f, x * f, s * f, v / (w / 1e6) }'
}

# typed_cpu_and_memory PID: cpu3 and memory while letters are typed, about
# three a second.
typed_cpu_and_memory() {
    local figures
    start_typing "$secs"
    figures="$(cpu3 "$1") $(memory "$1")"
    stop_typing
    echo "$figures"
}

# Row: "first_frame_ms title(g x s wake) rss anon round(g x s wake) rss anon load"
run_tombora() {
    local rd
    rd=$(e2e_new_dir runtime)
    measure_start "$rd" keep || die "the title frame did not show within 30 s"
    local pid=$R_PID w=$R_WIN first="$R_LOW..$R_HIGH"
    sleep 3
    local title load=$(loadavg)
    title=$(cpu3 "$pid")
    local mem_title=$(memory "$pid")
    start_round "$w" "$pid"
    sleep 1
    local round
    round=$(typed_cpu_and_memory "$pid")
    end_program "$pid"
    echo "$first $title $mem_title $round $load"
}

# tuxtype_once N: one run of Tux Typing; its row, or status 1 when the
# round was not Fish Cascade (the screenshot shows what it was).
tuxtype_once() {
    local home w shot=$E2E_OUT/tuxtype-pair$1-try$2.png
    home=$(e2e_new_dir tuxhome)
    # The menu follows the pointer: kept off the window, Return goes down
    # the menu's first entries.
    xdotool mousemove 1023 767
    (HOME=$home exec "$tuxtype" --window) >>"$E2E_TMP/tuxtype.log" 2>&1 &
    local pid=$!
    E2E_PIDS+=("$pid")
    w=$(e2e_find_window "$pid" '^Tux Typing$' 30) || die "no Tux Typing window"
    sleep 3
    local menu load=$(loadavg)
    menu=$(cpu3 "$pid")
    local mem_menu=$(memory "$pid")
    e2e_activate "$w"
    xdotool key --delay 1500 Return Return Return
    sleep 2
    import -window "$w" "$shot"
    if ! in_fish_cascade "$shot"; then
        end_program "$pid"
        return 1
    fi
    local round
    round=$(typed_cpu_and_memory "$pid")
    end_program "$pid"
    echo "- $menu $mem_menu $round $load"
}

run_tuxtype() {
    local try
    for try in 1 2 3; do
        tuxtype_once "$1" "$try" && return 0
        log "  refused: Tux Typing's round was not Fish Cascade (see $E2E_OUT/tuxtype-pair$1-try$try.png)"
    done
    die "Tux Typing did not reach Fish Cascade in 3 tries"
}

# key_latency: one round with music, a key every 0.7 s, the sink recorded.
key_latency() {
    local rd wd out=$E2E_TMP/latency.txt
    [ -x "$key_tool" ] || { echo "(no $key_tool: build the key_to_sound target)"; return; }
    rd=$(e2e_new_dir runtime)
    wd=$(e2e_new_dir work)
    if [ "${MEASURE_KEY_MUSIC:-1}" = 0 ]; then printf '0,1\r\n' >"$wd/config.dat"; fi
    e2e_start_game "$wd" "$rd"
    local pid=$GAME_PID w
    w=$(e2e_main_window "$pid") || die "no main window"
    start_round "$w" "$pid"
    sleep 1
    keys_to_sound "$out"
    end_program "$pid"
    cat "$out"
}

if [ "$session" = wayland ]; then
    source "$here/desktop_wayland.sh"
    e2e_finish >/dev/null 2>&1
elif [ "$session" = gnome ]; then
    source "$here/wayland_session.sh"
    source "$here/desktop_gnome.sh"
fi

log "$pairs pairs of runs, $secs s per window"
declare -a A B
for ((i = 1; i <= pairs; i++)); do
    log "pair $i: とんぼら"
    A[i]=$(run_tombora)
    log "  ${A[i]}"
    log "pair $i: Tux Typing"
    B[i]=$(run_tuxtype "$i")
    log "  ${B[i]}"
done
latency="(not measured without sound)"
if ((sound)); then
    log "key to sound"
    latency=$(key_latency)
fi

echo
echo "measured on $(date -u +%Y-%m-%dT%H:%MZ), $(nproc) cores, game: $game"
echo "CPU in % of one core over $secs s: game / X server / sound server; wake-ups a second (all the"
echo "program's threads); memory VmRSS / RssAnon in MB. A: とんぼら (title, round); B: Tux Typing (menu, Fish Cascade)"
printf '%-4s %-10s | %-20s %5s %11s | %-20s %5s %11s | %s\n' pair first_ms "title g/x/s" wake "rss/anon" "round g/x/s" wake "rss/anon" "load (title run)"
ratios_title=()
ratios_round=()
alone_title=()
alone_round=()
anon_title=()
anon_round=()
rss_title=()
rss_round=()
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
for ((i = 1; i <= pairs; i++)); do
    for who in A B; do
        eval "row=\${$who[i]}"
        read -r first tg tx ts tw trss tanon rg rx rs rw rrss ranon l1 l2 l3 <<<"$row"
        printf '%-4s %-10s | %-20s %5s %11s | %-20s %5s %11s | %s\n' "$i$who" "$first" "$tg/$tx/$ts" "$tw" "$trss/$tanon" \
            "$rg/$rx/$rs" "$rw" "$rrss/$ranon" "$l1 $l2 $l3"
    done
    read -r _ atg atx ats _ atrss atanon arg arx ars _ arrss aranon _ _ _ <<<"${A[i]}"
    read -r _ btg btx bts _ btrss btanon brg brx brs _ brrss branon _ _ _ <<<"${B[i]}"
    ratios_title+=("$(ratio "$(awk -v a="$atg" -v b="$atx" -v c="$ats" 'BEGIN { print a + b + c }')" \
        "$(awk -v a="$btg" -v b="$btx" -v c="$bts" 'BEGIN { print a + b + c }')")")
    ratios_round+=("$(ratio "$(awk -v a="$arg" -v b="$arx" -v c="$ars" 'BEGIN { print a + b + c }')" \
        "$(awk -v a="$brg" -v b="$brx" -v c="$brs" 'BEGIN { print a + b + c }')")")
    alone_title+=("$(ratio "$atg" "$btg")")
    alone_round+=("$(ratio "$arg" "$brg")")
    rss_title+=("$(ratio "$atrss" "$btrss")")
    rss_round+=("$(ratio "$arrss" "$brrss")")
    anon_title+=("$(ratio "$atanon" "$btanon")")
    anon_round+=("$(ratio "$aranon" "$branon")")
done
if ((pairs > 0)); then
    echo "ratio A/B of game + X + sound server, title (menu for B): ${ratios_title[*]}; median $(median "${ratios_title[@]}")"
    echo "ratio A/B of game + X + sound server, round:              ${ratios_round[*]}; median $(median "${ratios_round[@]}")"
    echo "ratio A/B of the game alone, title (menu for B):          ${alone_title[*]}; median $(median "${alone_title[@]}")"
    echo "ratio A/B of the game alone, round:                       ${alone_round[*]}; median $(median "${alone_round[@]}")"
    echo "ratio A/B of resident memory, title / round:              median $(median "${rss_title[@]}") / $(median "${rss_round[@]}")"
    echo "ratio A/B of anonymous memory, title / round:             median $(median "${anon_title[@]}") / $(median "${anon_round[@]}")"
    echo "Tux Typing's screenshots, each checked to show Fish Cascade: $E2E_OUT/tuxtype-pair*.png"
fi
echo "key to sound (round with music):"
echo "$latency" | sed 's/^/  /'
e2e_finish >/dev/null 2>&1
