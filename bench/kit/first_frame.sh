# bench/measure first-frame [--game GAME] [--session x11|weston|kwin]
#                           [--sound none|pulseaudio|pipewire] [--runs N]
#                           [--out DIR] [--tools DIR]
#
# How soon the first title frame reaches the screen after the game's
# exec, and how often it takes longer than 100 ms, beside the floor of the
# stack: bench/stack_floor title, a Qt window with a menu bar showing the
# title picture and nothing of the game. Starts of each in turns, back to
# back, --runs (20) of each after one start of each as a warm-up, each
# with a runtime folder of its own. The clock starts just before the exec
# (a subshell execs the program, so the process is it from its first
# instruction); bench/title_probe then asks the X server every 2 ms for
# the window and for the play field's top 200 rows, compared pixel for
# pixel with the committed title picture: before the first frame the
# field is plain window colour, so only the first title frame matches.
# Each start gives the last poll that did not see it and the answer that
# did (ms), and when the window was mapped. On weston or kwin (--session),
# a fresh compositor for every start, and four programs: the game and the
# floor natively and through Xwayland, timed on its output. No sound
# server by default.

first_frame_main() {
    local i k line
    DESK=$(opt session x11)
    [ "$DESK" = mutter ] && die "first-frame: x11, weston or kwin (nothing shows a headless mutter's output)"
    desk_begin "first_frame_$DESK"
    sound_server none
    floor=$(tool stack_floor)
    local -a series=("game x11" "floor x11")
    [ "$DESK" != x11 ] && series=("game native" "floor native" "game xwayland" "floor xwayland")
    local -a highs maps
    for k in "${!series[@]}"; do start_once ${series[k]} || die "no title from the ${series[k]}"; done
    echo "first title frame, ms after exec (last poll without it..the answer with it); sound server $(opt sound none)"
    for ((i = 1; i <= $(opt runs 20); i++)); do
        line="run $i:"
        for k in "${!series[@]}"; do
            start_once ${series[k]} || die "no title from the ${series[k]}"
            highs[k]+=" $R_HIGH"
            maps[k]+=" $R_MAP"
            line+=" ${series[k]} $R_LOW..$R_HIGH |"
        done
        echo "$line load $(cut -d' ' -f1 /proc/loadavg)"
    done
    for k in "${!series[@]}"; do
        # shellcheck disable=SC2086 # the figures, one a word
        printf '%-15s median %s ms, %d of %d over 100 ms, worst %s ms; window mapped, median %s ms\n' "${series[k]}" \
            "$(median ${highs[k]})" "$(printf '%s\n' ${highs[k]} | awk '$1 > 100' | wc -l)" "$(opt runs 20)" \
            "$(numbers ${highs[k]} | tail -1)" "$(median ${maps[k]})"
    done
    echo "logs: $E2E_OUT"
}

# start_once game|floor MODE: one start, timed, then ended.
start_once() {
    local command=("$game") caption=$MAIN_CAPTION
    [ "$1" = floor ] && command=("$floor" title "$E2E_ASSETS/title.png") caption=stack_floor
    MODE=$2
    desk_open
    if [ "$DESK" != x11 ]; then
        SESSION_EXEC="desk_start $MODE" first_frame --output "$(e2e_new_dir runtime)" "${command[@]}" \
            -platform "$(platform_of "$MODE")"
    else
        first_frame "$caption" "$(e2e_new_dir runtime)" "${command[@]}"
    fi || { desk_close; return 1; }
    end_program "$S_PID"
    desk_close
}
