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
#        MEASURE_KEY_MUSIC=0 ...  key to sound with the music unticked: each
#        voice starts a corked stream, and the recording holds nothing else.
#        MEASURE_SERVER=pipewire ...  PipeWire and its PulseAudio stand-in
#        (pipewire-pulse, wireplumber) instead of PulseAudio; the sound
#        server's column is all of its processes together.
#
# Everything runs in private servers: Xvfb with openbox (tests/e2e/lib.sh)
# and a PulseAudio daemon of our own with a null sink, found by the
# programs through PULSE_SERVER=unix:<its socket> (tests/e2e/pulse.sh).
#
# Per run, for とんぼら (A): the time from exec to the first title frame
# (measure_lib.sh, as in measure_game.sh); then the title screen and a
# round (F2, OK, about 3 letters a second typed with xdotool), each over
# MEASURE_SECS (10) seconds. For Tux Typing (B): its main menu, then a game
# of Fish Cascade (Return three times: Easy, Short Words), typed the same.
# CPU is utime + stime from /proc/PID/stat of the game, of the X server and
# of the sound server, before and after the window, over the wall time,
# in % of one core; memory is VmRSS at the end of each window.
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
key_tool=$(dirname "$game")/../bench/key_to_sound
tuxtype=$(command -v tuxtype || echo /usr/games/tuxtype)
[ -x "$tuxtype" ] || { echo "Tux Typing is not installed (apt-get install tuxtype)" >&2; exit 1; }

export E2E_GAME=$game
export E2E_ASSETS=$top/assets
export E2E_ARTIFACTS=${MEASURE_OUT:-/tmp/tombora-measure}
source "$top/tests/e2e/lib.sh"
source "$top/tests/e2e/pulse.sh"
e2e_init measure_desktop
e2e_start_x
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

loadavg() { cut -d' ' -f1-3 /proc/loadavg; }
rss_mb() { awk -v k="$(status_kb "$1" VmRSS)" 'BEGIN { printf "%.1f", k / 1024 }'; }

# sound_ticks: the sound server's run time (all its processes), 0 without one.
sound_ticks() {
    local pid sum=0
    for pid in "${PULSE_PIDS[@]}"; do sum=$((sum + $(ticks "/proc/$pid/stat"))); done
    echo "$sum"
}

# cpu3 PID: "game x sound" in % of one core over the window.
cpu3() {
    local pid=$1 g0 x0 s0 t0 g1 x1 s1 t1
    g0=$(ticks "/proc/$pid/stat") x0=$(ticks "/proc/$xpid/stat") s0=$(sound_ticks) t0=$(now_ns)
    sleep "$secs"
    g1=$(ticks "/proc/$pid/stat") x1=$(ticks "/proc/$xpid/stat") s1=$(sound_ticks) t1=$(now_ns)
    awk -v hz="$hz" -v w="$(((t1 - t0) / 1000))" -v g=$((g1 - g0)) -v x=$((x1 - x0)) -v s=$((s1 - s0)) \
        'BEGIN { f = 100 / hz / (w / 1e6); printf "%.2f %.2f %.2f", g * f, x * f, s * f }'
}

letters() { printf 'abcdefghijklmnopqrstuvwxyz%.0s' $(seq 1 $((secs / 8 + 1))); }

# typed_cpu_and_rss PID: cpu3 and VmRSS while letters are typed, about
# three a second.
typed_cpu_and_rss() {
    local typer figures
    xdotool type --delay 300 "$(letters)" >/dev/null &
    typer=$!
    figures="$(cpu3 "$1") $(rss_mb "$1")"
    kill "$typer" 2>/dev/null || true
    wait "$typer" 2>/dev/null || true
    echo "$figures"
}

# start_round W PID: F2, the start box answered, the window active again.
start_round() {
    local box
    e2e_key "$1" F2
    box=$(e2e_find_window "$2" "^$BOX_CAPTION\$" 10) || die "no start box"
    e2e_key "$box" Return
    e2e_window_gone "$box" 5
    e2e_activate "$1"
}

end_program() {
    kill -TERM "$1" 2>/dev/null || true
    e2e_wait_exit "$1" 10 || { kill -KILL "$1" 2>/dev/null || true; e2e_wait_exit "$1" 5 || true; }
}

# Row: "first_frame_ms title(g x s) rss_title round(g x s) rss_round load"
run_tombora() {
    local rd
    rd=$(e2e_new_dir runtime)
    measure_start "$rd" keep || die "the title frame did not show within 30 s"
    local pid=$R_PID w=$R_WIN first="$R_LOW..$R_HIGH"
    sleep 3
    local title load=$(loadavg)
    title=$(cpu3 "$pid")
    local rss_title=$(rss_mb "$pid")
    start_round "$w" "$pid"
    sleep 1
    local round
    round=$(typed_cpu_and_rss "$pid")
    end_program "$pid"
    echo "$first $title $rss_title $round $load"
}

