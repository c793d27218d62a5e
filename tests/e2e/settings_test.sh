#!/usr/bin/env bash
# The two options in "config.dat": "終わり" writes them from the menu's
# check marks, also when nothing changed; closing the window by Alt+F4 or
# by its close box loses a change and leaves the file as it was.
source "$(dirname "$0")/lib.sh"

e2e_init settings
e2e_start_x

wd=$(e2e_new_dir work)
rd=$(e2e_new_dir runtime)
cfg=$wd/config.dat
run=0

expect_cfg() { # expect_cfg TEXT: the bytes of config.dat
    printf '%s\r\n' "$1" >"$E2E_TMP/expected_cfg"
    same_bytes "$cfg" "$E2E_TMP/expected_cfg"
}

start() {
    run=$((run + 1))
    e2e_start_game "$wd" "$rd"
    W=$(e2e_main_window "$GAME_PID") || die "no main window (start $run)"
    sleep 0.5
}

# option_menu KEY...: chooses in the options menu and keeps a picture of it.
option_menu() {
    MENU_SHOT=options_$run e2e_menu "$W" "$GAME_PID" "$MENU_X_OPTION" "$@" ||
        check "options menu opens (start $run)" false
}

quit_by_menu() {
    MENU_SHOT=${1:-} e2e_menu "$W" "$GAME_PID" "$MENU_X_MAIN" Up Return ||
        check "main menu opens (start $run)" false
    e2e_wait_exit "$GAME_PID" 10 || true
    check "game ends through 終わり (exit code $EXIT_CODE)" test "$EXIT_CODE" = 0
}

ended() { e2e_wait_exit "$GAME_PID" 10; }

# 1. No config.dat: both options are on; leaving through the menu writes
#    them even though nothing changed.
start
option_menu Escape
quit_by_menu main_menu
check "終わり with no file at start writes 1,1" expect_cfg 1,1

# 2. Music switched off, then 終わり.
start
option_menu Down Return
quit_by_menu
check "music off and 終わり writes 0,1" expect_cfg 0,1

# 3. Music switched on again, then Alt+F4: the change is lost.
make_old "$cfg"
before=$(mtime "$cfg")
start
option_menu Down Return
e2e_key "$W" alt+F4
check "Alt+F4 closes the game" ended
check "Alt+F4 leaves config.dat's bytes as they were" expect_cfg 0,1
check "Alt+F4 does not rewrite config.dat (mtime)" test "$(mtime "$cfg")" = "$before"
check "closing writes no HISCORE.dat" test ! -e "$wd/HISCORE.dat"

# 4. The next start shows music as it was before the lost change.
start
option_menu Escape
quit_by_menu
check "after the lost change 終わり still writes 0,1" expect_cfg 0,1

# 5. A music field that is neither 0 nor 1 leaves music off; sound
#    effects switched off, then the close box: the file stays as it was.
printf '2,1\r\n' >"$cfg"
make_old "$cfg"
before=$(mtime "$cfg")
start
option_menu Down Down Return
e2e_click_close_box "$W"
check "the close box closes the game" ended
check "close box leaves config.dat's bytes as they were" expect_cfg 2,1
check "close box does not rewrite config.dat (mtime)" test "$(mtime "$cfg")" = "$before"
start
quit_by_menu
check "a music field of 2 starts with music off: 終わり writes 0,1" expect_cfg 0,1

# 6. Both off.
start
option_menu Down Down Return
quit_by_menu
check "both off and 終わり writes 0,0" expect_cfg 0,0
check "no HISCORE.dat was ever written" test ! -e "$wd/HISCORE.dat"
e2e_finish
