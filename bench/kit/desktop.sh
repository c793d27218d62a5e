# bench/measure desktop [--game GAME] [--session x11|weston|kwin|mutter]
#                       [--sound pulseaudio|pipewire|none] [--pairs N]
#                       [--secs N] [--no-music] [--out DIR] [--tools DIR]
#
# The game side by side with Tux Typing (Debian's tuxtype), in the same
# minutes on the same machine, each run on a fresh program (and a fresh
# compositor): per pair, in turn,
#   A  とんぼら (natively on a Wayland compositor)
#   B  とんぼら through the compositor's Xwayland
#   C  Tux Typing (through Xwayland on a Wayland compositor)
# each on its title (Tux Typing's menu), in a round without keys (Fish
# Cascade) and in a round with about three letters a second typed, for
# --secs (10) seconds each; --pairs (3) pairs. The session is x11 by
# default: the private Xvfb with openbox; weston: a fresh weston per run
# on the bare Xvfb (x11 backend, pixman, with Xwayland); kwin: a fresh KDE
# compositor per run, run as weston is; mutter: a fresh headless GNOME
# compositor per run. The sound server is pulseaudio by default
# (pipewire, or none: both programs silent).
#
# Figures: CPU in % of one core of the program, the compositor (the X
# server on x11; weston with its shell and keyboard), Xwayland and the
# sound server, and the session, their sum; the program's wake-ups a
# second (all its threads' voluntary context switches); its memory,
# resident and anonymous, in MB. A's first title frame in ms after its
# exec (last poll without it..first with it; - on mutter). Every run is
# checked on the screen: the game's title, its round, its counts moving
# under the letters (natively on mutter, its start box coming and going);
# Tux Typing in Fish Cascade. A run the screen does not bear out is made
# again. Read the per-pair ratios over C, not the absolutes.
#
# With a sound server, key to sound follows: a round of A (and of B) with
# its music (--no-music: without), a key every 0.7 s, the sink recorded
# and judged by bench/sink (the median, p90 and max in ms).

desktop_main() {
    DESK=$(opt session x11)
    secs=$(opt secs 10)
    desk_begin "desktop_$DESK"
    sound_server pulseaudio
    tuxtype=$(command -v tuxtype || echo /usr/games/tuxtype)
    [ -x "$tuxtype" ] || die "Tux Typing is not installed (apt-get install tuxtype)"
    local modes=(x11) i m
    [ "$DESK" = x11 ] || modes=(native xwayland)
    local -a A B C
    for ((i = 1; i <= $(opt pairs 3); i++)); do
        log "pair $i: とんぼら (${modes[*]}), then Tux Typing"
        measured "とんぼら ${modes[0]}" game_once "${modes[0]}" "pair$i-${modes[0]}"
        A[i]=$ROW
        if [ "$DESK" != x11 ]; then
            measured "とんぼら through Xwayland" game_once xwayland "pair$i-xwayland"
            B[i]=$ROW
        fi
        measured "Tux Typing in Fish Cascade" tux_once "pair$i-tux"
        C[i]=$ROW
    done
    desktop_table
    if [ "$(opt sound pulseaudio)" != none ]; then
        for m in "${modes[@]}"; do keys_to_sound "$m"; done
    fi
}

# A row: the first frame; on the title, in the round and typing, each:
# program, compositor, Xwayland, sound server, session, wake-ups, VmRSS,
# RssAnon (2 to 9, 10 to 17, 18 to 25); the load (26 to 28).
scene_figures() {
    desk_others
    sample "$secs" "$1" "${OTHERS[@]}"
}

