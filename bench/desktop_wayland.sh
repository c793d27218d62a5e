# The yardstick in a Wayland session (MEASURE_SESSION=wayland): sourced
# by measure_desktop.sh once the bare X server and the sound server run,
# with its settings (game, pairs, secs, sound, key_tool, tuxtype) and its
# sound_ticks. Each run has a weston of its own (wayland_session.sh); per
# pair, in turn:
#   A  とんぼら on Wayland (-platform wayland, no DISPLAY)
#   B  とんぼら through weston's Xwayland (-platform xcb, no WAYLAND_DISPLAY)
#   C  Tux Typing through weston's Xwayland
# and before A and before B, bench/stack_floor title started the same way
# for its first frame only. A run whose screenshots do not show the title
# (menu), the round and the letters typed reaching it is refused and made
# again.

source "$here/wayland_session.sh"
wayland_session_check
floor=$(stack_floor_path "$game")
[ -n "$floor" ] || die "no bench/stack_floor: build the tests (bash scripts/test.sh)"

# session_cpu PID: "program weston xwayland sound session wake-ups": CPU
# in % of one core over the window, the session being the four together
# (the private X server under weston only shows its output and is left
# out), and the program's wake-ups a second.
session_cpu() {
    local pid=$1 p0 w0 x0 s0 v0 t0 p1 w1 x1 s1 v1 t1
    p0=$(ticks "/proc/$pid/stat") w0=$(weston_ticks) x0=$(xwayland_ticks) s0=$(sound_ticks) v0=$(switches "$pid") t0=$(now_ns)
    sleep "$secs"
    p1=$(ticks "/proc/$pid/stat") w1=$(weston_ticks) x1=$(xwayland_ticks) s1=$(sound_ticks) v1=$(switches "$pid") t1=$(now_ns)
    awk -v hz="$hz" -v w="$(((t1 - t0) / 1000))" -v p=$((p1 - p0)) -v we=$((w1 - w0)) -v x=$((x1 - x0)) \
        -v s=$((s1 - s0)) -v v=$((v1 - v0)) 'BEGIN { f = 100 / hz / (w / 1e6)
            printf "%.2f %.2f %.2f %.2f %.2f %.0f", p * f, we * f, x * f, s * f, (p + we + x + s) * f, v / (w / 1e6) }'
}

platform_of() { if [ "$1" = native ]; then echo wayland; else echo xcb; fi; }

# output_field NAME: weston's output kept as NAME.png, and the game's
# play field cut out of it; prints the field's path.
output_field() {
    local shot field=$E2E_TMP/$1-field.png
    shot=$(weston_shot "$1")
    wayland_field "$shot" "$field" || { log "  $shot: no play field found"; return 1; }
    echo "$field"
}

# shown NAME CHECK: weston's output as NAME.png, taken again for up to
# 5 s (weston fades a closed box out in its own time) until CHECK passes
# on the play field cut out of it; prints the field's path. The last
# try's complaints are told.
shown() {
    local end=$((SECONDS + 5)) field
    while ((SECONDS < end)); do
        field=$(output_field "$1" 2>/dev/null) && "$2" "$field" 2>/dev/null && { echo "$field"; return 0; }
        sleep 0.5
    done
    field=$(output_field "$1") && "$2" "$field" && echo "$field"
}

# counts_moved BEFORE AFTER: both counts of a round (hits at x 75, misses
# at x 275, rows 8 to 33) changed between two fields.
counts_moved() {
    [ "$(differing "$1" "$2" 80x26+75+8)" != 0 ] && [ "$(differing "$1" "$2" 75x26+275+8)" != 0 ] && return 0
    log "  the counts did not move while letters were typed"
    return 1
}

# blind_round: F2 and Return to the focused game: its start box cannot be
# looked for on Wayland, so the screenshots that follow say whether the
# round began.
blind_round() {
    xdotool key F2
    sleep 1
    xdotool key Return
    sleep 1
}

# game_once MODE NAME: one run of とんぼら in a weston of its own; sets
# ROW, or returns 1 when its screenshots (NAME-*.png) do not show the
# title, the round, or the counts moving under the letters typed.
game_once() {
    local mode=$1 name=$2 rd pid first load title mem_title round mem_round
    local f_round f_typed ok=1
    weston_start
    rd=$(e2e_new_dir runtime)
    session_first_frame "$mode" "$rd" "$game" -platform "$(platform_of "$mode")" ||
        die "the title frame did not show within 30 s"
    pid=$S_PID first="$R_LOW..$R_HIGH"
    sleep 3
    load=$(loadavg)
    title=$(session_cpu "$pid")
    mem_title=$(memory "$pid")
    shown "$name-title" shows_title >/dev/null || ok=0
    blind_round
    f_round=$(shown "$name-round" shows_play) || ok=0
    start_typing "$secs"
    round=$(session_cpu "$pid")
    mem_round=$(memory "$pid")
    f_typed=$(shown "$name-typed" shows_play) && [ -n "$f_round" ] && counts_moved "$f_round" "$f_typed" || ok=0
    stop_typing
    end_program "$pid"
    weston_stop
    ((ok)) || return 1
    ROW="$first $title $mem_title $round $mem_round $load"
}

