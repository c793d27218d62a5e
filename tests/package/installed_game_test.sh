#!/usr/bin/env bash
# The installed game (E2E_GAME=/usr/games/tombora) as a player meets it:
# --version names the installed package's version; started from a folder
# of its own, its window shows the title picture, F1 opens the help page,
# which the game finds in /usr/share/games/tombora, not beside the
# program, and a round starts and counts the letters typed. The package
# test and the package's autopkgtest (debian/tests) both run it.
source "$(dirname "$0")/../e2e/lib.sh"

e2e_init installed_game
package_version=$(dpkg-query -W -f='${Version}' tombora)
check "--version names the package's version $package_version" \
    test "$("$E2E_GAME" --version)" = "tombora $package_version"

e2e_start_x
e2e_open_game
sleep 1
field=$E2E_TMP/field.png
must "play field found" field_of "$(e2e_shot "$W" title)" "$field"
check "title picture on the play field" shows_title "$field"

e2e_key "$W" F1
help=$(e2e_find_window "$GAME_PID" '^とんぼら ヘルプ$' 10) || true
check "F1 opens the help page" test -n "$help"
check "no box saying the help is missing" no_window "$GAME_PID" "^$BOX_CAPTION\$"
if [ -n "$help" ]; then
    e2e_key "$help" Escape
    must "Escape closes the help page" e2e_window_gone "$help" 5
fi

# A round: F2, OK on the start box, and the alphabet typed, which holds
# letters no cat carries: the counts of hits and misses at the top of the
# field (成功 and 失敗; the seconds left between them are left out) change.
e2e_key "$W" F2
box=$(e2e_find_window "$GAME_PID" "^$BOX_CAPTION\$" 10) || die "no start box after F2"
e2e_key "$box" Return
must "start box closes" e2e_window_gone "$box" 5
sleep 0.5
before=$E2E_TMP/round_before.png
must "play field found in the round" field_of "$(e2e_shot "$W" round_before)" "$before"
check "the round's background on the play field" shows_play "$before"
e2e_type "$W" 60 abcdefghijklmnopqrstuvwxyz
sleep 0.3
after=$E2E_TMP/round_after.png
must "play field found after typing" field_of "$(e2e_shot "$W" round_after)" "$after"
moved=$(($(differing "$before" "$after" 90x32+60+6) + $(differing "$before" "$after" 80x32+265+6)))
check "the typed letters move the counts" test "$moved" -gt 0
e2e_finish
