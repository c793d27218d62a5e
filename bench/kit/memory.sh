# bench/measure memory [--game GAME] [--runs N] [--out DIR] [--tools DIR]
#
# Where the game's resident memory goes, with a sound server and without.
# In a private Xvfb, --runs (3) fresh starts of the game with a private
# PulseAudio and a null sink, then as many with no sound server (and, on
# a machine without a card, no device). Each run: VmRSS, its peak VmHWM
# and the threads on the title 4 s after its first frame, then the same
# in a round (about three letters a second typed) 8 s in. The last run
# of each case keeps its /proc/PID/smaps for both screens, and the round's
# largest parts are printed, summed per mapped file (anonymous memory and
# the heap by name), resident beside private dirty, in kB. Last, the
# floor under all of it: bench/stack_floor shows Qt's window with menus
# alone, then with FluidSynth's library opened, then with a synthesiser
# made, in the same X server.

memory_main() {
    local case i server floor part
    DESK=x11
    kit_init memory
    floor=$(tool stack_floor)
    sound_server pulseaudio
    server=$PULSE_SERVER
    echo "measured on $(date -u +%Y-%m-%dT%H:%MZ), game: $game; MB"
    for case in sound silent; do
        if [ "$case" = sound ]; then export PULSE_SERVER=$server; else export PULSE_SERVER=unix:$E2E_TMP/no-server; fi
        for ((i = 1; i <= $(opt runs 3); i++)); do
            echo "$case run $i: $(memory_run "$case")   (load $(loadavg))"
        done
        echo "$case, a round, resident kB / private dirty kB per mapping:"
        parts "$E2E_OUT/$case.round.smaps"
    done
    echo "the stack alone, VmRSS in MB (bench/stack_floor qt, library, synth):"
    export PULSE_SERVER=$server
    for part in qt library synth; do XDG_RUNTIME_DIR=$(e2e_new_dir runtime) "$floor" "$part" || true; done
}

# memory_run CASE: one start; its figures on the title and in the round.
memory_run() {
    local pid w title
    first_frame "$MAIN_CAPTION" "$(e2e_new_dir runtime)" "$game" || die "the title frame did not show within 30 s"
    pid=$S_PID
    w=$(e2e_main_window "$pid")
    sleep 4
    cp "/proc/$pid/smaps" "$E2E_OUT/$1.title.smaps"
    title=$(figures "$pid")
    start_round "$w" "$pid"
    sleep 1
    start_typing 8
    sleep 8
    cp "/proc/$pid/smaps" "$E2E_OUT/$1.round.smaps"
    echo "title $title | round $(figures "$pid")"
    stop_typing
    end_program "$pid"
}

figures() { echo "VmRSS $(mb "$1" VmRSS) VmHWM $(mb "$1" VmHWM) RssAnon $(mb "$1" RssAnon) threads $(status_kb "$1" Threads)"; }

# parts SMAPS: the largest parts, "Rss kB  Private_Dirty kB  name".
parts() {
    awk '/^[0-9a-f]+-[0-9a-f]+ / { name = (NF >= 6) ? $6 : "[anonymous]"; sub(/.*\//, "", name); next }
         $1 == "Rss:" { rss[name] += $2 } $1 == "Private_Dirty:" { dirty[name] += $2 }
         END { for (n in rss) printf "%8d %8d  %s\n", rss[n], dirty[n], n }' "$1" | sort -rn | awk 'NR <= 25'
}
