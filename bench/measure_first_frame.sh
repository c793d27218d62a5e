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
# MEASURE_SESSION=wayland: the same in weston (bench/wayland_session.sh),
# a fresh weston for every start: the game and the floor on Wayland
# (-platform wayland) and through weston's Xwayland (-platform xcb), all
# four timed to the title on weston's output (title_probe --output).
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
session=${MEASURE_SESSION:-x11}
if [ "$session" = wayland ]; then
    e2e_init measure_first_frame_wayland
    e2e_start_x bare
else
    e2e_init measure_first_frame
    e2e_start_x
fi
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

# wayland_start MODE PROGRAM...: one start in a weston of its own, as
# game_start and floor_start.
wayland_start() {
    local mode=$1 platform=xcb
    shift
    [ "$mode" = native ] && platform=wayland
    weston_start
    session_first_frame "$mode" "$(e2e_new_dir runtime)" "$@" -platform "$platform" || return 1
    end_program "$S_PID"
    weston_stop
}

# start_series K: one start of the game (K even) or the floor (K odd), on
# Wayland (K 0, 1) or through Xwayland (K 2, 3).
series=("game on Wayland" "floor on Wayland" "game through Xwayland" "floor through Xwayland")
start_series() {
    local mode=native
    (($1 >= 2)) && mode=xwayland
    if (($1 % 2 == 0)); then
        wayland_start "$mode" "$game"
    else
        wayland_start "$mode" "$floor" title "$E2E_ASSETS/title.png"
    fi || die "no title from the ${series[$1]}"
}

if [ "$session" = wayland ]; then
    source "$here/wayland_session.sh"
    wayland_session_check
    for k in 0 1 2 3; do start_series "$k"; done
    highs=()
    echo "first frame on weston's output, ms after exec (last poll without it..the answer with it); MEASURE_SERVER=${MEASURE_SERVER:-none}"
    for ((i = 1; i <= runs; i++)); do
        line="run $i:"
        for k in 0 1 2 3; do
            start_series "$k"
            highs[k]+=" $R_HIGH"
            line+=" ${series[k]} $R_LOW..$R_HIGH |"
        done
        echo "$line load $(cut -d' ' -f1 /proc/loadavg)"
    done
    for k in 0 1 2 3; do
        # shellcheck disable=SC2086 # the figures, one a word
        summary "${series[k]}" ${highs[k]}
    done
    e2e_finish >/dev/null 2>&1
fi

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
