#!/usr/bin/env bash
# The installed game (E2E_GAME=/usr/games/tombora) started from a folder of
# its own: its window shows the title picture, and F1 opens the help page,
# which the game finds in /usr/share/games/tombora, not beside the program.
source "$(dirname "$0")/../e2e/lib.sh"

e2e_init installed_game
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
e2e_finish
