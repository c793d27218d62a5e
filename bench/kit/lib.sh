# The measuring kit's library, under bench/measure: options, the game and
# the kit's tools, sampling a process (CPU, wake-ups, memory), driving the
# game and Tux Typing, and the table of per-pair ratios. The private X
# server, weston, the sound server and the screen checks are the tests'
# own (tests/e2e): the kit uses them, never the reverse.

hz=$(getconf CLK_TCK)
now_ns() { date +%s%N; }
loadavg() { cut -d' ' -f1-3 /proc/loadavg; }

# --- Options: --name VALUE, or --flag alone; OPT[name] holds each. A
# question takes the options its help names (the header of its file).
declare -A OPT
ARGS=()
parse_options() {
    local known
    known=$(help_of "$question" | grep -o -- '--[a-z-]*' | sort -u)
    while (($#)); do
        case $1 in
        --help | -h) help_of "$question"; exit 0 ;;
        --*)
            grep -qx -- "$1" <<<"$known" || { echo "$question: no option $1 (see bench/measure $question --help)" >&2; exit 2; }
            if [ $# -gt 1 ] && [[ $2 != --* ]] && grep -q -e "$1 [^][]" <(help_of "$question"); then
                OPT[${1#--}]=$2
                shift
            else
                OPT[${1#--}]=1
            fi
            ;;
        *) ARGS+=("$1") ;;
        esac
        shift
    done
}
opt() { echo "${OPT[$1]:-$2}"; }

# help_of QUESTION: the comment at the head of its file.
help_of() { sed -n '/^#/!q; s/^# \{0,1\}//p' "$kit/${1//-/_}.sh"; }

# game_path [GAME]: the game to measure, as an absolute path (it runs from
# a working folder of its own): the one named, or the build's.
game_path() {
    local g
    if [ -n "${1:-}" ]; then
        [ -x "$1" ] || { echo "no game at $1" >&2; exit 1; }
        realpath "$1"
        return
    fi
    for g in "$top/build-game/game/tombora" "$top/build/game/tombora"; do
        [ -x "$g" ] || continue
        # Its pictures are built in: an old build fails the screen checks.
        [ -z "$(find "$top/src" "$top/assets" -newer "$g" -print -quit)" ] ||
            echo "warning: $g is older than the sources; rebuild it (bash scripts/play.sh)" >&2
        realpath "$g"
        return
    done
    echo "no game executable found: build it (README) or name it with --game" >&2
    exit 1
}

# tool NAME: one of the kit's programs (bench/*.cpp), from --tools, beside
# the game's build or in the test build.
tool() {
    local d
    for d in ${OPT[tools]:-} "$(dirname "$game")/../bench" "$top/build/bench"; do
        [ -x "$d/$1" ] && { echo "$d/$1"; return; }
    done
    die "no bench/$1: build the tests (bash scripts/test.sh) or name their bench folder with --tools"
}

# kit_init NAME: the game, the artifacts (--out), the tests' helpers and
# a private X server (bare: no window manager, for a compositor's window).
kit_init() {
    game=$(game_path "${OPT[game]:-}")
    export E2E_GAME=$game E2E_ASSETS=$top/assets E2E_ARTIFACTS=${OPT[out]:-/tmp/tombora-measure}
    source "$top/tests/e2e/lib.sh"
    source "$top/tests/e2e/pulse.sh"
    source "$top/tests/e2e/sessions.sh"
    e2e_init "$1"
    e2e_start_x ${2:-}
    log "measuring $game on $(nproc) cores; raw runs and screenshots in $E2E_OUT"
}

# sound_server [DEFAULT]: the private sound server --sound names
# (pulseaudio, pipewire, or none: then PULSE_SERVER names a socket nobody
# listens on, and there is no card either: the programs stay silent).
sound_server() {
    case $(opt sound "${1:-none}") in
    pulseaudio) pulse_start ;;
    pipewire) pipewire_start ;;
    none) export PULSE_SERVER=unix:$E2E_TMP/no-sound-server PULSE_PIDS=() ;;
    *) die "--sound: pulseaudio, pipewire or none" ;;
    esac
}

