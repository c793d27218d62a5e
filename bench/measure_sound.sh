#!/usr/bin/env bash
# What the player hears of the game's music and voices, judged from what
# reaches the sound server's sink (see bench/sink_music.cpp).
#
# Usage: bench/measure_sound.sh GAME [RUNS]   (RUNS: 1)
#        MEASURE_SERVER=pipewire ...   PipeWire and its PulseAudio stand-in
#        instead of PulseAudio (the default).
#        MEASURE_MUSIC=0 ...           the music switched off (the voices alone)
#        MEASURE_MUSIC_TOOL=PATH ...   the sink_music tool, for a game built
#        without the test build's bench folder beside it (else the test
#        build's build/bench/sink_music).
#
# Each run has a private X server with openbox and a sound server of its
# own with a null sink (tests/e2e/lib.sh, pulse.sh), and the game with its
# music and voices on. The sink's monitor is recorded from before the game
# starts (parec, 5 ms blocks) into sink_music. The run stays on the title
# screen for TITLE_SECS, long enough to hear the title piece end and start
# again; then F2 and Return on the start box, labelled as the change to
# the round's piece; 34 letters at the rhythms of key_plan, each labelled
# as a key with its rhythm (hits and misses: both voices are looked for),
# but none from 47 to 55 s, where the round's piece (51 s) ends and
# restarts, so no voice covers what is compared there; after the round's 80 s, Space on
# the result screen and Return on the name box, the last labelled as the
# change to the title piece, which plays once the title screen shows
# (Space when no name box comes; Return on the box that says a round
# without hits cannot be rated, when that comes instead). A screenshot
# shows the round began. Each run takes about three minutes; the
# recording, the events and the tool's output stay in the run's folder.

set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
source "$here/measure_lib.sh"
game=$(measure_game_path "${1:-}")
runs=${2:-1}
export MEASURE_SERVER=${MEASURE_SERVER:-pulseaudio}
program_dir=$(dirname "$game")

TITLE_SECS=62
ROUND_SECS=80
TAIL_SECS=4
QUIET_FROM=47
QUIET_TO=55

music_tool() {
    local candidate
    for candidate in ${MEASURE_MUSIC_TOOL:-} "$program_dir/../bench/sink_music" "$top/build/bench/sink_music"; do
        [ -x "$candidate" ] && { echo "$candidate"; return; }
    done
    echo "no bench/sink_music: build the tests (bash scripts/test.sh) or set MEASURE_MUSIC_TOOL" >&2
    return 1
}
sink_music=$(music_tool)

loadavg() { cut -d' ' -f1-3 /proc/loadavg; }

# key_plan SEED: "seconds-after-Return letter rhythm" for each key of the
# round, at each rhythm a player types: a burst 0.1 s apart (each voice
# cutting off the one before), 0.3 to 2 s apart, 1.3 s apart (each voice
# over before the next key), one key after 3 s and after 10 s of quiet,
# and a burst again; none in the quiet stretch around the round's
# piece's restart.
key_plan() {
    awk -v seed="$1" -v q0="$QUIET_FROM" -v q1="$QUIET_TO" 'BEGIN {
        srand(seed)
        for (i = 0; i < 6; i++) key(3 + i * 0.1, "burst0.1s")
        t = 6; for (i = 0; i < 8; i++) { key(t, "0.3-2s"); t += 0.3 + rand() * 1.7 }
        for (i = 0; i < 8; i++) key(18 + i * 1.3, "1.3s")
        for (i = 1; i <= 3; i++) key(27.1 + i * 3, "after3s")
        for (i = 1; i <= 3; i++) key(36.1 + i * 10, "after10s")
        for (i = 0; i < 6; i++) key(70 + i * 0.1, "burst0.1s")
    }
    function key(t, rhythm) {
        if (t >= q0 && t < q1) { print "key plan: " t " s falls in the quiet stretch" > "/dev/stderr"; exit 1 }
        printf "%.2f %c %s\n", t, 97 + int(rand() * 26), rhythm
    }'
}

# sleep_until NS: sleeps until the wall-clock time.
sleep_until() {
    local left=$(($1 - $(now_ns)))
    ((left > 0)) && sleep "$(awk -v ns="$left" 'BEGIN { printf "%.3f", ns / 1e9 }')"
    return 0
}

# labelled KEY LABEL: notes the time and the label, then sends the key to
# the active window.
labelled() {
    echo "$(now_ns) $2" >>"$EVENTS"
    xdotool key "$1"
}

# start_the_round: F2, then Return on the start box; prints Return's time.
start_the_round() {
    local box t
    e2e_key "$W" F2
    box=$(e2e_find_window "$GAME_PID" "^$BOX_CAPTION\$" 10) || die "no start box"
    e2e_activate "$box"
    t=$(now_ns)
    labelled Return "change $program_dir/bgm.mid"
    e2e_window_gone "$box" 5 || die "the start box stayed"
    e2e_activate "$W"
    echo "$t"
}

# shows_the_round: a screenshot shows the play screen.
shows_the_round() {
    local field=$E2E_TMP/field.png
    field_of "$(e2e_shot "$W" round)" "$field" && shows_play "$field"
}

