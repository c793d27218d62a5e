#!/usr/bin/env bash
# Two builds of the game (or one build run two ways) side by side on the
# title or in a round, without sound: the CPU of the game and of the X
# server, A and B in turns on one private Xvfb. For deciding whether a
# change to the frame path pays in a real window.
#
# Usage: bench/compare_builds.sh GAME_A GAME_B [title|round] [PAIRS]
# MEASURE_SECS (15) seconds a run; MEASURE_ENV_A / MEASURE_ENV_B: extra
# environment for each side ("NAME=value ..."); MEASURE_TYPE=1 types three
# letters a second into both. CPU is the time on the processor of all the
# process's threads (on_cpu_ns, from schedstat) over the wall time, in %
# of one core. Read the per-pair differences: the machine's own noise
# moves both sides of a pair alike.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
source "$here/measure_lib.sh"
game_a=$(measure_game_path "${1:?GAME_A}")
game_b=$(measure_game_path "${2:?GAME_B}")
scene=${3:-round}
pairs=${4:-3}
secs=${MEASURE_SECS:-15}
export E2E_GAME=$game_a E2E_ASSETS=$top/assets E2E_ARTIFACTS=${MEASURE_OUT:-/tmp/tombora-measure}
source "$top/tests/e2e/lib.sh"
e2e_init compare_builds
e2e_start_x
export PULSE_SERVER=unix:$E2E_TMP/no-sound-server

# run GAME "ENV": one run; prints "game% x%".
run() {
    local wd rd pid w g0 x0 t0 g1 x1 t1
    wd=$(e2e_new_dir work)
    rd=$(e2e_new_dir runtime)
    # shellcheck disable=SC2086 # the extra environment is words on purpose
    (cd "$wd" && exec env XDG_RUNTIME_DIR="$rd" $2 "$1") >>"$E2E_TMP/game.log" 2>&1 &
    pid=$!
    E2E_PIDS+=("$pid")
    w=$(e2e_main_window "$pid") || die "no window"
    sleep 2
    [ "$scene" = round ] && start_round "$w" "$pid"
    sleep 1
    [ "${MEASURE_TYPE:-0}" = 1 ] && start_typing "$secs"
    g0=$(on_cpu_ns "$pid") x0=$(on_cpu_ns "$E2E_X_PID") t0=$(now_ns)
    sleep "$secs"
    g1=$(on_cpu_ns "$pid") x1=$(on_cpu_ns "$E2E_X_PID") t1=$(now_ns)
    [ "${MEASURE_TYPE:-0}" = 1 ] && stop_typing
    kill -TERM "$pid"
    e2e_wait_exit "$pid" 10 || kill -KILL "$pid"
    awk -v w=$((t1 - t0)) -v g=$((g1 - g0)) -v x=$((x1 - x0)) 'BEGIN { printf "%.3f %.3f", 100 * g / w, 100 * x / w }'
}

echo "A: $game_a ${MEASURE_ENV_A:-}"
echo "B: $game_b ${MEASURE_ENV_B:-}"
echo "$scene, ${secs} s a run; CPU in % of one core: game / X server"
game_a_runs=() game_b_runs=() differences=()
for ((i = 1; i <= pairs; i++)); do
    read -r ga xa <<<"$(run "$game_a" "${MEASURE_ENV_A:-}")"
    read -r gb xb <<<"$(run "$game_b" "${MEASURE_ENV_B:-}")"
    echo "pair $i: A $ga / $xa | B $gb / $xb | load $(cut -d' ' -f1 /proc/loadavg)"
    game_a_runs+=("$ga") game_b_runs+=("$gb")
    differences+=("$(awk -v a="$ga" -v b="$gb" 'BEGIN { printf "%.3f", b - a }')")
done
echo "median game: A $(median "${game_a_runs[@]}"), B $(median "${game_b_runs[@]}"); B - A per pair: ${differences[*]}"
e2e_finish >/dev/null 2>&1