# --- Sampling. ticks PIDS...: utime + stime of the processes, in clock
# ticks (0 for one that is gone); on_cpu_ns PID: all its threads' time on
# the processor (schedstat, finer); switches PID: its threads' voluntary
# context switches, each a wake-up.
ticks() {
    local pid n=0
    for pid in "$@"; do n=$((n + $(sed 's/^.*) //' "/proc/$pid/stat" 2>/dev/null | awk '{ t = $12 + $13 } END { print t + 0 }'))); done
    echo "$n"
}
on_cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ ns += $1 } END { print ns + 0 }'; }
switches() { cat /proc/"$1"/task/*/status 2>/dev/null | awk '$1 == "voluntary_ctxt_switches:" { n += $2 } END { print n + 0 }'; }
status_kb() { awk -v k="$2:" '$1 == k { print $2 }' "/proc/$1/status"; }
mb() { awk -v k="$(status_kb "$1" "$2")" 'BEGIN { printf "%.1f", k / 1024 }'; }
memory() { echo "$(mb "$1" VmRSS) $(mb "$1" RssAnon)"; }

# sample SECS PID GROUPS...: over SECS, the CPU of the program and of each
# group of processes (a quoted list of pids: the compositor, Xwayland,
# the sound server), in % of one core, then their sum, the program's
# wake-ups a second, and its memory at the end.
sample() {
    local secs=$1 pid=$2 g before=() after=() v0 v1 t0 t1
    shift 2
    for g in "$pid" "$@"; do before+=("$(ticks $g)"); done
    v0=$(switches "$pid") t0=$(now_ns)
    sleep "$secs"
    for g in "$pid" "$@"; do after+=("$(ticks $g)"); done
    v1=$(switches "$pid") t1=$(now_ns)
    awk -v hz="$hz" -v w=$((t1 - t0)) -v b="${before[*]}" -v a="${after[*]}" -v v=$((v1 - v0)) 'BEGIN {
        n = split(b, x, " "); split(a, y, " "); f = 100 / hz / (w / 1e9)
        for (i = 1; i <= n; i++) { c = (y[i] - x[i]) * f; s += c; printf "%.2f ", c }
        printf "%.2f %.0f", s, v / (w / 1e9) }'
    echo " $(memory "$pid")"
}

# on_cpu SECS PIDS...: over SECS, each process's time on the processor
# (all its threads, schedstat: finer than ticks) in % of one core, then
# the first one's wake-ups a second.
on_cpu() {
    local secs=$1 p c0=() c1=() v0 v1 t0 t1
    shift
    for p; do c0+=("$(on_cpu_ns "$p")"); done
    v0=$(switches "$1") t0=$(now_ns)
    sleep "$secs"
    for p; do c1+=("$(on_cpu_ns "$p")"); done
    v1=$(switches "$1") t1=$(now_ns)
    awk -v w=$((t1 - t0)) -v a="${c0[*]}" -v b="${c1[*]}" -v v=$((v1 - v0)) 'BEGIN {
        n = split(a, x, " "); split(b, y, " ")
        for (i = 1; i <= n; i++) printf "%.3f ", 100 * (y[i] - x[i]) / w
        printf "%.1f", v * 1e9 / w }'
}

# game_in SCENE [WRAPPER...]: the game on the X server, started under the
# wrapper (valgrind, env) and brought to the title or a round without
# keys; sets S_PID and W.
game_in() {
    local scene=$1
    shift
    (cd "$(e2e_new_dir work)" && XDG_RUNTIME_DIR=$(e2e_new_dir runtime) exec "$@" "$game") >>"$E2E_TMP/game.log" 2>&1 &
    S_PID=$!
    E2E_PIDS+=("$S_PID")
    W=$(e2e_find_window "$S_PID" "^$MAIN_CAPTION\$" 120) || die "no window"
    sleep "${SETTLE:-2}"
    [ "$scene" = round ] && start_round "$W" "$S_PID"
    sleep 1
}

# start_typing SECS: letters typed into the focused window, about three a
# second, for at least that long (TYPE_KEYS, a command, types one key;
# xdotool's by default); stop_typing ends them.
start_typing() {
    local letters
    letters=$(printf 'abcdefghijklmnopqrstuvwxyz%.0s' $(seq 1 $(($1 / 8 + 1))))
    if [ -n "${TYPE_KEYS:-}" ]; then
        (for ((i = 0; i < ${#letters}; i++)); do $TYPE_KEYS "${letters:i:1}"; sleep 0.3; done) &
    else
        xdotool type --delay 300 "$letters" >/dev/null &
    fi
    TYPER=$!
}
stop_typing() { kill "$TYPER" 2>/dev/null || true; wait "$TYPER" 2>/dev/null || true; }

# start_round W PID: F2, the start box answered, the window active again.
start_round() {
    local box
    e2e_key "$1" F2
    box=$(e2e_find_window "$2" "^$BOX_CAPTION\$" 10) || die "no start box"
    e2e_key "$box" Return
    e2e_window_gone "$box" 5
    e2e_activate "$1"
}

# first_frame CAPTION|--output WIN, RUNTIME_DIR, COMMAND...: the program
# started, timed by title_probe from just before its exec to its first
# title frame on the screen (its window, or a compositor's whole output);
# sets S_PID and R_MAP, R_LOW, R_HIGH in ms. SESSION_EXEC, when set,
# starts it in a compositor's session instead of on the X server.
first_frame() {
    local where=$1 rd=$2 t0 times wd
    shift 2
    wd=${FIRST_FRAME_WORK:-$(e2e_new_dir work)}
    t0=$(now_ns)
    if [ -n "${SESSION_EXEC:-}" ]; then
        $SESSION_EXEC "$rd" "$wd" "$@"
    else
        (cd "$wd" && XDG_RUNTIME_DIR=$rd exec "$@") >>"$E2E_TMP/game.log" 2>&1 &
        S_PID=$!
        E2E_PIDS+=("$S_PID")
    fi
    if [ "$where" = --output ]; then
        times=$("$(tool title_probe)" --output "$SESSION_WINDOW" "$t0" "$E2E_ASSETS/title.png")
    else
        times=$("$(tool title_probe)" "$S_PID" "$t0" "$where" "$E2E_ASSETS/title.png")
    fi || { kill -KILL "$S_PID" 2>/dev/null || true; return 1; }
    read -r R_MAP R_LOW R_HIGH <<<"$times"
}

# in_fish_cascade SHOT: a shot of Tux Typing's 640 x 480 window shows Fish
# Cascade: its counters of lives and fish (cyan digits at the top, x 380
# to 620) and the white word "Lives" beside them. Its menu has no such
# digits there, and a typing lesson neither.
in_fish_cascade() {
    local digits lives
    digits=$(convert "$1" -crop 240x35+380+0 +repage txt:- |
        awk -F'[(,)]' 'NR > 1 && $3 < 80 && $4 > 180 && $5 > 180 { n++ } END { print n + 0 }')
    lives=$(convert "$1" -crop 60x30+325+0 +repage txt:- |
        awk -F'[(,)]' 'NR > 1 && $3 > 235 && $4 > 235 && $5 > 235 { n++ } END { print n + 0 }')
    ((digits >= 150 && lives >= 60))
}

# measured WHAT COMMAND...: the command until it succeeds, at most three
# times (its last argument the try), telling each refusal.
measured() {
    local what=$1 try
    shift
    for try in 1 2 3; do
        "$@" "$try" && return 0
        log "  refused: $what, try $try (see the screenshots in $E2E_OUT)"
    done
    die "$what: no run accepted in 3 tries"
}

# --- Figures. median VALUES...; spread VALUES...: "median (min-max)", of
# the values that are numbers.
numbers() { printf '%s\n' "$@" | { grep -E '^-?[0-9.]+$' || true; } | sort -n; }
median() { numbers "$@" | awk '{ a[NR] = $1 } END { if (!NR) print "-"; else print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }
spread() {
    local n
    n=$(numbers "$@")
    [ -n "$n" ] || { echo -; return; }
    echo "$(median $n) ($(sed -n '1p;$p' <<<"$n" | paste -sd' ' | sed 's/ /../'))"
}

# ratios N ROWS_OF_A ROWS_OF_B: per pair, figure N of A's row over B's
# (a row's figures counted from 1); A over B, as "the game is 0.8 of the
# peer", never the other way round.
ratios() {
    local n=$1 i
    local -n a=$2 b=$3
    for i in "${!a[@]}"; do
        awk -v x="$(cut -d' ' -f"$n" <<<"${a[i]}")" -v y="$(cut -d' ' -f"$n" <<<"${b[i]}")" \
            'BEGIN { if (y > 0) printf "%.2f\n", x / y; else print "-" }'
    done | paste -sd' '
}

# --- The sink. sink_record EVENTS OUT: the sound server's sink recorded
# from now (its monitor, parec, 5 ms blocks, each block's arrival timed)
# into bench/sink, which judges it once sink_stop ends the recording:
# the passes of the game's pieces and their restarts, the changes of
# piece and the keys' voices EVENTS names (see sink.cpp), into OUT.
# Silence is played into the sink throughout: without a stream the
# monitor hands over nothing, and the game's first frames would be lost.
sink_record() {
    local dir=$E2E_TMP/sink program_dir
    program_dir=$(dirname "$game")
    rm -rf "$dir"
    mkdir -p "$dir"
    mkfifo "$dir/parec.pipe" "$dir/judge.pipe"
    "$(tool sink)" judge "$1" "$program_dir"/{tombora.mid,bgm.mid,nya.wav,damedanya.wav} <"$dir/judge.pipe" >"$2" 2>&1 &
    SINK_PIDS=($!)
    tee "$dir/sink.raw" <"$dir/parec.pipe" >"$dir/judge.pipe" &
    SINK_PIDS+=($!)
    parec --raw --format=s16le --rate=44100 --channels=2 --latency-msec=5 -d game_sink.monitor >"$dir/parec.pipe" &
    SINK_PIDS+=($!)
    pacat --raw --format=s16le --rate=44100 --channels=2 --latency-msec=200 -d game_sink </dev/zero &
    SINK_PIDS+=($!)
    E2E_PIDS+=("${SINK_PIDS[@]}")
    retry 5 test -s "$dir/sink.raw" || die "the sink's monitor hands over nothing"
    EVENTS=$1
}

# sink_stop: the recording ends with parec; the judge then reads to its
# end. The recording is kept beside the judgement, as FLAC.
sink_stop() {
    kill -TERM "${SINK_PIDS[2]}" "${SINK_PIDS[3]}" 2>/dev/null || true
    wait "${SINK_PIDS[@]}" 2>/dev/null || true
    sox -t raw -r 44100 -e signed -b 16 -c 2 "$E2E_TMP/sink/sink.raw" "$E2E_OUT/sink-$(date +%s).flac" 2>/dev/null || true
}

# labelled KEY LABEL: notes the time and the label for the judge, then
# sends the key to the focused window.
labelled() {
    echo "$(now_ns) $2" >>"$EVENTS"
    desk_key "$1"
}
