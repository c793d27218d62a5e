# A private PulseAudio server with one null sink, for the tests and the
# measuring script. Source it after lib.sh and call e2e_init first.
#
#   pulse_start      starts the server (again) on its own socket; sets
#                    PULSE_PID and exports PULSE_SERVER
#   pulse_kill       kills it at once, as a crash would
#   pulse_inputs     prints the names of the streams playing into the sink
#   pulse_record SECS FILE   records the sink's monitor into a WAV file

PULSE_DIR=
PULSE_PID=

pulse_start() {
    command -v pulseaudio >/dev/null && command -v pactl >/dev/null || {
        log "SKIP: pulseaudio is not installed"
        exit 77
    }
    if [ -z "$PULSE_DIR" ]; then
        PULSE_DIR=$(e2e_new_dir pulse)
        cat >"$PULSE_DIR/own.pa" <<PA
load-module module-native-protocol-unix socket=$PULSE_DIR/native auth-anonymous=1
load-module module-null-sink sink_name=game_sink
set-default-sink game_sink
PA
    fi
    rm -f "$PULSE_DIR/native"
    # Its own home and runtime folder: no user configuration, no other
    # server found, no autospawn.
    (HOME=$PULSE_DIR XDG_RUNTIME_DIR=$PULSE_DIR XDG_CONFIG_HOME=$PULSE_DIR exec pulseaudio -n \
        --daemonize=no --exit-idle-time=-1 --use-pid-file=no -F "$PULSE_DIR/own.pa" \
        --log-target=file:"$PULSE_DIR/pulse.log") >/dev/null 2>&1 &
    PULSE_PID=$!
    E2E_PIDS+=("$PULSE_PID")
    export PULSE_SERVER=unix:$PULSE_DIR/native
    retry 10 pactl info >/dev/null 2>&1 || die "the private sound server did not start"
    log "private sound server, pid $PULSE_PID, on $PULSE_SERVER"
}

pulse_kill() {
    kill -KILL "$PULSE_PID" 2>/dev/null || true
    wait "$PULSE_PID" 2>/dev/null || true
}

pulse_inputs() {
    pactl list sink-inputs 2>/dev/null | sed -n 's/.*application.name = "\(.*\)"/\1/p'
}

# pulse_input_of NAME: a stream of that application plays into the sink.
pulse_input_of() { pulse_inputs | grep -qx "$1"; }

pulse_record() {
    timeout "$1" parec -d game_sink.monitor --format=s16le --rate=44100 --channels=2 --file-format=wav "$2" \
        2>/dev/null || true
}
