# A private PulseAudio server with one null sink, for the tests and the
# measuring script. Source it after lib.sh and call e2e_init first.
#
#   pulse_start      starts the server (again) on its own socket; sets
#                    PULSE_PID and exports PULSE_SERVER
#   pipewire_start   instead, PipeWire (Debian 12's desktop default) with
#                    its PulseAudio server and session manager, on a
#                    D-Bus session of its own, with the same null sink;
#                    sets PULSE_PID to the graph's process and PULSE_PIDS
#                    to every process of the server
#   pulse_kill       kills it (all of PipeWire's processes) at once, as a
#                    crash would
#   pulse_inputs     prints the names of the streams playing into the sink
#   pulse_record SECS FILE   records the sink's monitor into a WAV file

PULSE_DIR=
PULSE_PID=
PULSE_PIDS=()

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
    PULSE_PIDS=("$PULSE_PID")
    E2E_PIDS+=("$PULSE_PID")
    export PULSE_SERVER=unix:$PULSE_DIR/native
    retry 10 pactl info >/dev/null 2>&1 || die "the private sound server did not start"
    log "private sound server, pid $PULSE_PID, on $PULSE_SERVER"
}

pipewire_start() {
    local tool bus
    for tool in pipewire pipewire-pulse wireplumber dbus-daemon pactl; do
        command -v "$tool" >/dev/null || {
            log "SKIP: $tool is not installed (apt-get install pipewire-pulse wireplumber dbus)"
            exit 77
        }
    done
    if [ -z "$PULSE_DIR" ]; then
        PULSE_DIR=$(e2e_new_dir pipewire)
        # The session manager links streams to sinks and needs a session bus.
        bus=$(dbus-daemon --session --fork --nopidfile --print-pid=1 --address="unix:path=$PULSE_DIR/bus")
        E2E_PIDS+=("$bus")
    fi
    export DBUS_SESSION_BUS_ADDRESS=unix:path=$PULSE_DIR/bus
    # What a killed server left behind.
    rm -rf "$PULSE_DIR"/pipewire-0* "$PULSE_DIR/pulse"
    PULSE_PIDS=()
    for tool in pipewire wireplumber pipewire-pulse; do
        (HOME=$PULSE_DIR XDG_RUNTIME_DIR=$PULSE_DIR XDG_CONFIG_HOME=$PULSE_DIR/config exec "$tool") \
            >>"$PULSE_DIR/$tool.log" 2>&1 &
        PULSE_PIDS+=($!)
        E2E_PIDS+=($!)
        [ "$tool" = pipewire ] && sleep 0.5
    done
    PULSE_PID=${PULSE_PIDS[0]}
    export PULSE_SERVER=unix:$PULSE_DIR/pulse/native
    retry 10 pactl info >/dev/null 2>&1 || die "PipeWire's sound server did not start"
    pactl load-module module-null-sink sink_name=game_sink >/dev/null
    # The default sink is kept by the session manager, which answers "Not
    # supported" until it has come up.
    retry 10 pactl set-default-sink game_sink 2>/dev/null || die "PipeWire's session manager did not start"
    log "private PipeWire, pids ${PULSE_PIDS[*]}, on $PULSE_SERVER"
}

pulse_kill() {
    local pid
    for pid in "${PULSE_PIDS[@]}"; do
        kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
}

pulse_inputs() {
    pactl list sink-inputs 2>/dev/null | sed -n 's/.*application.name = "\(.*\)"/\1/p'
}

# pulse_input_of NAME: a stream of that application plays into the sink.
pulse_input_of() { pulse_inputs | grep -qx "$1"; }

# (a short fragment: with its default, PipeWire hands over nothing in seconds)
pulse_record() {
    timeout "$1" parec -d game_sink.monitor --latency-msec=50 --format=s16le --rate=44100 --channels=2 --file-format=wav "$2" \
        2>/dev/null || true
}