run_tuxtype() {
    local home w
    home=$(e2e_new_dir tuxhome)
    (HOME=$home exec "$tuxtype" --window) >>"$E2E_TMP/tuxtype.log" 2>&1 &
    local pid=$!
    E2E_PIDS+=("$pid")
    w=$(e2e_find_window "$pid" '^Tux Typing$' 30) || die "no Tux Typing window"
    sleep 3
    local menu load=$(loadavg)
    menu=$(cpu3 "$pid")
    local rss_menu=$(rss_mb "$pid")
    e2e_activate "$w"
    xdotool key --delay 1500 Return Return Return
    sleep 2
    local round
    round=$(typed_cpu_and_rss "$pid")
    end_program "$pid"
    echo "- $menu $rss_menu $round $load"
}

# key_latency: one round with music, a key every 0.7 s, the sink recorded.
key_latency() {
    local rd wd keys=$E2E_TMP/keys.txt out=$E2E_TMP/latency.txt rec
    [ -x "$key_tool" ] || { echo "(no $key_tool: build the key_to_sound target)"; return; }
    rd=$(e2e_new_dir runtime)
    wd=$(e2e_new_dir work)
    if [ "${MEASURE_KEY_MUSIC:-1}" = 0 ]; then printf '0,1\r\n' >"$wd/config.dat"; fi
    e2e_start_game "$wd" "$rd"
    local pid=$GAME_PID w
    w=$(e2e_main_window "$pid") || die "no main window"
    start_round "$w" "$pid"
    sleep 1
    : >"$keys"
    local pipe=$E2E_TMP/monitor.pipe
    mkfifo "$pipe"
    "$key_tool" "$keys" "$E2E_ASSETS/nya.wav" "$E2E_ASSETS/damedanya.wav" <"$pipe" >"$out" &
    local tool=$!
    parec --raw --format=s16le --rate=44100 --channels=2 --latency-msec=5 -d game_sink.monitor >"$pipe" &
    rec=$!
    sleep 1
    local k
    for k in $(echo a s d f g h j k l q w e r t y u i o p z x c v b | tr ' ' '\n'); do
        now_ns >>"$keys"
        xdotool key "$k"
        sleep 0.7
    done
    sleep 0.5
    # The recording ends with parec; the tool then reads to its end.
    kill -TERM "$rec" 2>/dev/null || true
    wait "$rec" 2>/dev/null || true
    wait "$tool" 2>/dev/null || true
    end_program "$pid"
    cat "$out"
}

log "$pairs pairs of runs, $secs s per window"
declare -a A B
for ((i = 1; i <= pairs; i++)); do
    log "pair $i: とんぼら"
    A[i]=$(run_tombora)
    log "  ${A[i]}"
    log "pair $i: Tux Typing"
    B[i]=$(run_tuxtype)
    log "  ${B[i]}"
done
latency="(not measured without sound)"
if ((sound)); then
    log "key to sound"
    latency=$(key_latency)
fi

echo
echo "measured on $(date -u +%Y-%m-%dT%H:%MZ), $(nproc) cores, game: $game"
echo "CPU in % of one core over $secs s: game / X server / sound server; memory VmRSS in MB"
printf '%-4s %-10s | %-20s %6s | %-20s %6s | %s\n' pair first_ms "title g/x/s" rss "round g/x/s" rss "load (title run)"
ratios_title=()
ratios_round=()
alone_title=()
alone_round=()
for ((i = 1; i <= pairs; i++)); do
    for who in A B; do
        eval "row=\${$who[i]}"
        read -r first tg tx ts trss rg rx rs rrss l1 l2 l3 <<<"$row"
        printf '%-4s %-10s | %-20s %6s | %-20s %6s | %s\n' "$i$who" "$first" "$tg/$tx/$ts" "$trss" "$rg/$rx/$rs" "$rrss" "$l1 $l2 $l3"
    done
    read -r _ atg atx ats _ arg arx ars _ _ _ _ <<<"${A[i]}"
    read -r _ btg btx bts _ brg brx brs _ _ _ _ <<<"${B[i]}"
    ratios_title+=("$(awk -v a="$atg" -v b="$atx" -v c="$ats" -v d="$btg" -v e="$btx" -v f="$bts" 'BEGIN { printf "%.2f", (a + b + c) / (d + e + f) }')")
    ratios_round+=("$(awk -v a="$arg" -v b="$arx" -v c="$ars" -v d="$brg" -v e="$brx" -v f="$brs" 'BEGIN { printf "%.2f", (a + b + c) / (d + e + f) }')")
    alone_title+=("$(awk -v a="$atg" -v b="$btg" 'BEGIN { printf "%.2f", a / b }')")
    alone_round+=("$(awk -v a="$arg" -v b="$brg" 'BEGIN { printf "%.2f", a / b }')")
done
if ((pairs > 0)); then
    echo "ratio A/B of game + X + sound server, title (menu for B): ${ratios_title[*]}; median $(median "${ratios_title[@]}")"
    echo "ratio A/B of game + X + sound server, round:              ${ratios_round[*]}; median $(median "${ratios_round[@]}")"
    echo "ratio A/B of the game alone, title (menu for B):          ${alone_title[*]}; median $(median "${alone_title[@]}")"
    echo "ratio A/B of the game alone, round:                       ${alone_round[*]}; median $(median "${alone_round[@]}")"
fi
echo "key to sound (round with music):"
echo "$latency" | sed 's/^/  /'
e2e_finish >/dev/null 2>&1
