#!/usr/bin/env bash
# One whole round as a player plays it: F2, OK on the start box, letters
# typed for the whole 80 counted seconds, the result screen, Space, a name
# in the name box, and the title screen again; then the high-score file in
# the working folder holds the new row in Shift_JIS.
source "$(dirname "$0")/lib.sh"

e2e_init round
e2e_start_x
# The kana of the name typed at the end are put on the keyboard map now.
e2e_bind_keys たま

wd=$(e2e_new_dir work)
rd=$(e2e_new_dir runtime)
program_dir=$(dirname "$E2E_GAME")
program_files_before=$(ls -A "$program_dir")

# A known table with low scores: the round's score takes the top row and
# pushes the other two down; the lowest row is dropped.
table_before=$E2E_TMP/table_before.dat
{
    cp932 '"ミケ",3,100,"Pochi",2,50,"シロ",1,10'
    printf '\r\n'
} >"$table_before"
cp "$table_before" "$wd/HISCORE.dat"

e2e_start_game "$wd" "$rd"
W=$(e2e_main_window "$GAME_PID") || die "no main window"
sleep 1
shot=$(e2e_shot "$W" title_before)
top=$(field_top "$shot") || die "no play field in $shot"
field=$E2E_TMP/field.png
field_of "$shot" "$field"
must "title screen first" shows_title "$field"

# F2: the start box comes before anything else changes.
e2e_key "$W" F2
box=$(e2e_find_window "$GAME_PID" "^$BOX_CAPTION\$" 10) || die "no start box after F2"
e2e_shot "$box" start_box >/dev/null
a=$(e2e_shot "$W" behind_start_box_1)
sleep 0.5
b=$(e2e_shot "$W" behind_start_box_2)
check "field stands still while the start box is open" test "$(differing "$a" "$b" 350x350+2+$top)" = 0
field_of "$b" "$field"
check "still the title screen behind the start box" title_around_box "$field" "$W" "$box" "$top"

e2e_key "$box" Return
must "start box closes with Return" e2e_window_gone "$box" 5
round_start=$SECONDS

# The alphabet in lower case at a steady pace, until the result screen
# shows. A round is 80 counted seconds, a little more of wall time.
alphabet=abcdefghijklmnopqrstuvwxyz
typed=0
result_seen=false
play_shot_taken=false
while ((SECONDS - round_start < 150)); do
    e2e_type "$W" 80 "$alphabet"
    typed=$((typed + ${#alphabet}))
    now=$E2E_TMP/now.png
    import -window "$W" "$now"
    field_of "$now" "$field"
    if shows_result "$field"; then
        result_seen=true
        break
    fi
    if ! $play_shot_taken && ((SECONDS - round_start >= 20)); then
        cp "$now" "$E2E_OUT/play.png"
        check "play screen during the round" shows_play "$field"
        play_shot_taken=true
    fi
    if nohit=$(e2e_find_window "$GAME_PID" "^$BOX_CAPTION\$" 0); then
        e2e_shot "$nohit" unexpected_box >/dev/null
        die "a box came up during the round (no hits?)"
    fi
done
log "round over after $((SECONDS - round_start)) s of wall time; $typed letters typed"
must "result screen after the round" $result_seen
check "round lasted at least 80 s" test $((SECONDS - round_start)) -ge 80
sleep 0.5
shot=$(e2e_shot "$W" result)
field_of "$shot" "$field"
check "result screen shows the white score label" shows_result "$field"
check "high-score file untouched before Space" same_bytes "$wd/HISCORE.dat" "$table_before"

# Space: the score beats the top row, so the name box asks for a name.
e2e_key "$W" space
box=$(e2e_find_window "$GAME_PID" "^$BOX_CAPTION\$" 10) || die "no name box after Space"
e2e_shot "$box" name_box >/dev/null
# A comma in the name, plain letters and kana (on spare keys, bound above).
name_ascii='Tama,'
name_kana='たま'
e2e_type "$box" 60 "$name_ascii"
e2e_type "$box" 60 "$name_kana"
sleep 0.5
e2e_shot "$box" name_typed >/dev/null
e2e_key "$box" Return
if ! e2e_window_gone "$box" 3; then
    log "  name box still open after Return; pressing Return again"
    e2e_shot "$box" name_box_still_open >/dev/null
    e2e_key "$box" Return
fi
must "name box closes" e2e_window_gone "$box" 5

# The ranking drifts across the band: a few shots catch the new row.
for i in 1 2 3 4; do
    sleep 1.5
    shot=$(e2e_shot "$W" "title_after_round_$i")
done
field_of "$shot" "$field"
check "title screen after the name" shows_title "$field"

# The file: one line of nine fields in Shift_JIS, ended by CR LF.
hs=$wd/HISCORE.dat
must "HISCORE.dat in the working folder" test -f "$hs"
cp "$hs" "$E2E_OUT/HISCORE.dat"
check "file ends with CR LF" test "$(tail -c 2 "$hs" | od -An -tx1 | tr -d ' ')" = 0d0a
check "file is one line" test "$(tr -cd '\n' <"$hs" | wc -c)" = 1 -a "$(tr -cd '\r' <"$hs" | wc -c)" = 1
line=$(iconv -f CP932 -t UTF-8 "$hs" | tr -d '\r\n') || line=
log "  HISCORE.dat: $line"
re='^"Tama,たま",([0-9]+),([0-9]+),"ミケ",3,100,"Pochi",2,50$'
if [[ $line =~ $re ]]; then
    check "new row on top, the old rows moved down, the lowest dropped" true
    score=${BASH_REMATCH[1]}
    accuracy=${BASH_REMATCH[2]}
    check "accuracy $accuracy within 1..100" test "$accuracy" -ge 1 -a "$accuracy" -le 100
    # The score is hits times accuracy, and there are no more hits than
    # letters typed.
    check "score $score is a multiple of the accuracy $accuracy" test $((score % accuracy)) = 0
    check "hits ($((score / accuracy))) no more than letters typed ($typed)" \
        test $((score / accuracy)) -le "$typed"
    check "score earns the top row (> 3)" test "$score" -gt 3
else
    check "table line is '\"Tama,たま\",score,accuracy,\"ミケ\",3,100,\"Pochi\",2,50'" false
fi

# Leave through the menu; the program folder gets no data files.
e2e_menu "$W" "$GAME_PID" "$MENU_X_MAIN" Up Return || check "main menu opens" false
e2e_wait_exit "$GAME_PID" 10 || true
rc=$EXIT_CODE
check "game ends through 終わり (exit code $rc)" test "$rc" = 0
check "nothing written in the program folder" test "$(ls -A "$program_dir")" = "$program_files_before"
e2e_finish
