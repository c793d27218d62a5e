#!/usr/bin/env bash
# What would make the kit's figures wrong: a ratio computed the wrong way
# round or its spread misread; another build measured than the one meant;
# title_probe timing something that is not the first title frame. The
# probe, on weston's output: it finds the game's title wherever weston put
# the window, its times in order, and says nothing while the title is not
# on the screen; weston's pointer does not hide it.
top=$(cd "$(dirname "$0")/../.." && pwd)
kit=$top/bench/kit
question=desktop
source "$kit/lib.sh"
source "$top/tests/e2e/lib.sh"
source "$top/tests/e2e/sessions.sh"
source "$kit/desktops.sh"
OPT[tools]=$KIT_TOOLS
game=$E2E_GAME

e2e_init bench_kit
# shellcheck disable=SC2034 # read through ratios' namerefs
A=([1]="- 1.0 9" [2]="- 3.0 9" [3]="- 2.0 9") C=([1]="- 2.0 3" [2]="- 2.0 3" [3]="- 4.0 3")
check "a ratio is A over C, pair by pair" test "$(ratios 2 A C)" = "0.50 1.50 0.50"
check "its spread is the median, then the lowest and highest" test "$(spread $(ratios 2 A C))" = "0.50 (0.50..1.50)"
check "and the other figure's too" test "$(spread $(ratios 3 A C))" = "3.00 (3.00..3.00)"

# The game measured is the one named, or a default build said to be old.
check "a game named but not there is an error, not another build" not bash -c "top=$top; source $kit/lib.sh; game_path $E2E_TMP/none"
stale=$E2E_TMP/stale
mkdir -p "$stale/src" "$stale/assets" "$stale/build-game/game"
touch -d 2020-01-01 "$stale/build-game/game/tombora"
chmod +x "$stale/build-game/game/tombora"
check "a default build older than its sources is warned of" \
    grep -q "older than the sources" <(bash -c "top=$stale; source $kit/lib.sh; game_path ''" 2>&1)

e2e_require_wayland weston Xwayland
e2e_start_x bare
export PULSE_SERVER=unix:$E2E_TMP/no-sound-server
DESK=weston
weston_start
native_title() { SESSION_EXEC="desk_start native" first_frame --output "$(e2e_new_dir runtime)" "$game" -platform wayland; }
if passes "the probe sees the native game's title on weston's output" native_title; then
    log "  first frame: map $R_MAP, $R_LOW..$R_HIGH ms"
    check "its times are in order" awk -v m="$R_MAP" -v l="$R_LOW" -v h="$R_HIGH" 'BEGIN { exit !(0 < m && m <= h && l < h) }'
    check "weston's output shows the title then" wayland_field "$(output_shot native-title)" "$E2E_TMP/field.png"
    check "it is the title picture" shows_title "$E2E_TMP/field.png"
fi
xdotool key F2
sleep 1
xdotool key Return
round_shown() { wayland_field "$(output_shot native-round)" "$E2E_TMP/field.png" && shows_play "$E2E_TMP/field.png"; }
must "F2 and Return start a round" retry 5 round_shown
check "the probe says nothing while the round is on the screen" \
    not timeout 8 "$(tool title_probe)" --output "$SESSION_WINDOW" "$(now_ns)" "$E2E_ASSETS/title.png"
end_program "$S_PID"
weston_stop

# weston puts its first window where its pointer starts: the probe must
# not be kept from a title there (Qt alone's, through Xwayland).
weston_start
floor_title() {
    SESSION_EXEC="desk_start xwayland" first_frame --output "$(e2e_new_dir runtime)" \
        "$(tool stack_floor)" title "$E2E_ASSETS/title.png" -platform xcb
}
passes "the probe sees a title in the first window weston places" floor_title
end_program "$S_PID"
weston_stop
e2e_finish
