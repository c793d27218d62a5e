#!/usr/bin/env bash
# Instructions a frame of the real game in a real window, all threads
# together, counted by callgrind: repeatable where CPU time is not, and
# unlike build/bench/frame_instructions it takes in Qt, xcb and the sound.
#
# Usage: bench/window_instructions.sh [GAME] [title|round] [SECONDS]
# The game runs under valgrind in a private Xvfb without sound; counting
# starts 3 s into the title or the round (no keys typed) and lasts SECONDS
# (15). Prints the instructions, the frames drawn and their quotient.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
source "$here/measure_lib.sh"
game=$(measure_game_path "${1:-}")
scene=${2:-round}
secs=${3:-15}
export E2E_GAME=$game E2E_ASSETS=$top/assets E2E_ARTIFACTS=${MEASURE_OUT:-/tmp/tombora-measure}
source "$top/tests/e2e/lib.sh"
e2e_init window_instructions
e2e_start_x
export PULSE_SERVER=unix:$E2E_TMP/no-sound-server

rd=$(e2e_new_dir runtime)
wd=$(e2e_new_dir work)
out=$E2E_OUT/callgrind.out
(cd "$wd" && XDG_RUNTIME_DIR=$rd exec valgrind --tool=callgrind --instr-atstart=no \
    --callgrind-out-file="$out.%p" "$game") >>"$E2E_TMP/game.log" 2>&1 &
pid=$!
E2E_PIDS+=("$pid")
w=$(e2e_find_window "$pid" "^$MAIN_CAPTION\$" 120) || die "no window under valgrind"
sleep 8
if [ "$scene" = round ]; then
    e2e_key "$w" F2
    box=$(e2e_find_window "$pid" "^$BOX_CAPTION\$" 30) || die "no start box"
    e2e_key "$box" Return
    e2e_window_gone "$box" 10
    e2e_activate "$w"
fi
sleep 3
callgrind_control -i on "$pid" >/dev/null
sleep "$secs"
callgrind_control -i off "$pid" >/dev/null
kill -TERM "$pid"
e2e_wait_exit "$pid" 60 || die "the game did not leave"
file=$out.$pid
total=$(callgrind_annotate "$file" | awk '/PROGRAM TOTALS/ { gsub(",", "", $1); print $1 }')
# Frames: the calls of run_frame(), whose name callgrind writes once and
# then refers to by number.
frames=$(awk '
    match($0, /^c?fn=\([0-9]+\) run_frame\(\)/) { if (!id) { split($0, a, /[()]/); id = a[2] } }
    id && $0 ~ "^cfn=\\(" id "\\)" { getline; split($1, c, "="); n += c[2] }
    END { print n + 0 }' "$file")
echo "$scene: $total instructions in $frames frames: $((total / (frames > 0 ? frames : 1))) a frame"
e2e_finish >/dev/null 2>&1
