#!/usr/bin/env bash
# The window as the player first sees it: its caption, a fixed size, the
# menu bar with its three menus, the title picture on the play field, and
# the about box.
source "$(dirname "$0")/lib.sh"

e2e_init window
e2e_start_x

e2e_open_game
log "main window $W"

name=$(xprop -id "$W" _NET_WM_NAME | sed -n 's/.*= "\(.*\)"$/\1/p')
check "caption is $MAIN_CAPTION (got '$name')" test "$name" = "$MAIN_CAPTION"

# Not resizable: the size hints pin the minimum to the maximum.
hints=$(xprop -id "$W" WM_NORMAL_HINTS)
min=$(sed -n 's/.*minimum size: \([0-9]* by [0-9]*\).*/\1/p' <<<"$hints")
max=$(sed -n 's/.*maximum size: \([0-9]* by [0-9]*\).*/\1/p' <<<"$hints")
check "minimum size ($min) equals maximum size ($max)" test -n "$min" -a "$min" = "$max"

eval "$(xdotool getwindowgeometry --shell "$W")"
win_w=$WIDTH
win_h=$HEIGHT

# Give the title screen a few frames, then look at it.
sleep 1
shot=$(e2e_shot "$W" title)
field=$E2E_TMP/title_field.png
must "play field found below the menu bar" field_of "$shot" "$field"
top=$(field_top "$shot")
menubar=$((top - BORDER))
client_h=$((win_h - menubar))
log "window ${win_w}x${win_h}, menu bar $menubar px high, client area ${win_w}x${client_h}"
check "menu bar above the play field (height $menubar)" test "$menubar" -ge 12 -a "$menubar" -le 60
check "client area at least 354 x 354 (${win_w}x${client_h})" test "$win_w" -ge 354 -a "$client_h" -ge 354
check "title picture on the play field" shows_title "$field"
# Frames reach the server from the play field's own memory, not a copy.
check "X server maps the play field's pixels" grep -q tombora-pixels "/proc/$E2E_X_PID/maps"
# The panel's frame lines are part of the picture: rows 200 and 300 are
# black where no drifting text covers them.
black200=$(count_colour "$field" 350x1+0+200 0,0,0)
black300=$(count_colour "$field" 350x1+0+300 0,0,0)
check "rows 200 and 300 mostly black ($black200, $black300 of 350)" \
    test "$black200" -ge 250 -a "$black300" -ge 250
check "credit strip grey (160,160,164) at its corners" \
    test "$(pixel "$field" 5 320)" = 160,160,164 -a "$(pixel "$field" 344 345)" = 160,160,164

# The menu bar: each title opens its own drop-down, left to right.
prev_x=-1
for menu in main:$MENU_X_MAIN option:$MENU_X_OPTION help:$MENU_X_HELP; do
    label=${menu%%:*}
    x=${menu##*:}
    e2e_activate "$W"
    xdotool mousemove --window "$W" "$x" $((menubar / 2)) click 1
    if popup=$(e2e_find_popup "$GAME_PID"); then
        sleep 0.3
        e2e_shot_root_around "$W" "menu_$label" >/dev/null
        eval "$(xdotool getwindowgeometry --shell "$popup")"
        check "menu $label drops down right of the one before (x $X)" test "$X" -gt "$prev_x"
        prev_x=$X
        xdotool key Escape
        e2e_window_gone "$popup" 5 || true
        # Escape leaves the menu bar itself highlighted: a second one
        # gives the keyboard back to the play field.
        xdotool key Escape
    else
        check "menu $label drops down" false
    fi
done

# The about box: "アバウト" is the last entry of the help menu.
e2e_menu "$W" "$GAME_PID" "$MENU_X_HELP" Up Return || check "help menu opens" false
if box=$(e2e_find_window "$GAME_PID" "^$BOX_CAPTION\$" 10); then
    e2e_shot "$box" about_box >/dev/null
    # While the box is open the game stands still: no frame is drawn.
    a=$(e2e_shot "$W" about_behind_1)
    sleep 0.5
    b=$(e2e_shot "$W" about_behind_2)
    check "play field stands still behind the about box" test "$(differing "$a" "$b" 350x350+2+$top)" = 0
    e2e_key "$box" Return
    check "about box closes with Return" e2e_window_gone "$box" 5
    sleep 0.5
    a=$(e2e_shot "$W" title_after_about)
    sleep 0.3
    b=$E2E_TMP/title_after_about_2.png
    import -window "$W" "$b"
    check "title screen moves again after the box" test "$(differing "$a" "$b" 350x350+2+$top)" != 0
else
    check "about box shown" false
fi

check "game still running" alive "$GAME_PID"
check "nothing written in the working folder" test -z "$(ls -A "$WD")"
e2e_finish
