#!/usr/bin/env bash
# Letters typed in a round reach it whatever the player did with the menu
# bar first: after a tap of Alt, after a menu opened with the mouse and
# closed with Escape, and after a menu opened from the keyboard (Alt, Down)
# and closed with Escape. Each time the counts of hits and misses move.
source "$(dirname "$0")/lib.sh"

e2e_init keys_reach_round
e2e_start_x

e2e_open_game
sleep 0.5
e2e_key "$W" F2
box=$(e2e_find_window "$GAME_PID" "^$BOX_CAPTION\$" 10) || die "no start box after F2"
e2e_key "$box" Return
must "start box closes" e2e_window_gone "$box" 5
sleep 0.5

# counts_shot NAME: the two counts of the play screen, 成功 and 失敗, cut
# from a screenshot (the seconds left between them are left out).
counts_shot() {
    local shot field=$E2E_TMP/field_$1.png out=$E2E_TMP/counts_$1.png
    shot=$(e2e_shot "$W" "$1")
    field_of "$shot" "$field" || return 1
    convert "$field" \( -clone 0 -crop 90x32+60+6 \) \( -clone 0 -crop 80x32+265+6 \) \
        -delete 0 +append +repage "$out"
    echo "$out"
}

# counts_move_after NAME: types the alphabet, which holds at least 21
# letters no cat carries, and tells whether the counts changed.
counts_move_after() {
    local before after n
    before=$(counts_shot "${1}_before")
    xdotool type --delay 60 -- abcdefghijklmnopqrstuvwxyz
    sleep 0.3
    after=$(counts_shot "${1}_after")
    n=$(compare -metric AE "$before" "$after" null: 2>&1 || true)
    ((n > 0)) && return 0
    log "  the counts did not change"
    return 1
}

e2e_activate "$W"
must "letters typed in the round move the counts" counts_move_after plain

xdotool key alt
sleep 0.3
check "after a tap of Alt, letters still reach the round" counts_move_after after_alt
# While the menu bar holds the keyboard its first title is highlighted;
# the letter that takes the keyboard back clears it.
menu_bar=60x18+0+0
check "a tap of Alt highlights the menu bar" \
    test "$(differing "$E2E_OUT/plain_before.png" "$E2E_OUT/after_alt_before.png" $menu_bar)" -gt 0
check "the letters clear the highlight" \
    test "$(differing "$E2E_OUT/plain_before.png" "$E2E_OUT/after_alt_after.png" $menu_bar)" = 0

xdotool mousemove --window "$W" "$MENU_X_MAIN" 9 click 1
if popup=$(e2e_find_popup "$GAME_PID"); then
    xdotool key Escape
    check "Escape closes the menu opened with the mouse" e2e_window_gone "$popup" 5
    check "after a menu opened with the mouse and Escape, letters reach the round" \
        counts_move_after after_mouse_menu
else
    check "a click on the menu bar opens the menu" false
fi

# The menu bar still serves the keyboard: Alt, then Down opens the menu.
xdotool key alt
sleep 0.2
xdotool key Down
if popup=$(e2e_find_popup "$GAME_PID"); then
    check "Alt then Down opens the menu from the keyboard" true
    xdotool key Escape
    check "Escape closes the menu opened from the keyboard" e2e_window_gone "$popup" 5
    check "after a menu opened from the keyboard and Escape, letters reach the round" \
        counts_move_after after_key_menu
else
    check "Alt then Down opens the menu from the keyboard" false
fi
e2e_finish