type_the_round() {
    local start=$1 at letter
    while read -r at letter rhythm; do
        sleep_until "$((start + ${at/./} * 10000000))"
        labelled "$letter" "key $rhythm"
    done < <(key_plan "$2")
}

# back_to_title: after the round, whatever box or screen comes, the keys
# that bring the title screen back, the last labelled as the change to the
# title piece.
back_to_title() {
    local change="change $program_dir/tombora.mid" box t field=$E2E_TMP/field.png
    for _ in $(seq 60); do
        if box=$(window_of "$GAME_PID" "^$BOX_CAPTION\$"); then
            log "no hits: the round cannot be rated"
            e2e_activate "$box"
            labelled Return "$change"
            return
        fi
        field_of "$(e2e_shot "$W" result)" "$field" && shows_result "$field" && break
        sleep 0.5
    done
    shows_result "$field" || die "no result screen after the round"
    sleep 1
    e2e_activate "$W"
    t=$(now_ns)
    xdotool key space
    if box=$(e2e_find_window "$GAME_PID" "^$BOX_CAPTION\$" 3); then
        e2e_activate "$box"
        labelled Return "$change"
        e2e_window_gone "$box" 5 || die "the name box stayed"
    else
        echo "$t $change" >>"$EVENTS"
    fi
}

one_run() {
    local run=$1
    export E2E_GAME=$game E2E_ASSETS=$top/assets E2E_ARTIFACTS=${MEASURE_OUT:-/tmp/tombora-measure}
    source "$top/tests/e2e/lib.sh"
    source "$top/tests/e2e/pulse.sh"
    e2e_init "measure_sound_$MEASURE_SERVER$run"
    e2e_start_x
    measure_sound_server
    local wd rd load_before rec tee_pid music_pid silence
    wd=$(e2e_new_dir work)
    rd=$(e2e_new_dir runtime)
    printf '%s,1\r\n' "${MEASURE_MUSIC:-1}" >"$wd/config.dat"
    EVENTS=$E2E_OUT/events.txt
    : >"$EVENTS"
    load_before=$(loadavg)
    local sounds=("$program_dir/tombora.mid" "$program_dir/bgm.mid" "$program_dir/nya.wav" "$program_dir/damedanya.wav")
    mkfifo "$E2E_TMP/parec.pipe" "$E2E_TMP/music.pipe"
    "$sink_music" "$EVENTS" "${sounds[@]}" <"$E2E_TMP/music.pipe" >"$E2E_OUT/sink_music.txt" 2>&1 &
    music_pid=$!
    tee "$E2E_TMP/sink.raw" <"$E2E_TMP/parec.pipe" >"$E2E_TMP/music.pipe" &
    tee_pid=$!
    parec --raw --format=s16le --rate=44100 --channels=2 --latency-msec=5 -d game_sink.monitor >"$E2E_TMP/parec.pipe" &
    rec=$!
    # Silence played into the sink from the start: without a stream the
    # monitor hands over nothing, and the game's first frames would be lost.
    pacat --raw --format=s16le --rate=44100 --channels=2 --latency-msec=200 -d game_sink </dev/zero &
    silence=$!
    E2E_PIDS+=("$music_pid" "$tee_pid" "$rec" "$silence")
    retry 5 test -s "$E2E_TMP/sink.raw" || die "the sink's monitor hands over nothing"

    e2e_start_game "$wd" "$rd"
    W=$(e2e_main_window "$GAME_PID") || die "no main window"
    sleep_until "$(($(now_ns) + TITLE_SECS * 1000000000))"
    local round
    round=$(start_the_round)
    sleep 2
    must "the round began" shows_the_round
    type_the_round "$round" "$run"
    sleep_until "$((round + ROUND_SECS * 1000000000))"
    back_to_title
    sleep "$TAIL_SECS"
    # The recording ends with parec; the tool then judges it.
    kill -TERM "$rec" "$silence"
    wait "$rec" "$silence" 2>/dev/null || true
    wait "$tee_pid" "$music_pid" || true
    sox -t raw -r 44100 -e signed -b 16 -c 2 "$E2E_TMP/sink.raw" "$E2E_OUT/sink.flac" 2>/dev/null || true

    echo "run $run, $MEASURE_SERVER; load at its start $load_before, at its end $(loadavg)"
    echo "  parec --raw --format=s16le --rate=44100 --channels=2 --latency-msec=5 -d game_sink.monitor | $sink_music $EVENTS ${sounds[*]}"
    sed 's/^/  /' "$E2E_OUT/sink_music.txt"
    echo "  recording, events and screenshots: $E2E_OUT"
}

if [ -n "${MEASURE_SOUND_RUN:-}" ]; then
    one_run "$MEASURE_SOUND_RUN"
    e2e_finish >/dev/null 2>&1
fi

echo "measured on $(date -u +%Y-%m-%dT%H:%MZ), $(nproc) cores, game: $game"
echo "command: MEASURE_SERVER=$MEASURE_SERVER MEASURE_MUSIC=${MEASURE_MUSIC:-1} bench/measure_sound.sh $game $runs"
for ((i = 1; i <= runs; i++)); do
    # Each run in a process of its own: fresh servers, and its own exit trap.
    MEASURE_SOUND_RUN=$i bash "$0" "$game" || echo "run $i failed (see the log above)"
done
