# bench/measure frame [instructions|threads|floor] [--game GAME]
#                     [--scene title|round] [--secs N]
#                     [--sound none|pulseaudio|pipewire] [--out DIR] [--tools DIR]
#
# What a frame costs the real game in a real window, in a private Xvfb.
#   instructions  (the default) all threads' instructions under callgrind,
#                 repeatable where CPU time is not, and unlike
#                 build/bench/frame_bench instructions with Qt, xcb and the
#                 sound in: counted from 3 s into the title or the round (no keys;
#                 --scene, round by default) for --secs (15); the frames
#                 drawn and their quotient. No sound server.
#   threads       each thread's wake-ups a second (voluntary context
#                 switches) and CPU (% of one core), with the X server's,
#                 on the title, in a round without keys and in a round with
#                 three letters a second, --secs (10) each; --sound (none).
#   floor         what a process woken every 30 ms costs here before it
#                 draws anything, in turns, three runs of --secs (15):
#                 bench/stack_floor sleeper (no Qt, a sleep to each
#                 deadline), stack_floor ticker (Qt's window and loop, a
#                 timer that does nothing) and the game in a round without
#                 sound. A peer's round is to be read against these.

frame_main() {
    DESK=x11
    kit_init "frame_${1:-instructions}"
    case ${1:-instructions} in
    instructions) sound_server none; instructions ;;
    threads) sound_server none; threads ;;
    floor) sound_server none; floor_runs ;;
    *) die "frame: instructions, threads or floor" ;;
    esac
}

instructions() {
    local out=$E2E_OUT/callgrind.out total frames
    SETTLE=8 game_in "$(opt scene round)" valgrind --tool=callgrind --instr-atstart=no --callgrind-out-file="$out.%p"
    sleep 2
    callgrind_control -i on "$S_PID" >/dev/null
    sleep "$(opt secs 15)"
    callgrind_control -i off "$S_PID" >/dev/null
    kill -TERM "$S_PID"
    e2e_wait_exit "$S_PID" 60 || die "the game did not leave"
    total=$(callgrind_annotate "$out.$S_PID" | awk '/PROGRAM TOTALS/ { gsub(",", "", $1); print $1 }')
    # Frames: the calls of run_frame(), whose name callgrind writes once
    # and then refers to by number.
    frames=$(awk '
        match($0, /^c?fn=\([0-9]+\) run_frame\(\)/) { if (!id) { split($0, a, /[()]/); id = a[2] } }
        id && $0 ~ "^cfn=\\(" id "\\)" { getline; split($1, c, "="); n += c[2] }
        END { print n + 0 }' "$out.$S_PID")
    echo "$(opt scene round): $total instructions in $frames frames: $((total / (frames > 0 ? frames : 1))) a frame"
}

threads() {
    game_in title
    echo "title ($(opt sound none)):"
    per_thread
    start_round "$W" "$S_PID"
    sleep 1
    echo "round, no keys:"
    per_thread
    start_typing "$(opt secs 10)"
    echo "round, three letters a second:"
    per_thread
    stop_typing
    end_program "$S_PID"
}

# per_thread: over --secs, one line a thread, the sum, and the X server.
per_thread() {
    local secs t id x0
    secs=$(opt secs 10)
    declare -A v0 c0
    for t in /proc/"$S_PID"/task/*; do
        id=${t##*/}
        v0[$id]=$(awk '$1 == "voluntary_ctxt_switches:" { print $2 }' "$t/status")
        c0[$id]=$(ticks "$S_PID/task/$id")
    done
    x0=$(ticks "$E2E_X_PID")
    sleep "$secs"
    for t in /proc/"$S_PID"/task/*; do
        id=${t##*/}
        printf '%s %s %s\n' "$(tr ' ' _ <"$t/comm")" \
            $(($(awk '$1 == "voluntary_ctxt_switches:" { print $2 }' "$t/status") - ${v0[$id]:-0})) \
            $(($(ticks "$S_PID/task/$id") - ${c0[$id]:-0}))
    done | awk -v s="$secs" -v hz="$hz" -v x=$(($(ticks "$E2E_X_PID") - x0)) '
        { printf "  %-16s %6.1f wake-ups/s  %5.2f %% CPU\n", $1, $2 / s, $3 * 100 / hz / s; w += $2; c += $3 }
        END { printf "  %-16s %6.1f wake-ups/s  %5.2f %% CPU\n  %-16s %19s %5.2f %% CPU\n", "all", w / s, c * 100 / hz / s,
              "X server", "", x * 100 / hz / s }'
}

floor_of() {
    local pid result
    "$(tool stack_floor)" "$1" >/dev/null 2>&1 &
    pid=$!
    E2E_PIDS+=("$pid")
    sleep 2
    result=$(on_cpu "$(opt secs 15)" "$pid")
    end_program "$pid"
    echo "$result"
}

floor_runs() {
    local i round
    echo "$(opt secs 15) s a run; % of one core, wake-ups a second"
    for i in 1 2 3; do
        game_in round
        round=$(on_cpu "$(opt secs 15)" "$S_PID")
        end_program "$S_PID"
        echo "run $i: sleeper $(floor_of sleeper) | ticker $(floor_of ticker) | round $round | load $(loadavg)"
    done
}
