#!/usr/bin/env bash
# The processor floor under a round: what a process woken every 30 ms
# costs on this machine before it draws anything. Side by side on one
# private Xvfb, in turns: bench/stack_floor sleeper (no Qt, a sleep to each
# deadline), bench/stack_floor ticker (Qt's window and event loop, a 30 ms
# timer that does nothing) and, when named, the game in a round without
# sound. A peer's round is to be read against these, not against zero.
#
# Usage: bench/measure_floor.sh [GAME] [RUNS]
# MEASURE_SECS (15) seconds a run. CPU is on_cpu_ns over the wall time, in
# % of one core; wake-ups are voluntary context switches, all threads.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
source "$here/measure_lib.sh"
game=$(measure_game_path "${1:-}")
runs=${2:-3}
secs=${MEASURE_SECS:-15}
floor=$(stack_floor_path "$game")
export E2E_GAME=$game E2E_ASSETS=$top/assets E2E_ARTIFACTS=${MEASURE_OUT:-/tmp/tombora-measure}
source "$top/tests/e2e/lib.sh"
[ -n "$floor" ] || die "no bench/stack_floor: build the tests (bash scripts/test.sh)"
e2e_init measure_floor
e2e_start_x
export PULSE_SERVER=unix:$E2E_TMP/no-sound-server

# sample PID: "cpu% wakes/s" over the next $secs seconds.
sample() {
    local c0 s0 t0 c1 s1 t1
    c0=$(on_cpu_ns "$1") s0=$(switches "$1") t0=$(now_ns)
    sleep "$secs"
    c1=$(on_cpu_ns "$1") s1=$(switches "$1") t1=$(now_ns)
    awk -v w=$((t1 - t0)) -v c=$((c1 - c0)) -v s=$((s1 - s0)) 'BEGIN { printf "%.3f %.1f", 100 * c / w, s * 1e9 / w }'
}

# floor_run MODE: the stack_floor MODE's "cpu% wakes/s".
floor_run() {
    local pid result
    "$floor" "$1" >/dev/null 2>&1 &
    pid=$!
    E2E_PIDS+=("$pid")
    sleep 2
    result=$(sample "$pid")
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    echo "$result"
}

game_run() {
    local wd rd pid w result
    wd=$(e2e_new_dir work)
    rd=$(e2e_new_dir runtime)
    (cd "$wd" && XDG_RUNTIME_DIR=$rd exec "$game") >>"$E2E_TMP/game.log" 2>&1 &
    pid=$!
    E2E_PIDS+=("$pid")
    w=$(e2e_main_window "$pid") || die "no window"
    sleep 2
    start_round "$w" "$pid"
    sleep 1
    result=$(sample "$pid")
    kill -TERM "$pid"
    e2e_wait_exit "$pid" 10 || kill -KILL "$pid"
    echo "$result"
}

echo "${secs} s a run; % of one core, wake-ups a second"
for ((i = 1; i <= runs; i++)); do
    echo "run $i: sleeper $(floor_run sleeper) | ticker $(floor_run ticker) | round $(game_run) | load $(cut -d' ' -f1 /proc/loadavg)"
done
e2e_finish >/dev/null 2>&1