# tux_fish_cascade SHOT WIN: Tux Typing's window, cut out of weston's
# output, shows Fish Cascade.
tux_fish_cascade() {
    local place crop=$E2E_TMP/tux-crop.png
    place=$(xwayland_place "$2")
    convert "$1" -crop "640x480+${place% *}+${place#* }" +repage "$crop"
    in_fish_cascade "$crop"
}

# tux_once PAIR TRY: one run of Tux Typing in a weston of its own; sets
# ROW, or returns 1 when its screenshot shows another screen than Fish
# Cascade. Under Xwayland its menu starts on the entry under weston's
# pointer (Lessons): Up Up reaches Fish Cascade; then Return three times
# (Fish Cascade, Easy, the first word list).
tux_once() {
    local name=tux-pair$1-try$2 home pid w load menu mem_menu round mem_round
    weston_start
    home=$(e2e_new_dir tuxhome)
    HOME=$home session_exec xwayland "$(e2e_new_dir runtime)" "$(e2e_new_dir work)" "$tuxtype" --window
    pid=$S_PID
    w=$(xwayland_window "$pid" '^Tux Typing$') || die "no Tux Typing window on $XWAYLAND_DISPLAY"
    sleep 3
    load=$(loadavg)
    menu=$(session_cpu "$pid")
    mem_menu=$(memory "$pid")
    weston_shot "$name-menu" >/dev/null
    xdotool key --delay 300 Up Up
    xdotool key --delay 1500 Return Return Return
    sleep 2
    if ! tux_fish_cascade "$(weston_shot "$name-round")" "$w"; then
        end_program "$pid"
        weston_stop
        return 1
    fi
    start_typing "$secs"
    round=$(session_cpu "$pid")
    mem_round=$(memory "$pid")
    tux_fish_cascade "$(weston_shot "$name-typed")" "$w" ||
        log "  Tux Typing left Fish Cascade while letters were typed (see $name-typed.png)"
    stop_typing
    end_program "$pid"
    weston_stop
    ROW="- $menu $mem_menu $round $mem_round $load"
}

# floor_first MODE: the first frame of stack_floor title started as the
# game is in MODE, in a weston of its own; sets FLOOR.
floor_first() {
    weston_start
    session_first_frame "$1" "$(e2e_new_dir runtime)" "$floor" title "$E2E_ASSETS/title.png" \
        -platform "$(platform_of "$1")" || die "the floor's picture did not show within 30 s"
    FLOOR="$R_LOW..$R_HIGH"
    end_program "$S_PID"
    weston_stop
}

# measured WHAT COMMAND...: the command until it succeeds, at most three
# times, telling each refusal.
measured() {
    local what=$1 try
    shift
    for try in 1 2 3; do
        "$@" "$try" && return 0
        log "  refused: $what, try $try (see the screenshots in $E2E_OUT)"
    done
    die "$what: no run accepted in 3 tries"
}

game_run() { game_once "$1" "$2-try$3"; }

# key_latency_in MODE OUT: key to sound in a round with music, in a
# weston of its own, as key_latency does on X11; its figures into OUT.
key_latency_in() {
    local mode=$1 out=$2 wd
    [ -x "$key_tool" ] || { echo "(no $key_tool: build the key_to_sound target)" >"$out"; return; }
    weston_start
    wd=$(e2e_new_dir work)
    if [ "${MEASURE_KEY_MUSIC:-1}" = 0 ]; then printf '0,1\r\n' >"$wd/config.dat"; fi
    MEASURE_WORK=$wd session_first_frame "$mode" "$(e2e_new_dir runtime)" "$game" -platform "$(platform_of "$mode")" ||
        die "the title frame did not show within 30 s"
    blind_round
    shown "keys-$mode-round" shows_play >/dev/null || die "no round for key to sound ($mode)"
    sleep 1
    keys_to_sound "$out"
    end_program "$S_PID"
    weston_stop
}

# floor_then_game native|xwayland WHERE TAG: the floor, then とんぼら,
# started the same way; FLOOR and ROW hold their figures.
floor_then_game() {
    log "pair $i: the floor $2"
    floor_first "$1"
    log "pair $i: とんぼら $2"
    measured "とんぼら $2" game_run "$1" "$3"
    log "  $ROW"
}

log "$pairs pairs of runs in weston, $secs s per window"
declare -a A B C FA FB
for ((i = 1; i <= pairs; i++)); do
    floor_then_game native "on Wayland" "game-wayland-pair$i"
    FA[i]=$FLOOR A[i]=$ROW
    floor_then_game xwayland "through Xwayland" "game-xwayland-pair$i"
    FB[i]=$FLOOR B[i]=$ROW
    log "pair $i: Tux Typing through Xwayland"
    measured "Tux Typing's round was not Fish Cascade" tux_once "$i"
    C[i]=$ROW
    log "  ${C[i]}"
done
latency_a=$E2E_TMP/latency-native.txt
latency_b=$E2E_TMP/latency-xwayland.txt
echo "(not measured without sound)" | tee "$latency_a" >"$latency_b"
if ((sound)); then
    log "key to sound, on Wayland"
    key_latency_in native "$latency_a"
    log "key to sound, through Xwayland"
    key_latency_in xwayland "$latency_b"
fi

source "$here/desktop_wayland_table.sh"
