#!/usr/bin/env bash
# Only one copy runs at a time: a second one shows its box and ends without
# a window and without touching any file, and the running copy's window
# comes forward (or, where it cannot be reached, a second box says so); a
# copy killed outright does not keep the next one from starting.
source "$(dirname "$0")/lib.sh"

e2e_init single_copy
e2e_start_x

rd=$(e2e_new_dir runtime)
wd1=$(e2e_new_dir work)
wd2=$(e2e_new_dir work)
printf '1,0\r\n' >"$wd2/config.dat"
{
    cp932 '"たま",10,10,"Pochi",5,5,"シロ",1,1'
    printf '\r\n'
} >"$wd2/HISCORE.dat"
make_old "$wd2/config.dat"
make_old "$wd2/HISCORE.dat"
cp "$wd2/config.dat" "$E2E_TMP/config_before"
cp "$wd2/HISCORE.dat" "$E2E_TMP/hiscore_before"
before_cfg=$(mtime "$wd2/config.dat")
before_hs=$(mtime "$wd2/HISCORE.dat")

e2e_start_game "$wd1" "$rd" first
first=$GAME_PID
W1=$(e2e_main_window "$first") || die "first copy shows no window"

# Another program's window is the active one when the second copy starts.
xmessage -name other -geometry 300x200+0+0 'another program' >"$E2E_TMP/xmessage.log" 2>&1 &
E2E_PIDS+=($!)
other=$(retry 10 xdotool search --onlyvisible --name '^other$' | head -1) || die "no other window"
e2e_activate "$other"
check "another program's window is active" test "$(xdotool getactivewindow)" = "$other"

# The second copy, from another working folder, with the same runtime
# folder, where the lock lives; its threads slow to wake, as on a busy
# machine, where an ending in Qt's teardown could hang.
GAME_PRELOAD=$E2E_SLOW_WAKE e2e_start_game "$wd2" "$rd" second
second=$GAME_PID
if box=$(e2e_find_window "$second" "^$BOX_CAPTION\$" 20); then
    check "second copy shows its box" true
    e2e_shot "$box" second_copy_box >/dev/null
    # Only the box: no main window of the second copy.
    check "second copy has no main window" no_window "$second" "^$MAIN_CAPTION\$"
    count=$(xdotool search --onlyvisible --name "^$BOX_CAPTION\$" | while read -r w; do window_pid "$w"; done | grep -cx "$second" || true)
    check "exactly one box of the second copy ($count)" test "$count" = 1
    e2e_key "$box" Return
    e2e_wait_exit "$second" 10 || true
    rc=$EXIT_CODE
    check "second copy ends after OK (exit code $rc)" test "$rc" = 0
    # The first copy's window comes forward: the active window.
    is_active() { test "$(xdotool getactivewindow 2>/dev/null)" = "$1"; }
    check "the running copy's window becomes the active one" retry 5 is_active "$W1"
    e2e_shot_root_around "$W1" first_copy_forward >/dev/null
else
    check "second copy shows its box" false
fi
check "second copy left config.dat alone" same_bytes "$wd2/config.dat" "$E2E_TMP/config_before"
check "second copy left HISCORE.dat alone" same_bytes "$wd2/HISCORE.dat" "$E2E_TMP/hiscore_before"
check "second copy rewrote neither file (mtimes)" \
    test "$(mtime "$wd2/config.dat")" = "$before_cfg" -a "$(mtime "$wd2/HISCORE.dat")" = "$before_hs"
check "second copy wrote nothing else" test "$(ls -A "$wd2" | tr '\n' ' ')" = "HISCORE.dat config.dat "

# A signal while the second copy's box is open closes the box and ends
# that copy the ordinary way.
e2e_start_game "$wd2" "$rd" second_signalled
second=$GAME_PID
if box=$(e2e_find_window "$second" "^$BOX_CAPTION\$" 20); then
    kill -TERM "$second"
    e2e_wait_exit "$second" 10 || true
    check "SIGTERM at the second copy's box ends it with 0 ($EXIT_CODE)" test "$EXIT_CODE" = 0
    check "its box is gone" e2e_window_gone "$box" 5
else
    check "second copy shows its box again" false
fi

check "first copy still runs" alive "$first"
shot=$(e2e_shot "$W1" first_copy_after)
field=$E2E_TMP/field.png
field_of "$shot" "$field"
check "first copy still shows its title screen" shows_title "$field"

# With its door gone (removed by hand), the running copy cannot be
# reached: after OK, the second copy says so in a second box, and on its
# standard error.
rm "$rd/tombora.door"
e2e_start_game "$wd2" "$rd" second_unanswered
second=$GAME_PID
if box=$(e2e_find_window "$second" "^$BOX_CAPTION\$" 20); then
    e2e_key "$box" Return
    e2e_window_gone "$box" 5 || true
    if told=$(e2e_find_window "$second" "^$BOX_CAPTION\$" 10) && [ "$told" != "$box" ]; then
        check "a second box says the running copy was not reached" true
        e2e_shot "$told" running_copy_unreached >/dev/null
        e2e_key "$told" Return
    else
        check "a second box says the running copy was not reached" false
    fi
    e2e_wait_exit "$second" 10 || true
    check "the unanswered second copy ends with 0 ($EXIT_CODE)" test "$EXIT_CODE" = 0
    check "it says so on standard error" grep -q 'did not answer' "$E2E_TMP/second_unanswered.log"
else
    check "second copy shows its box once more" false
fi

# Killed outright: its lock stays behind, but names a process that is gone.
kill -KILL "$first"
e2e_wait_exit "$first" 10 || true
rc=$EXIT_CODE
check "first copy killed (exit code $rc)" test "$rc" = 137
e2e_window_gone "$W1" 5 || true
e2e_start_game "$wd1" "$rd" third
third=$GAME_PID
if W3=$(e2e_main_window "$third"); then
    check "a new copy starts after the killed one" true
    sleep 1
    shot=$(e2e_shot "$W3" after_kill)
    field_of "$shot" "$field"
    check "the new copy shows its title screen" shows_title "$field"
else
    check "a new copy starts after the killed one" false
    e2e_find_window "$third" "^$BOX_CAPTION\$" 1 >/dev/null && log "  it showed a box instead"
fi
check "no box of the new copy" no_window "$third" "^$BOX_CAPTION\$"
e2e_finish
