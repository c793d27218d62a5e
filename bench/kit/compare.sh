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
    local result game=$1
    # shellcheck disable=SC2086 # the extra environment is words on purpose
    game_in "$(opt scene round)" env $2
    [ -n "${OPT[typing]:-}" ] && start_typing "$(opt secs 15)"
    result=$(on_cpu "$(opt secs 15)" "$S_PID" "$E2E_X_PID")
    [ -n "${OPT[typing]:-}" ] && stop_typing
    end_program "$S_PID"
    echo "$result"
}
