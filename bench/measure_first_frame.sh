#!/usr/bin/env bash
# How often the first title frame comes later than 100 ms after the exec,
# beside the floor of the stack: starts of the game and of
# `bench/stack_floor title` (a Qt window with a menu bar showing the title
# picture, nothing of the game) in turns, back to back, each with a runtime
# folder of its own, timed by bench/title_probe (the method is in
# measure_game.sh). The first start of each is a warm-up, not counted.
#
# Usage: bench/measure_first_frame.sh [GAME] [RUNS]
# MEASURE_SERVER: none (the default), pulseaudio or pipewire.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
source "$here/measure_lib.sh"
game=$(measure_game_path "${1:-}")
runs=${2:-20}
floor=$(stack_floor_path "$game")
export E2E_GAME=$game E2E_ASSETS=$top/assets E2E_ARTIFACTS=${MEASURE_OUT:-/tmp/tombora-measure}
source "$top/tests/e2e/lib.sh"
source "$top/tests/e2e/pulse.sh"
[ -n "$floor" ] || die "no bench/stack_floor: build the tests (bash scripts/test.sh)"
e2e_init measure_first_frame
e2e_start_x
measure_sound_server
measure_prepare

game_start() {
    local START_COMMAND=("$game") START_CAPTION=$MAIN_CAPTION
    measure_start "$(e2e_new_dir runtime)"
}
floor_start() {
    local START_COMMAND=("$floor" title "$E2E_ASSETS/title.png") START_CAPTION=stack_floor
    measure_start "$(e2e_new_dir runtime)"
}

# summary NAME UPPER_BOUNDS...: median, starts over 100 ms, the worst.
summary() {
    local name=$1
    shift
    printf '%-6s median %s ms, %d of %d over 100 ms, worst %s ms\n' "$name" "$(median "$@")" \
        "$(printf '%s\n' "$@" | awk '$1 > 100' | wc -l)" $# "$(printf '%s\n' "$@" | sort -n | tail -1)"
}

game_start || die "the game's title did not show"
floor_start || die "the floor's picture did not show"
games=()
floors=()
echo "first frame, ms after exec (last poll without it..the answer with it); MEASURE_SERVER=${MEASURE_SERVER:-none}"
for ((i = 1; i <= runs; i++)); do
    game_start || die "the game's title did not show"
    g="$R_LOW..$R_HIGH"
    games+=("$R_HIGH")
    floor_start || die "the floor's picture did not show"
    floors+=("$R_HIGH")
    echo "run $i: game $g | floor $R_LOW..$R_HIGH | load $(cut -d' ' -f1 /proc/loadavg)"
done
summary game "${games[@]}"
summary floor "${floors[@]}"
e2e_finish >/dev/null 2>&1