# game_once MODE NAME TRY: one run of the game; sets ROW, or fails when the
# screen does not bear it out.
game_once() {
    local name=$2-try$3 pid title round typed load before after ok=1
    MODE=$1
    desk_open
    desk_game "$MODE" || die "the title frame did not show within 30 s"
    pid=$S_PID
    sleep 3
    load=$(loadavg)
    title=$(scene_figures "$pid")
    desk_field "$name-title" shows_title >/dev/null || ok=0
    desk_round "$MODE" "$pid" || ok=0
    before=$(desk_field "$name-round" shows_play) || ok=0
    round=$(scene_figures "$pid")
    typing_keys
    typed=$(scene_figures "$pid")
    after=$(desk_field "$name-typed" shows_play) || ok=0
    stop_typing
    if [ -n "$before" ] && [ -n "$after" ] && { [ "$(differing "$before" "$after" 80x26+75+8)" = 0 ] ||
        [ "$(differing "$before" "$after" 75x26+275+8)" = 0 ]; }; then
        log "  the counts did not move while letters were typed"
        ok=0
    fi
    end_program "$pid"
    desk_close
    ((ok)) && ROW="$FIRST $title $round $typed $load"
}

# typing_keys: letters typed into the focused program (on mutter through
# its remote desktop service).
typing_keys() {
    if [ "$DESK" = mutter ]; then TYPE_KEYS=desk_key start_typing "$secs"; else start_typing "$secs"; fi
}

# tux_once NAME TRY: one run of Tux Typing; sets ROW, or fails when it is
# not in Fish Cascade. Its menu follows the pointer: on x11 the pointer is
# parked outside its window.
tux_once() {
    local name=$1-try$2 home pid w menu round typed load try
    desk_open
    home=$(e2e_new_dir tuxhome)
    [ "$DESK" = x11 ] && xdotool mousemove 1023 767
    HOME=$home desk_start xwayland "$(e2e_new_dir runtime)" "$(e2e_new_dir work)" "$tuxtype" --window
    pid=$S_PID
    # Found by its process: Debian 13's build names its window in UTF-8
    # only, which xdotool's search by name does not read.
    w=$(in_desk retry 30 visible_window "$pid") || die "no Tux Typing window"
    sleep 3
    load=$(loadavg)
    menu=$(scene_figures "$pid")
    [ "$DESK" = x11 ] && e2e_activate "$w"
    # The menu starts on the entry under the pointer, which each desktop
    # puts elsewhere: Up until Fish Cascade is lit, then Return three times
    # (Fish Cascade, Easy, the first word list).
    for try in 1 2 3 4 5 6; do
        fish_cascade_lit "$(desk_shot "$w" "$name-menu")" && break
        ((try < 6)) || { log "  Fish Cascade never lit in Tux Typing's menu"; end_program "$pid"; desk_close; return 1; }
        desk_key Up
        sleep 0.5
    done
    for _ in 1 2 3; do desk_key Return; sleep 1.5; done
    sleep 0.5
    if in_fish_cascade "$(desk_shot "$w" "$name-round")"; then
        round=$(scene_figures "$pid")
        typing_keys
        typed=$(scene_figures "$pid")
        stop_typing
        in_fish_cascade "$(desk_shot "$w" "$name-typed")" || log "  Tux Typing left Fish Cascade while letters were typed"
        ROW="- $menu $round $typed $load"
    else
        ROW=
    fi
    end_program "$pid"
    desk_close
    [ -n "$ROW" ]
}

# fish_cascade_lit SHOT: Tux Typing's menu has Fish Cascade, its first
# entry, lit: its label yellow.
fish_cascade_lit() {
    (($(convert "$1" -crop 130x26+250+115 +repage txt:- |
        awk -F'[(,)]' 'NR > 1 && $3 > 200 && $4 > 200 && $5 < 100 { n++ } END { print n + 0 }') > 40))
}

