#!/usr/bin/env bash
# Measures the real game under a private X server (Xvfb with openbox):
#
#   - start-up time: from the exec of the program to its window being mapped,
#     and to the first title frame on the screen;
#   - CPU use on the title screen and during a round, each over 10 s, in per
#     cent of one core, for the whole process and per thread (the X server's
#     own CPU is shown beside it, as drawing costs land there too);
#   - resident memory (VmRSS now, VmHWM the peak so far) and the number of
#     threads on both screens.
#
# Usage: bench/measure_game.sh [GAME] [STARTUP_RUNS]
#   GAME defaults to build-e2e/game/tombora, then build/game/tombora.
#   MEASURE_SERVER: none (the default), pulseaudio or pipewire, a private
#   sound server for the game (tests/e2e/pulse.sh).
#
# Method for the start-up time. The clock starts just before the program is
# exec'd (a subshell execs it, so the process is the game from the first
# instruction). Then bench/title_probe asks the X server every 2 ms: for a
# mapped window captioned "とんぼらR1" that belongs to the process, then
# for the play field's top 200 rows, which it compares pixel for pixel with
# the committed title picture. Before the first frame the play field is
# plain window colour, so the match can only come from the first title
# frame. The script prints the time of the last poll that did not see the
# frame (a lower bound) and of the answer that showed it (an upper bound).
# The first run is a warm-up whose figures are not counted: the others run
# with the program and its libraries in the page cache.
#
# Method for CPU: utime + stime of /proc/PID/stat (and of each
# /proc/PID/task/TID/stat) at the start and the end of a 10 s window,
# divided by the clock-tick rate and the wall time measured around them.
#
# Machines are shared and noisy: the figures are for comparison on the same
# machine, not pass/fail limits.

set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)

source "$here/measure_lib.sh"
game=$(measure_game_path "${1:-}")
runs=${2:-6}

export E2E_GAME=$game
export E2E_ASSETS=$top/assets
export E2E_ARTIFACTS=${MEASURE_OUT:-/tmp/tombora-measure}
# The end-to-end tests' helpers: X server, openbox, windows, keys, cleanup.
source "$top/tests/e2e/lib.sh"
source "$top/tests/e2e/pulse.sh"
e2e_init measure
e2e_start_x
measure_sound_server

measure_prepare

# cpu_window PID SECONDS LABEL: CPU of the process, its threads and the X
# server over a window of time; prints table rows.
cpu_window() {
    local pid=$1 secs=$2 label=$3
    local xpid=${E2E_PIDS[0]}
    declare -A t0 names
    local tid
    for tid in $(ls "/proc/$pid/task"); do
        t0[$tid]=$(ticks "/proc/$pid/task/$tid/stat" 2>/dev/null || echo 0)
        names[$tid]=$(cat "/proc/$pid/task/$tid/comm" 2>/dev/null || echo '?')
    done
    local p0 x0 s0 p1 x1 s1
    p0=$(ticks "/proc/$pid/stat")
    x0=$(ticks "/proc/$xpid/stat")
    s0=$(now_ns)
    sleep "$secs"
    p1=$(ticks "/proc/$pid/stat")
    x1=$(ticks "/proc/$xpid/stat")
    s1=$(now_ns)
    local wall_s
    wall_s=$(awk -v a="$s0" -v b="$s1" 'BEGIN { printf "%.3f", (b - a) / 1e9 }')
    pct() { awk -v d="$1" -v hz="$hz" -v w="$wall_s" 'BEGIN { printf "%.1f %%", 100 * d / hz / w }'; }
    printf '%-34s %s (over %s s)\n' "CPU, $label, whole game" "$(pct $((p1 - p0)))" "$wall_s"
    for tid in $(ls "/proc/$pid/task"); do
        local a=${t0[$tid]:-0} b name
        b=$(ticks "/proc/$pid/task/$tid/stat" 2>/dev/null || echo "$a")
        name=${names[$tid]:-$(cat "/proc/$pid/task/$tid/comm" 2>/dev/null || echo '?')}
        printf '%-34s %s\n' "    thread $tid ($name)" "$(pct $((b - a)))"
    done
    printf '%-34s %s\n' "CPU, $label, X server (Xvfb)" "$(pct $((x1 - x0)))"
}

memory_rows() {
    local pid=$1 label=$2
    printf '%-34s %s MiB (peak VmHWM %s MiB)\n' "memory, $label, VmRSS" \
        "$(awk -v k="$(status_kb "$pid" VmRSS)" 'BEGIN { printf "%.1f", k / 1024 }')" \
        "$(awk -v k="$(status_kb "$pid" VmHWM)" 'BEGIN { printf "%.1f", k / 1024 }')"
    printf '%-34s %s\n' "threads, $label" "$(status_kb "$pid" Threads)"
}

rd=$(e2e_new_dir runtime)

log "start-up: $runs runs, the first a warm-up"
maps=()
lows=()
highs=()
for ((i = 0; i < runs; i++)); do
    measure_start "$rd" || die "the title frame did not show within 30 s"
    m=$R_MAP lo=$R_LOW hi=$R_HIGH
    log "  run $i: mapped at $m ms, first title frame between $lo and $hi ms"
    if ((i > 0)); then
        maps+=("$m")
        lows+=("$lo")
        highs+=("$hi")
    fi
done

# The screens: one game, title first, then a round.
wd=$(e2e_new_dir work)
e2e_start_game "$wd" "$rd"
pid=$GAME_PID
W=$(e2e_main_window "$pid") || die "no main window"
sleep 3
log "title screen: measuring 10 s"
title_rows=$(cpu_window "$pid" 10 "title screen")
title_mem=$(memory_rows "$pid" "title screen")

e2e_key "$W" F2
box=$(e2e_find_window "$pid" "^$BOX_CAPTION\$" 10) || die "no start box"
e2e_key "$box" Return
e2e_window_gone "$box" 5
e2e_activate "$W"
sleep 1
# A few letters a second through the whole window of measurement.
xdotool type --delay 300 abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz &
typer=$!
E2E_PIDS+=("$typer")
log "round: measuring 10 s while typing about 3 letters a second"
round_rows=$(cpu_window "$pid" 10 "round")
round_mem=$(memory_rows "$pid" "round")
kill -TERM "$typer" 2>/dev/null || true
shot=$(e2e_shot "$W" round_while_measured)
field_of "$shot" "$E2E_TMP/field.png"
shows_play "$E2E_TMP/field.png" || log "warning: the last shot does not show the play screen"

echo
echo "tombora measured on $(date -u +%Y-%m-%dT%H:%MZ), $(nproc) cores, game: $game"
echo "program folder: $(ls "$(dirname "$game")" | tr '\n' ' ')"
printf '%-34s %s\n' "measure" "value"
printf '%-34s %s\n' "----------------------------------" "------------------------------"
printf '%-34s %s ms (median of %d; runs: %s)\n' "start-up to window mapped" \
    "$(median "${maps[@]}")" "${#maps[@]}" "${maps[*]}"
printf '%-34s %s..%s ms (median; upper bounds: %s)\n' "start-up to first title frame" \
    "$(median "${lows[@]}")" "$(median "${highs[@]}")" "${highs[*]}"
echo "$title_rows"
echo "$title_mem"
echo "$round_rows"
echo "$round_mem"
e2e_finish >/dev/null 2>&1
