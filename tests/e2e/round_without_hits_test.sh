#!/usr/bin/env bash
# A round in which the player types nothing: at its end the game says it
# cannot rate it, and after OK it is back on the title screen, with no name
# box and no high-score file written; a new round can be started at once.
source "$(dirname "$0")/lib.sh"

e2e_init round_without_hits
e2e_start_x

wd=$(e2e_new_dir work)
rd=$(e2e_new_dir runtime)
table=$E2E_TMP/table.dat
{
    cp932 '"ミケ",3,100,"Pochi",2,50,"シロ",1,10'
    printf '\r\n'
} >"$table"
cp "$table" "$wd/HISCORE.dat"
make_old "$wd/HISCORE.dat"
before=$(mtime "$wd/HISCORE.dat")

e2e_start_game "$wd" "$rd"
W=$(e2e_main_window "$GAME_PID") || die "no main window"
sleep 0.5
top=$(field_top "$(e2e_shot "$W" title_before)") || die "no play field"
e2e_key "$W" F2
box=$(e2e_find_window "$GAME_PID" "^$BOX_CAPTION\$" 10) || die "no start box"
e2e_key "$box" Return
e2e_window_gone "$box" 5
round_start=$SECONDS

# Nothing typed: wait for the box that ends the round.
box=$(e2e_find_window "$GAME_PID" "^$BOX_CAPTION\$" 150) || die "no box at the end of the round"
log "box after $((SECONDS - round_start)) s of wall time"
check "round lasted at least 80 s" test $((SECONDS - round_start)) -ge 80
e2e_shot "$box" no_hits_box >/dev/null
shot=$(e2e_shot "$W" behind_no_hits_box)
field=$E2E_TMP/field.png
field_of "$shot" "$field"
# The box comes before anything of the result screen is drawn: the last
# play frame stays, without the big white score label.
check "no result texts behind the box" not shows_result "$field"
# (The box stands over the middle; the sky above it is seen.)
check "play field behind the box is the last play frame" \
    test "$(differing "$field" "$E2E_ASSETS/haikei.png" 350x40+0+40)" = 0
e2e_key "$box" Return
must "box closes with Return" e2e_window_gone "$box" 5
sleep 0.5
check "no name box follows" no_window "$GAME_PID" "^$BOX_CAPTION\$"

sleep 1
shot=$(e2e_shot "$W" title_after_no_hits)
field_of "$shot" "$field"
check "back on the title screen" shows_title "$field"
check "HISCORE.dat not written" test "$(mtime "$wd/HISCORE.dat")" = "$before"
check "HISCORE.dat unchanged" same_bytes "$wd/HISCORE.dat" "$table"

# "スタート！" is enabled again: F2 starts a new round.
e2e_key "$W" F2
if box=$(e2e_find_window "$GAME_PID" "^$BOX_CAPTION\$" 10); then
    check "F2 starts a new round" true
    e2e_key "$box" Return
    e2e_window_gone "$box" 5 || true
else
    check "F2 starts a new round" false
fi
e2e_finish