desktop_table() {
    local who i n scene figure
    echo
    echo "measured on $(date -u +%Y-%m-%dT%H:%MZ), $(nproc) cores, game: $game; session $DESK$(desk_version)," \
        "sound server $(opt sound pulseaudio)"
    echo "A: とんぼら${B[1]:+ natively; B: とんぼら through Xwayland}; C: Tux Typing. Each scene: CPU % of a core of the"
    echo "program / compositor / Xwayland / sound server, the session (their sum), wake-ups/s, VmRSS / RssAnon MB"
    printf '%-4s %-12s | %-32s | %-32s | %-32s | %s\n' run first_ms "title (C: menu)" "round" "round, typing" load
    for ((i = 1; i <= ${#A[@]}; i++)); do
        for who in A B C; do
            declare -n rows=$who
            [ -n "${rows[i]:-}" ] && awk -v r="$i$who" '{
                printf "%-4s %-12s", r, $1
                for (s = 2; s <= 18; s += 8) printf " | %s/%s/%s/%s %s %s %s/%s", $s, $(s+1), $(s+2), $(s+3), $(s+4), $(s+5), $(s+6), $(s+7)
                printf " | %s %s %s\n", $26, $27, $28 }' <<<"${rows[i]}"
            unset -n rows
        done
    done
    echo "per-pair ratios over C: median (lowest-highest)"
    for figure in "6 session" "2 program" "8 resident" "9 anonymous"; do
        n=${figure%% *}
        for scene in title round typing; do
            printf '  %-10s %-7s A/C %-18s' "${figure#* }" "$scene" "$(spread $(ratios "$n" A C))"
            [ -n "${B[1]:-}" ] && printf ' B/C %s' "$(spread $(ratios "$n" B C))"
            echo
            n=$((n + 8))
        done
    done
    for scene in "7 title" "15 round" "23 typing"; do
        printf '  wake-ups a second, %-7s A %s' "${scene#* }" "$(column_median A "${scene%% *}")"
        [ -n "${B[1]:-}" ] && printf ', B %s' "$(column_median B "${scene%% *}")"
        echo ", C $(column_median C "${scene%% *}")"
    done
    echo "  first title frame, ms after exec, median of the upper bounds: A $(column_median A 1)${B[1]:+, B $(column_median B 1)}"
    echo "screenshots and logs: $E2E_OUT"
}

# column_median WHO N: the median of figure N over WHO's rows ("L..H"
# ranges by their upper bound).
column_median() {
    local -n rows=$1
    local r
    median $(for r in "${rows[@]}"; do cut -d' ' -f"$2" <<<"$r" | sed 's/.*\.\.//'; done)
}

desk_version() {
    case $DESK in
    weston) echo " ($(weston --version 2>&1 | head -1))" ;;
    mutter) echo " ($(mutter --version | head -1))" ;;
    kwin) echo " ($(kwin_wayland --version 2>/dev/null | head -1))" ;;
    esac
}

# keys_to_sound MODE: a round of the game in MODE with its music, a key
# every 0.7 s; the sink's figures.
keys_to_sound() {
    local wd events=$E2E_OUT/keys-$1.txt out=$E2E_OUT/sink-$1.txt k
    MODE=$1
    desk_open
    wd=$(e2e_new_dir work)
    [ -n "${OPT[no-music]:-}" ] && printf '0,1\r\n' >"$wd/config.dat"
    FIRST_FRAME_WORK=$wd desk_game "$MODE" || die "the title frame did not show within 30 s"
    # Recorded from before the round: the judge finds its piece's start,
    # and takes the music out from under the voices.
    : >"$events"
    sink_record "$events" "$out"
    desk_round "$MODE" "$S_PID"
    desk_field "keys-$MODE-round" shows_play >/dev/null || die "no round for key to sound"
    # No voice over the piece's first 1.5 s, by which the judge knows it.
    sleep 2
    for k in a s d f g h j k l q w e r t y u i o p z x c v b; do
        labelled "$k" "key 0.7s"
        sleep 0.7
    done
    sink_stop
    end_program "$S_PID"
    desk_close
    echo "key to sound, $MODE, music $([ -n "${OPT[no-music]:-}" ] && echo off || echo on):" \
        "$(grep '^keys ' "$out" | head -1) (all of it: $out)"
}
