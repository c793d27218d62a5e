#!/usr/bin/env bash
# Clearing the high scores with Ctrl+C: "いいえ" rewrites the table
# unchanged, "はい" writes the cleared table; a table on three lines is read
# whole and written back on one; clearing during a round leaves the round
# running, and "ストップ" then goes back to the title without writing.
source "$(dirname "$0")/lib.sh"

e2e_init clear_high_scores
e2e_start_x

cleared=$E2E_TMP/cleared.dat
printf '"名無しの権兵衛",0,0,"名無しの権兵衛",0,0,"名無しの権兵衛",0,0\r\n' |
    iconv -f UTF-8 -t CP932 >"$cleared"

# A table with a comma inside a quoted name and kana in the names.
known=$E2E_TMP/known.dat
{
    cp932 '"たま,ミケ",500,90,"Pochi",300,75,"名無しの権兵衛さん",100,50'
    printf '\r\n'
} >"$known"

# ask_clear WIN ANSWER_KEY SHOTNAME: Ctrl+C, a look at the question, an answer.
ask_clear() {
    local w=$1 answer=$2 shotname=$3 box
    e2e_key "$w" ctrl+c
    box=$(e2e_find_window "$GAME_PID" "^$CLEAR_CAPTION\$" 10) || return 1
    e2e_shot "$box" "$shotname" >/dev/null
    e2e_key "$box" "$answer"
    e2e_window_gone "$box" 5
}

# --- 1: いいえ, then はい, on the title screen.
wd=$(e2e_new_dir work)
rd=$(e2e_new_dir runtime)
cp "$known" "$wd/HISCORE.dat"
make_old "$wd/HISCORE.dat"
before=$(mtime "$wd/HISCORE.dat")
e2e_start_game "$wd" "$rd"
W=$(e2e_main_window "$GAME_PID") || die "no main window"
sleep 0.5

# Escape is the answer No of a Yes/No box.
must "clear question shown and answered いいえ (Escape)" ask_clear "$W" Escape clear_question
sleep 0.3
check "いいえ rewrites HISCORE.dat (mtime changed)" test "$(mtime "$wd/HISCORE.dat")" != "$before"
check "いいえ leaves the table as it was, byte for byte" same_bytes "$wd/HISCORE.dat" "$known"

# Return takes the default button, はい.
make_old "$wd/HISCORE.dat"
must "clear question answered はい (Return)" ask_clear "$W" Return clear_question_2
sleep 0.3
check "はい writes the cleared table, 64 bytes ($(wc -c <"$wd/HISCORE.dat"))" test "$(wc -c <"$wd/HISCORE.dat")" = 64
check "はい writes exactly the cleared table" same_bytes "$wd/HISCORE.dat" "$cleared"
shot=$(e2e_shot "$W" title_after_clear)
field=$E2E_TMP/field.png
field_of "$shot" "$field"
check "still the title screen after clearing" shows_title "$field"

e2e_menu "$W" "$GAME_PID" "$MENU_X_MAIN" Up Return || check "main menu opens" false
e2e_wait_exit "$GAME_PID" 10 || true
rc=$EXIT_CODE
check "game ends through 終わり (exit code $rc)" test "$rc" = 0

# --- 2: the same table on three lines, one rank a line.
wd=$(e2e_new_dir work)
{
    cp932 '"たま,ミケ",500,90'
    printf '\r\n'
    cp932 '"Pochi",300,75'
    printf '\r\n'
    cp932 '"名無しの権兵衛さん",100,50'
    printf '\r\n'
} >"$wd/HISCORE.dat"
e2e_start_game "$wd" "$rd"
W=$(e2e_main_window "$GAME_PID") || die "no main window (second start)"
sleep 0.5
must "clear question answered いいえ" ask_clear "$W" Escape clear_question_3
sleep 0.3
check "three-line table read whole and written back as one line" same_bytes "$wd/HISCORE.dat" "$known"

# --- 3: clearing during a round: cleared at once, the round goes on.
e2e_key "$W" F2
box=$(e2e_find_window "$GAME_PID" "^$BOX_CAPTION\$" 10) || die "no start box"
e2e_key "$box" Return
e2e_window_gone "$box" 5
sleep 1
must "clear question during play answered はい" ask_clear "$W" Return clear_question_play
sleep 0.3
check "cleared table written during play" same_bytes "$wd/HISCORE.dat" "$cleared"
sleep 1
shot=$(e2e_shot "$W" play_after_clear)
field_of "$shot" "$field"
check "the round goes on after clearing" shows_play "$field"

# "ストップ" is the first enabled entry of the main menu during play.
make_old "$wd/HISCORE.dat"
before=$(mtime "$wd/HISCORE.dat")
e2e_menu "$W" "$GAME_PID" "$MENU_X_MAIN" Down Return || check "main menu opens" false
sleep 1
shot=$(e2e_shot "$W" title_after_stop)
field_of "$shot" "$field"
check "ストップ goes straight back to the title screen" shows_title "$field"
check "ストップ writes no high-score file" test "$(mtime "$wd/HISCORE.dat")" = "$before"

e2e_menu "$W" "$GAME_PID" "$MENU_X_MAIN" Up Return || check "main menu opens" false
e2e_wait_exit "$GAME_PID" 10 || true
rc=$EXIT_CODE
check "game ends through 終わり (exit code $rc)" test "$rc" = 0
check "終わり writes no high-score file" test "$(mtime "$wd/HISCORE.dat")" = "$before"
e2e_finish
