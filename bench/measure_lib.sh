# Shared by the measuring scripts: process times, memory, and the time
# from exec to the first title frame (see measure_game.sh for the method).
# Only definitions: source it first.

hz=$(getconf CLK_TCK)
now_ns() { date +%s%N; }

# ticks PID: utime + stime of a process or thread, in clock ticks.
ticks() { sed 's/^.*) //' "$1" | awk '{ print $12 + $13 }'; }

# on_cpu_ns PID: time on the processor of all the process's threads, in
# nanoseconds (schedstat: finer than the clock ticks above).
on_cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ ns += $1 } END { print ns + 0 }'; }

# switches PID: voluntary context switches of all the process's threads.
switches() {
    cat /proc/"$1"/task/*/status 2>/dev/null | awk '$1 == "voluntary_ctxt_switches:" { n += $2 } END { print n + 0 }'
}

# stack_floor_path GAME: bench/stack_floor built beside GAME, else in the
# test build; nothing when neither has it.
stack_floor_path() {
    local candidate
    for candidate in "$(dirname "$1")/../bench/stack_floor" "$top/build/bench/stack_floor"; do
        [ -x "$candidate" ] && { echo "$candidate"; return; }
    done
    return 0
}

# start_typing SECONDS: types letters about three a second, for at least
# that long, into the active window; TYPER is the typing process.
start_typing() {
    xdotool type --delay 300 "$(printf 'abcdefghijklmnopqrstuvwxyz%.0s' $(seq 1 $(($1 / 8 + 1))))" >/dev/null &
    TYPER=$!
}

# stop_typing: ends the typing of start_typing.
stop_typing() {
    kill "$TYPER" 2>/dev/null || true
    wait "$TYPER" 2>/dev/null || true
}

status_kb() { awk -v k="$2:" '$1 == k { print $2 }' "/proc/$1/status"; }

median() { printf '%s\n' "$@" | sort -n | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }

# measure_prepare: finds the title probe (bench/title_probe.cpp), built
# with the test build's benchmarks; MEASURE_PROBE_TOOL names another.
measure_prepare() {
    local candidate
    title_probe=${MEASURE_PROBE_TOOL:-}
    for candidate in "$(dirname "$E2E_GAME")/../bench/title_probe" "$top/build/bench/title_probe"; do
        [ -z "$title_probe" ] && [ -x "$candidate" ] && title_probe=$candidate
    done
    [ -x "$title_probe" ] || die "no bench/title_probe: build the tests (bash scripts/test.sh) or set MEASURE_PROBE_TOOL"
}

# measure_start RUNTIME_DIR [keep]: one start of the game; sets R_MAP, R_LOW
# and R_HIGH in ms after the exec (the window mapped; the first title frame
# not yet on the screen, and there), polled by the title probe every 2 ms.
# With "keep" the game goes on running and R_PID and R_WIN name it;
# otherwise it is ended. START_COMMAND (an array) and START_CAPTION start
# and find another program showing the title picture in its place.
measure_start() {
    local rd=$1 keep=${2:-} wd t0 pid times
    local command=("${START_COMMAND[@]:-$E2E_GAME}")
    wd=${MEASURE_WORK:-$(e2e_new_dir work)}
    t0=$(now_ns)
    (cd "$wd" && XDG_RUNTIME_DIR=$rd exec "${command[@]}") >>"$E2E_TMP/game.log" 2>&1 &
    pid=$!
    E2E_PIDS+=("$pid")
    if ! times=$("$title_probe" "$pid" "$t0" "${START_CAPTION:-$MAIN_CAPTION}" "$E2E_ASSETS/title.png"); then
        kill -KILL "$pid" 2>/dev/null || true
        return 1
    fi
    read -r R_MAP R_LOW R_HIGH <<<"$times"
    R_PID=$pid
    if [ "$keep" = keep ]; then
        R_WIN=$(e2e_main_window "$pid")
        return 0
    fi
    kill -TERM "$pid"
    e2e_wait_exit "$pid" 10 || kill -KILL "$pid"
}

# measure_game_path [GAME]: the game to measure, as an absolute path (it
# runs from a working folder of its own): the one named, or the build's.
measure_game_path() {
    local game=${1:-} g
    if [ -z "$game" ]; then
        for g in "$top/build-e2e/game/tombora" "$top/build/game/tombora"; do
            [ -x "$g" ] && { game=$g; break; }
        done
    fi
    [ -n "$game" ] && [ -x "$game" ] || { echo "no game executable found; build it or name it" >&2; return 1; }
    realpath "$game"
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

# measure_sound_server: the private sound server MEASURE_SERVER names
# (pulseaudio or pipewire, tests/e2e/pulse.sh), or none at all (the
# default): then PULSE_SERVER points at a socket nobody listens on.
measure_sound_server() {
    case ${MEASURE_SERVER:-none} in
    pulseaudio) pulse_start ;;
    pipewire) pipewire_start ;;
    *) export PULSE_SERVER=unix:$E2E_TMP/no-sound-server ;;
    esac
}

loadavg() { cut -d' ' -f1-3 /proc/loadavg; }
rss_mb() { awk -v k="$(status_kb "$1" VmRSS)" 'BEGIN { printf "%.1f", k / 1024 }'; }
anon_mb() { awk -v k="$(status_kb "$1" RssAnon)" 'BEGIN { printf "%.1f", k / 1024 }'; }
memory() { echo "$(rss_mb "$1") $(anon_mb "$1")"; }

# end_program PID: ends our child, and once it is collected, takes it off
# the list of processes to end at exit (its number may be given to
# another process).
end_program() {
    kill -TERM "$1" 2>/dev/null || true
    e2e_wait_exit "$1" 10 || { kill -KILL "$1" 2>/dev/null || true; e2e_wait_exit "$1" 5 || true; }
    [ "$EXIT_CODE" = none ] && return 0
    local i
    for i in "${!E2E_PIDS[@]}"; do [ "${E2E_PIDS[i]}" = "$1" ] && unset 'E2E_PIDS[i]'; done
    E2E_PIDS=("${E2E_PIDS[@]}")
}

# in_fish_cascade SHOT: whether a screenshot of Tux Typing's 640 x 480
# window shows Fish Cascade: its counters of lives and fish (cyan digits
# at the top, x 380 to 620) and the white word "Lives" beside them. Its
# menu has no such digits there, and a typing lesson neither.
in_fish_cascade() {
    local digits lives
    digits=$(convert "$1" -crop 240x35+380+0 +repage txt:- |
        awk -F'[(,)]' 'NR > 1 && $3 < 80 && $4 > 180 && $5 > 180 { n++ } END { print n + 0 }')
    lives=$(convert "$1" -crop 60x30+325+0 +repage txt:- |
        awk -F'[(,)]' 'NR > 1 && $3 > 235 && $4 > 235 && $5 > 235 { n++ } END { print n + 0 }')
    ((digits >= 150 && lives >= 60))
}

# keys_to_sound OUT: into a round under way (its window active), a key
# every 0.7 s while the sink's monitor is recorded with parec (5 ms
# blocks) into key_to_sound ($key_tool), which writes each key's latency
# and their median into OUT (see key_to_sound.cpp).
keys_to_sound() {
    local out=$1 dir keys pipe tool rec k
    dir=$(e2e_new_dir keys)
    keys=$dir/keys.txt
    pipe=$dir/monitor.pipe
    : >"$keys"
    mkfifo "$pipe"
    "$key_tool" "$keys" "$E2E_ASSETS/nya.wav" "$E2E_ASSETS/damedanya.wav" <"$pipe" >"$out" &
    tool=$!
    parec --raw --format=s16le --rate=44100 --channels=2 --latency-msec=5 -d game_sink.monitor >"$pipe" &
    rec=$!
    sleep 1
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
}
