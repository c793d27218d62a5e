# bench/measure sound [--game GAME] [--sound pulseaudio|pipewire]
#                     [--runs N] [--no-music] [--out DIR] [--tools DIR]
#
# What the player hears of the game's music and voices, judged from what
# reaches the sound server's sink (bench/sink). --runs (1) runs, each
# about three minutes, in a private X server and sound server of its own,
# the game with its music (--no-music: the voices alone) and voices on.
# The sink is recorded from before the game starts. The run stays on the
# title for 62 s, long enough to hear the title piece end and start again;
# then F2 and Return on the start box (the change to the round's piece);
# 34 letters at the rhythms a player types, each labelled with its rhythm
# (hits and misses: both voices are looked for): a burst 0.1 s apart,
# each voice cutting off the one before; 0.3 to 2 s apart; 1.3 s apart,
# each voice over before the next key; one key after 3 s and after 10 s
# of quiet; a burst again. None from 47 to 55 s into the round, where its
# piece (51 s) ends and restarts, so that no voice covers what is
# compared there. After the round, Space and Return on the name box (the
# change to the title piece). Per run: each pass's restart against its
# due end, its drift and holes, each change's time, and each rhythm's
# voices found, median, p90 and max in ms.

TITLE_SECS=62
ROUND_SECS=80
QUIET_FROM=47
QUIET_TO=55

sound_main() {
    local i
    echo "measured on $(date -u +%Y-%m-%dT%H:%MZ), $(nproc) cores"
    for ((i = 1; i <= $(opt runs 1); i++)); do
        # Each run in a process of its own: fresh servers, and its own exit trap.
        (sound_run "$i") || echo "run $i failed (see the log above)"
    done
}

sound_run() {
    local wd rd load_before round
    DESK=x11
    kit_init "sound_run$1"
    sound_server pulseaudio
    [ "$(opt sound pulseaudio)" != none ] || die "--sound none: nothing to hear"
    wd=$(e2e_new_dir work)
    rd=$(e2e_new_dir runtime)
    printf '%s,1\r\n' "$([ -n "${OPT[no-music]:-}" ] && echo 0 || echo 1)" >"$wd/config.dat"
    load_before=$(loadavg)
    sink_record "$E2E_OUT/events.txt" "$E2E_OUT/sink.txt"
    e2e_start_game "$wd" "$rd"
    W=$(e2e_main_window "$GAME_PID") || die "no main window"
    sleep_until "$(($(now_ns) + TITLE_SECS * 1000000000))"
    round=$(start_the_round)
    sleep 2
    must "the round began" shows_the_round
    type_the_round "$round" "$1"
    sleep_until "$((round + ROUND_SECS * 1000000000))"
    back_to_title
    sleep 4
    sink_stop
    echo "run $1, $(opt sound pulseaudio); load at its start $load_before, at its end $(loadavg)"
    sed 's/^/  /' "$E2E_OUT/sink.txt"
    echo "  recording, events and screenshots: $E2E_OUT"
    e2e_finish >/dev/null 2>&1
}

# key_plan SEED: "seconds-after-Return letter rhythm" for each key.
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

# start_the_round: F2, then Return on the start box; prints Return's time.
start_the_round() {
    local box t
    e2e_key "$W" F2
    box=$(e2e_find_window "$GAME_PID" "^$BOX_CAPTION\$" 10) || die "no start box"
    e2e_activate "$box"
    t=$(now_ns)
    labelled Return "change bgm.mid"
    e2e_window_gone "$box" 5 || die "the start box stayed"
    e2e_activate "$W"
    echo "$t"
}

shows_the_round() {
    local field=$E2E_TMP/field.png
    field_of "$(e2e_shot "$W" round)" "$field" && shows_play "$field"
}

type_the_round() {
    local start=$1 at letter rhythm
    while read -r at letter rhythm; do
        sleep_until "$((start + ${at/./} * 10000000))"
        labelled "$letter" "key $rhythm"
    done < <(key_plan "$2")
}

# back_to_title: whatever box or screen comes after the round, the keys
# that bring the title back, the last labelled as the change to its piece
# (Space when no name box comes; Return on the box that says a round
# without hits cannot be rated, when that comes instead).
back_to_title() {
    local change="change tombora.mid" box t field=$E2E_TMP/field.png
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
