#!/usr/bin/env bash
# Where the game's resident memory goes, with a sound device and without.
#
# Usage: bench/measure_memory.sh [GAME] [RUNS]   (RUNS per case, default 3)
#
# Under a private Xvfb (tests/e2e/lib.sh), RUNS fresh starts of the game
# with a private PulseAudio daemon and a null sink (tests/e2e/pulse.sh),
# then RUNS with PULSE_SERVER naming no server (and so, on a machine
# without a card, no device). Each run: VmRSS of the title screen 4 s after
# its first frame, then of a round (F2, OK, about 3 letters a second typed
# with xdotool) 8 s in. The last run of each case leaves its
# /proc/PID/smaps for both screens in MEASURE_OUT (default
# /tmp/tombora-memory) and the script prints the largest parts of the
# round's resident memory, summed per mapped file (anonymous memory and
# the heap by name), with the private dirty share beside each. Last, the
# floor under all of it: bench/stack_floor (built beside the game) shows
# Qt's window with menus alone, then with FluidSynth's library opened,
# then with a synthesiser made, in the same X server.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
source "$here/measure_lib.sh"
game=$(measure_game_path "${1:-}")
runs=${2:-3}
out=${MEASURE_OUT:-/tmp/tombora-memory}
mkdir -p "$out"

export E2E_GAME=$game E2E_ASSETS=$top/assets E2E_ARTIFACTS=$out/artifacts
source "$top/tests/e2e/lib.sh"
source "$top/tests/e2e/pulse.sh"
e2e_init measure_memory
e2e_start_x
measure_prepare
pulse_start
server=$PULSE_SERVER

letters() { printf 'abcdefghijklmnopqrstuvwxyz%.0s' 1 2; }

# one_run CASE: prints "title_kB round_kB".
one_run() {
    local rd pid w box typer title round
    rd=$(e2e_new_dir runtime)
    measure_start "$rd" keep || die "the title frame did not show within 30 s"
    pid=$R_PID w=$R_WIN
    sleep 4
    cp "/proc/$pid/smaps" "$out/$1.title.smaps"
    title=$(status_kb "$pid" VmRSS)
    start_round "$w" "$pid"
    sleep 1
    xdotool type --delay 300 "$(letters)" &
    typer=$!
    sleep 8
    cp "/proc/$pid/smaps" "$out/$1.round.smaps"
    round=$(status_kb "$pid" VmRSS)
    kill "$typer" 2>/dev/null || true
    wait "$typer" 2>/dev/null || true
    kill -TERM "$pid"
    e2e_wait_exit "$pid" 10 || kill -KILL "$pid"
    echo "$title $round"
}

# parts SMAPS: the largest parts, "Rss kB  Private_Dirty kB  name".
parts() {
    awk '/^[0-9a-f]+-[0-9a-f]+ / { name = (NF >= 6) ? $6 : "[anonymous]"; sub(/.*\//, "", name); next }
         $1 == "Rss:" { rss[name] += $2 } $1 == "Private_Dirty:" { dirty[name] += $2 }
         END { for (n in rss) printf "%8d %8d  %s\n", rss[n], dirty[n], n }' "$1" | sort -rn | awk 'NR <= 25'
}

echo "measured on $(date -u +%Y-%m-%dT%H:%MZ), game: $E2E_GAME; VmRSS in MB"
for case in sound silent; do
    if [ "$case" = sound ]; then export PULSE_SERVER=$server; else export PULSE_SERVER=unix:$out/no-server; fi
    for ((i = 1; i <= runs; i++)); do
        read -r t r <<<"$(one_run "$case")"
        awk -v c="$case" -v i="$i" -v t="$t" -v r="$r" -v l="$(cut -d' ' -f1-3 /proc/loadavg)" \
            'BEGIN { printf "%-6s run %d: title %.1f  round %.1f   (load %s)\n", c, i, t / 1024, r / 1024, l }'
    done
    echo "$case, a round, resident kB / private dirty kB per mapping:"
    parts "$out/$case.round.smaps"
done

floor=$(stack_floor_path "$E2E_GAME")
if [ -n "$floor" ]; then
    echo "the stack alone, VmRSS in MB (bench/stack_floor):"
    export PULSE_SERVER=$server
    for part in qt library synth; do
        XDG_RUNTIME_DIR=$(e2e_new_dir runtime) "$floor" "$part" || true
    done
fi
