#!/usr/bin/env bash
# Help. With the help file in the program folder, F1 opens the help on the
# title screen and during a round, beside the game, which goes on; Esc and
# Ctrl+W close the help window. With
# "missing" as argument the game runs from a copy of its program folder
# without the help file: F1 then says so in a box, as the help viewer
# does, and the game goes on.
source "$(dirname "$0")/lib.sh"

mode=${1:-present}
e2e_init "help_$mode"
e2e_start_x

HELP_CAPTION='とんぼら ヘルプ'
wd=$(e2e_new_dir work)
rd=$(e2e_new_dir runtime)

if [ "$mode" = missing ]; then
    program=$(e2e_new_dir program)
    for f in "$(dirname "$E2E_GAME")"/*; do
        case "$(basename "$f" | tr '[:upper:]' '[:lower:]')" in
        tombora.hlp | tombora.html) ;;
        *) cp -p "$f" "$program"/ ;;
        esac
    done
    E2E_GAME=$program/$(basename "$E2E_GAME")
    log "program folder without help: $(ls "$program" | tr '\n' ' ')"
fi

e2e_start_game "$wd" "$rd"
W=$(e2e_main_window "$GAME_PID") || die "no main window"
sleep 0.5
field=$E2E_TMP/field.png
top=$(field_top "$(e2e_shot "$W" title)") || die "no play field"

if [ "$mode" = missing ]; then
    e2e_key "$W" F1
    if box=$(e2e_find_window "$GAME_PID" "^$BOX_CAPTION\$" 5); then
        e2e_shot "$box" box_for_missing_help >/dev/null
        check "F1 without a help file says so in a box" true
        e2e_key "$box" Return
        check "the box closes with Return" e2e_window_gone "$box" 5
    else
        check "F1 without a help file says so in a box" false
    fi
    check "no help window" no_window "$GAME_PID" "^$HELP_CAPTION\$"
    shot=$(e2e_shot "$W" title_after_f1)
    field_of "$shot" "$field"
    check "title screen goes on" shows_title "$field"
    e2e_finish
fi

# F1 on the title screen: the help window, and no box.
e2e_key "$W" F1
if help=$(e2e_find_window "$GAME_PID" "^$HELP_CAPTION\$" 10); then
    check "F1 on the title screen opens the help" true
    sleep 0.5
    e2e_shot "$help" help_window >/dev/null
else
    check "F1 on the title screen opens the help" false
    box=$(e2e_find_window "$GAME_PID" "^$BOX_CAPTION\$" 1) && e2e_shot "$box" box_instead_of_help >/dev/null
    e2e_finish
fi
check "no box with the help" no_window "$GAME_PID" "^$BOX_CAPTION\$"
# The game is not held up by the help window: its title screen moves on.
# (The main window is raised to be seen whole; the help stays open.)
e2e_activate "$W"
a=$(e2e_shot "$W" title_beside_help_1)
sleep 0.5
b=$(e2e_shot "$W" title_beside_help_2)
field_of "$b" "$field"
check "title screen goes on beside the help" shows_title "$field"
check "title screen moves beside the help" test "$(differing "$a" "$b" 350x100+2+$((top + 200)))" != 0

# Closing the help with Escape and opening it again, during a round, by F1.
e2e_key "$help" Escape
check "Escape closes the help window" e2e_window_gone "$help" 5
check "the game runs on after Escape in the help" alive "$GAME_PID"
e2e_key "$W" F2
box=$(e2e_find_window "$GAME_PID" "^$BOX_CAPTION\$" 10) || die "no start box"
e2e_key "$box" Return
e2e_window_gone "$box" 5
sleep 1
e2e_key "$W" F1
if help=$(e2e_find_window "$GAME_PID" "^$HELP_CAPTION\$" 10); then
    check "F1 during a round opens the help" true
    e2e_shot "$help" help_window_in_round >/dev/null
else
    check "F1 during a round opens the help" false
fi
e2e_activate "$W"
shot=$(e2e_shot "$W" round_beside_help)
field_of "$shot" "$field"
check "the round goes on beside the help" shows_play "$field"
if [ -n "${help:-}" ]; then
    e2e_key "$help" ctrl+w
    check "Ctrl+W closes the help window" e2e_window_gone "$help" 5
    shot=$(e2e_shot "$W" round_after_help)
    field_of "$shot" "$field"
    check "the round goes on after Ctrl+W in the help" shows_play "$field"
fi
check "game still running" alive "$GAME_PID"
e2e_finish
