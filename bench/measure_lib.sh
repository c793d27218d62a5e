# Shared by the measuring scripts: process times, memory, and the time
# from exec to the first title frame (see measure_game.sh for the method).
# Only definitions: source it first.

hz=$(getconf CLK_TCK)
now_ns() { date +%s%N; }

# ticks PID: utime + stime of a process or thread, in clock ticks.
ticks() { sed 's/^.*) //' "$1" | awk '{ print $12 + $13 }'; }

status_kb() { awk -v k="$2:" '$1 == k { print $2 }' "/proc/$1/status"; }

median() { printf '%s\n' "$@" | sort -n | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }

# measure_prepare: the committed title picture's top, to compare with.
measure_prepare() {
    title_top=$E2E_TMP/title_top.png
    convert "$E2E_ASSETS/title.png" -crop 350x200+0+0 +repage "$title_top"
}

# measure_start RUNTIME_DIR [keep]: one start of the game; sets R_MAP, R_LOW
# and R_HIGH in ms after the exec. With "keep" the game goes on running and
# R_PID and R_WIN name it; otherwise it is ended.
field_y=
measure_start() {
    local rd=$1 keep=${2:-}
    local wd t0 t w= tmap= prev= shot=$E2E_TMP/poll.png
    wd=${MEASURE_WORK:-$(e2e_new_dir work)}
    t0=$(now_ns)
    (cd "$wd" && XDG_RUNTIME_DIR=$rd exec "$E2E_GAME") >>"$E2E_TMP/game.log" 2>&1 &
    local pid=$!
    E2E_PIDS+=("$pid")
    local deadline=$((SECONDS + 30))
    while ((SECONDS < deadline)); do
        t=$(now_ns)
        if [ -z "$w" ]; then
            for cand in $(xdotool search --onlyvisible --name "^$MAIN_CAPTION\$" 2>/dev/null || true); do
                [ "$(window_pid "$cand")" = "$pid" ] && { w=$cand; tmap=$t; }
            done
        fi
        if [ -n "$w" ]; then
            if [ -z "$field_y" ]; then
                import -window "$w" "$shot" 2>/dev/null || true
                field_y=$(field_top "$shot" 2>/dev/null || true)
            fi
            if [ -n "$field_y" ] &&
                import -window "$w" -crop "350x200+$BORDER+$field_y" +repage "$shot" 2>/dev/null &&
                [ "$(compare -metric AE "$shot" "$title_top" null: 2>&1 || true)" = 0 ]; then
                R_MAP=$(((tmap - t0) / 1000000))
                R_LOW=$(((prev - t0) / 1000000))
                R_HIGH=$(((t - t0) / 1000000))
                R_PID=$pid
                R_WIN=$w
                [ "$keep" = keep ] && return 0
                kill -TERM "$pid"
                e2e_wait_exit "$pid" 10 || kill -KILL "$pid"
                return 0
            fi
        fi
        prev=$t
    done
    kill -KILL "$pid" 2>/dev/null || true
    return 1
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
