#!/usr/bin/env bash
# Wake-ups and CPU of each of the game's threads: on the title, in a round
# without keys, and in a round with three letters a second typed.
#
# Usage: bench/measure_wakeups.sh [GAME] [none|pulseaudio|pipewire]
# Wake-ups are the voluntary context switches of each thread (from
# /proc/PID/task/TID/status) over MEASURE_SECS (10) seconds, a second; CPU
# is its utime + stime over the same window, in % of one core.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
source "$here/measure_lib.sh"
game=$(measure_game_path "${1:-}")
MEASURE_SERVER=${2:-none}
secs=${MEASURE_SECS:-10}
export E2E_GAME=$game E2E_ASSETS=$top/assets E2E_ARTIFACTS=${MEASURE_OUT:-/tmp/tombora-measure}
source "$top/tests/e2e/lib.sh"
source "$top/tests/e2e/pulse.sh"
e2e_init measure_wakeups
e2e_start_x
measure_sound_server

switches_of() { awk '$1 == "voluntary_ctxt_switches:" { print $2 }' "$1/status"; }

# per_thread PID: one line a thread, and the sum.
per_thread() {
    local t id
    declare -A v0 c0
    for t in /proc/"$1"/task/*; do
        id=${t##*/}
        v0[$id]=$(switches_of "$t")
        c0[$id]=$(ticks "$t/stat")
    done
    sleep "$secs"
    for t in /proc/"$1"/task/*; do
        id=${t##*/}
        printf '%s %s %s\n' "$(tr ' ' _ <"$t/comm")" $(($(switches_of "$t") - ${v0[$id]:-0})) \
            $(($(ticks "$t/stat") - ${c0[$id]:-0}))
    done | awk -v s="$secs" -v hz="$hz" '
        { printf "  %-16s %6.1f wake-ups/s  %5.2f %% CPU\n", $1, $2 / s, $3 * 100 / hz / s; w += $2; c += $3 }
        END { printf "  %-16s %6.1f wake-ups/s  %5.2f %% CPU\n", "all", w / s, c * 100 / hz / s }'
}

e2e_open_game
pid=$GAME_PID
w=$W
sleep 3
echo "title ($MEASURE_SERVER):"
per_thread "$pid"
start_round "$w" "$pid"
sleep 1
echo "round, no keys:"
per_thread "$pid"
start_typing "$secs"
echo "round, three letters a second:"
per_thread "$pid"
stop_typing
kill -TERM "$pid"
e2e_wait_exit "$pid" 10 || true
e2e_finish >/dev/null 2>&1
