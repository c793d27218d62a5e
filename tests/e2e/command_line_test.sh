#!/usr/bin/env bash
# The command line and the signals. --version, --help and a bad option are
# answered without any display. --desktop keeps the two files in the
# user's data folder, not in the folder the game starts in. SIGTERM, SIGINT
# and SIGHUP end the game as its close box does: status 0, the lock and the
# door freed, config.dat not written, also while a box is open.
source "$(dirname "$0")/lib.sh"

: "${E2E_VERSION:?E2E_VERSION must give the version of the project}"
e2e_init command_line

# --- 1: answers without a display.
wd=$(e2e_new_dir work)
rd=$(e2e_new_dir runtime)
out=$E2E_TMP/out.txt
err=$E2E_TMP/err.txt

# run_bare ARG...: runs the game with no display at all; sets RC.
run_bare() {
    RC=0
    (cd "$wd" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$rd" \
        timeout 20 "$E2E_GAME" "$@") >"$out" 2>"$err" || RC=$?
}

run_bare --version
check "--version ends with 0 ($RC)" test "$RC" = 0
check "--version prints \"tombora $E2E_VERSION\" ($(head -c 80 "$out"))" test "$(cat "$out")" = "tombora $E2E_VERSION"
check "--version says nothing on stderr" test ! -s "$err"

run_bare --help
check "--help ends with 0 ($RC)" test "$RC" = 0
check "--help prints the usage on stdout" grep -q '^Usage: tombora' "$out"
for option in --desktop --help --version; do
    check "--help names $option" grep -q -- "$option" "$out"
done
check "--help says nothing on stderr" test ! -s "$err"
cp "$out" "$E2E_OUT/help.txt"

for bad in --bogus -x stray "-platform"; do
    run_bare "$bad"
    check "'$bad' ends with 2 ($RC)" test "$RC" = 2
    check "'$bad' prints the usage on stderr" grep -q '^Usage: tombora' "$err"
    check "'$bad' is named on stderr" grep -q -- "$bad" "$err"
    check "'$bad' prints nothing on stdout" test ! -s "$out"
done
check "no answer wrote a file or took the lock" test -z "$(ls -A "$wd")$(ls -A "$rd")"

e2e_start_x

# quit_by_menu: 終わり from the main menu; the game must end with 0.
quit_by_menu() {
    e2e_menu "$W" "$GAME_PID" "$MENU_X_MAIN" Up Return || check "main menu opens" false
    e2e_wait_exit "$GAME_PID" 10 || true
    check "game ends through 終わり (exit code $EXIT_CODE)" test "$EXIT_CODE" = 0
}

# --- 2: --desktop, with XDG_DATA_HOME and then with only HOME.
home=$(e2e_new_dir home)
data=$home/data-home
export HOME=$home XDG_DATA_HOME=$data
e2e_start_game "$wd" "$rd" desktop --desktop
W=$(e2e_main_window "$GAME_PID") || die "no main window with --desktop"
sleep 0.5
check "--desktop makes \$XDG_DATA_HOME/tombora" test -d "$data/tombora"
check "the data folder is the player's own (mode $(stat -c %a "$data/tombora"))" \
    test "$(stat -c %a "$data/tombora")" = 700
e2e_key "$W" ctrl+c
if box=$(e2e_find_window "$GAME_PID" "^$CLEAR_CAPTION\$" 10); then
    e2e_key "$box" Return
    e2e_window_gone "$box" 5 || true
else
    check "Ctrl+C asks before clearing" false
fi
quit_by_menu
check "HISCORE.dat written in the data folder" test -s "$data/tombora/HISCORE.dat"
check "config.dat written in the data folder" test -s "$data/tombora/config.dat"
check "nothing written in the starting folder" test -z "$(ls -A "$wd")"

unset XDG_DATA_HOME
e2e_start_game "$wd" "$rd" desktop --desktop
W=$(e2e_main_window "$GAME_PID") || die "no main window with --desktop and no XDG_DATA_HOME"
sleep 0.5
quit_by_menu
check "without XDG_DATA_HOME, config.dat goes to ~/.local/share/tombora" \
    test -s "$home/.local/share/tombora/config.dat"
check "and still nothing in the starting folder" test -z "$(ls -A "$wd")"

# --- 3: signals. Each start switches the music off (a change 終わり would
# write) and is then signalled; one signal comes while a box is open.
cfg=$wd/config.dat
printf '1,1\r\n' >"$cfg"
cp "$cfg" "$E2E_TMP/config_before"
make_old "$cfg"
before=$(mtime "$cfg")
for sig in TERM INT HUP; do
    e2e_start_game "$wd" "$rd" "signal_$sig"
    W=$(e2e_main_window "$GAME_PID") || die "no main window (SIG$sig)"
    sleep 0.5
    check "SIG$sig: the lock is held while the game runs" test -e "$rd/tombora.lock"
    check "SIG$sig: the door is open while the game runs" test -S "$rd/tombora.door"
    MENU_SHOT= e2e_menu "$W" "$GAME_PID" "$MENU_X_OPTION" Down Return || check "options menu opens" false
    what="on the title screen"
    if [ "$sig" = TERM ]; then
        e2e_key "$W" F2
        box=$(e2e_find_window "$GAME_PID" "^$BOX_CAPTION\$" 10) || check "F2 shows the start box" false
        what="with the start box open"
    fi
    kill -"$sig" "$GAME_PID"
    e2e_wait_exit "$GAME_PID" 10 || true
    check "SIG$sig $what ends the game with 0 ($EXIT_CODE)" test "$EXIT_CODE" = 0
    check "SIG$sig: the window is gone" e2e_window_gone "$W" 5
    check "SIG$sig: the lock is freed" test ! -e "$rd/tombora.lock"
    check "SIG$sig: the door is closed" test ! -e "$rd/tombora.door"
    check "SIG$sig: config.dat keeps its bytes" same_bytes "$cfg" "$E2E_TMP/config_before"
    check "SIG$sig: config.dat is not rewritten (mtime)" test "$(mtime "$cfg")" = "$before"
done
check "no HISCORE.dat after the signals" test ! -e "$wd/HISCORE.dat"
e2e_finish
