#!/usr/bin/env bash
# A display reached over TCP, as with ssh -X: the server cannot map the
# game's memory, so frames go through the socket. The title shows and
# moves, and the server maps nothing of the game's.
source "$(dirname "$0")/lib.sh"

e2e_init remote_display
E2E_X_TCP=1 e2e_start_x
log "display $DISPLAY"
xdpyinfo >/dev/null 2>&1 || { log "SKIP: no TCP to the local X server here"; exit 77; }

e2e_open_game
sleep 1
a=$(e2e_shot "$W" title_1)
field=$E2E_TMP/title_field.png
must "play field found below the menu bar" field_of "$a" "$field"
check "title picture on the play field" shows_title "$field"
sleep 0.3
b=$(e2e_shot "$W" title_2)
top=$(field_top "$a")
check "title screen moves" test "$(differing "$a" "$b" 350x350+2+$top)" != 0
check "X server maps none of the game's pixels" not grep -q tombora-pixels "/proc/$E2E_X_PID/maps"
check "game still running" alive "$GAME_PID"
e2e_finish
