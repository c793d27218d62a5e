#!/usr/bin/env bash
# The game on a private PulseAudio server (a null sink), or with the
# argument "pipewire" on PipeWire's PulseAudio server.
#
# With music off, the title is silent and costs nothing: the game's stream
# is corked and its sound thread does not wake; a key in a round wakes it
# and its effect reaches the sink.
#
# The server comes and goes while the game plays: the title music reaches
# the sink; the server is killed and the game goes on silently, with no
# box, and still answers keys (F2 brings the start box, a round starts and
# is drawn); the server is started again and the game's music reaches the
# sink once more.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/pulse.sh"

server=${1:-pulseaudio}
e2e_init "sound_server${1:+_$1}"
command -v sox >/dev/null || { log "SKIP: sox is not installed"; exit 77; }
e2e_start_x
# start_server: the server of this run, started (again).
start_server() { if [ "$server" = pipewire ]; then pipewire_start; else pulse_start; fi; }
start_server

# sink_sounds NAME: two seconds of the sink's monitor are not silent.
sink_sounds() {
    local f=$E2E_TMP/$1.wav peak
    pulse_record 2 "$f"
    cp "$f" "$E2E_OUT/" 2>/dev/null || true
    peak=$(sox "$f" -n stat 2>&1 | awk '/Maximum amplitude/ { print $3 }')
    log "  $1: peak $peak"
    awk -v p="${peak:-0}" 'BEGIN { exit !(p > 0.01) }'
}

# only_main_window: the game shows no window but its main one (no error
# box, no message).
only_main_window() {
    local w count=0
    for w in $(xdotool search --onlyvisible --name '.' 2>/dev/null || true); do
        [ "$(window_pid "$w")" = "$GAME_PID" ] && count=$((count + 1))
    done
    [ "$count" = 1 ]
}

# corked: the game's stream is corked.
corked() { pactl list sink-inputs | grep -B30 'application.name = "とんぼら"' | grep -q 'Corked: yes'; }

# wakes_of PID: how often the game's sound thread has been switched to.
wakes_of() {
    local t
    for t in /proc/"$1"/task/*; do
        if [ "$(cat "$t/comm")" = sound ]; then
            awk '/^voluntary_ctxt_switches|^nonvoluntary_ctxt_switches/ { n += $2 } END { print n }' "$t/status"
            return
        fi
    done
    echo none
}

# start_round WIN: F2 and OK on the start box.
start_round() {
    local box
    e2e_key "$1" F2
    box=$(e2e_find_window "$GAME_PID" "^$BOX_CAPTION\$" 10) || die "no start box after F2"
    e2e_key "$box" Return
    must "start box closes" e2e_window_gone "$box" 5
    e2e_activate "$1"
}

wd=$(e2e_new_dir work)
rd=$(e2e_new_dir runtime)
printf '0,1\r\n' >"$wd/config.dat"  # music off, effects on
e2e_start_game "$wd" "$rd"
W=$(e2e_main_window "$GAME_PID") || die "no main window"
must "the silent game still has its stream" retry 10 pulse_input_of とんぼら
check "the silent title corks the stream" retry 5 corked
before=$(wakes_of "$GAME_PID")
sleep 2
check "the sound thread sleeps in silence ($before, then $(wakes_of "$GAME_PID") switches)" \
    test "$(wakes_of "$GAME_PID")" = "$before"
start_round "$W"
xdotool type --delay 250 abcdefghijklmnopqrstuvwxyz &
typer=$!
E2E_PIDS+=("$typer")
check "a key's effect reaches the sink" sink_sounds effects_without_music
kill "$typer" 2>/dev/null || true
kill -TERM "$GAME_PID"
e2e_wait_exit "$GAME_PID" 10 || die "the game did not end"

e2e_open_game
must "the game plays into the sound server" retry 10 pulse_input_of とんぼら
check "the title music reaches the sink" sink_sounds title_music

pulse_kill
log "sound server killed"
sleep 2
must "the game goes on without the server" alive "$GAME_PID"
check "no box or other window" only_main_window

start_round "$W"
sleep 1
field=$E2E_TMP/field.png
field_of "$(e2e_shot "$W" round_without_server)" "$field"
check "a round is drawn without a server" shows_play "$field"

start_server
log "sound server started again"
check "the game plays into the new server" retry 15 pulse_input_of とんぼら
check "the round's music reaches the sink again" sink_sounds round_music
check "still no box or other window" only_main_window
check "the game still runs" alive "$GAME_PID"
e2e_finish
