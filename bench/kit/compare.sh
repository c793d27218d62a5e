# bench/measure compare OLD NEW [--scene title|round] [--pairs N] [--secs N]
#                       [--typing] [--env-old VARS] [--env-new VARS] [--out DIR]
#
# Two builds of the game (or one build run two ways: --env-old and
# --env-new add "NAME=value ..." to each side's environment) in turns on
# one private Xvfb, without sound: on the title or in a round (default),
# with three letters a second typed (--typing) or none; --pairs (3) pairs
# of --secs (15) seconds. CPU of the game and of the X server: the time
# on the processor of all their threads (schedstat) over the wall time,
# in % of one core; the game's wake-ups a second. For deciding whether a
# change pays in a real window: read the per-pair differences NEW - OLD,
# which the machine's own noise moves alike.

compare_main() {
    local old new i a b diffs=() olds=() news=()
    (($# == 2)) || die "compare: name the two games, OLD NEW"
    old=$(game_path "$1") new=$(game_path "$2")
    OPT[game]=$old
    DESK=x11
    kit_init compare
    sound_server none
    echo "OLD: $old ${OPT[env-old]:-}"
    echo "NEW: $new ${OPT[env-new]:-}"
    echo "$(opt scene round)$([ -n "${OPT[typing]:-}" ] && echo ", typing"), $(opt secs 15) s a run;" \
        "CPU in % of one core, game / X server; the game's wake-ups a second"
    for ((i = 1; i <= $(opt pairs 3); i++)); do
        a=$(compare_run "$old" "${OPT[env-old]:-}")
        b=$(compare_run "$new" "${OPT[env-new]:-}")
        echo "pair $i: OLD $a | NEW $b | load $(loadavg)"
        olds+=("${a%% *}") news+=("${b%% *}")
        diffs+=("$(awk -v a="${a%% *}" -v b="${b%% *}" 'BEGIN { printf "%.3f", b - a }')")
    done
    echo "game's CPU, median: OLD $(median "${olds[@]}"), NEW $(median "${news[@]}"); NEW - OLD per pair: ${diffs[*]}"
}

# compare_run GAME VARS: one run; "game% x% wake-ups/s".
compare_run() {
    local pid g0 x0 v0 t0 g1 x1 v1 t1
    # shellcheck disable=SC2086 # the extra environment is words on purpose
    (cd "$(e2e_new_dir work)" && exec env XDG_RUNTIME_DIR="$(e2e_new_dir runtime)" $2 "$1") >>"$E2E_TMP/game.log" 2>&1 &
    pid=$!
    E2E_PIDS+=("$pid")
    e2e_main_window "$pid" >/dev/null || die "no window"
    sleep 2
    [ "$(opt scene round)" = round ] && start_round "$(e2e_main_window "$pid")" "$pid"
    sleep 1
    [ -n "${OPT[typing]:-}" ] && start_typing "$(opt secs 15)"
    g0=$(on_cpu_ns "$pid") x0=$(on_cpu_ns "$E2E_X_PID") v0=$(switches "$pid") t0=$(now_ns)
    sleep "$(opt secs 15)"
    g1=$(on_cpu_ns "$pid") x1=$(on_cpu_ns "$E2E_X_PID") v1=$(switches "$pid") t1=$(now_ns)
    [ -n "${OPT[typing]:-}" ] && stop_typing
    end_program "$pid"
    awk -v w=$((t1 - t0)) -v g=$((g1 - g0)) -v x=$((x1 - x0)) -v v=$((v1 - v0)) \
        'BEGIN { printf "%.3f %.3f %.1f", 100 * g / w, 100 * x / w, v * 1e9 / w }'
}
