#!/usr/bin/env bash
# The window opens centred on the screen: the middle of its outer frame,
# title bar and border included, is the middle of the screen (to a pixel,
# for halves that do not divide evenly).
source "$(dirname "$0")/lib.sh"

e2e_init window_centred
e2e_start_x

e2e_open_game
sleep 0.5
e2e_shot_root_around "$W" screen_around_window >/dev/null

read -r sw sh < <(xwininfo -root | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w, h }')
frame=$(frame_of "$W")
info=$(xwininfo -id "$frame")
fx=$(awk '/Absolute upper-left X/ { print $4 }' <<<"$info")
fy=$(awk '/Absolute upper-left Y/ { print $4 }' <<<"$info")
fw=$(awk '/Width:/ { print $2 }' <<<"$info")
fh=$(awk '/Height:/ { print $2 }' <<<"$info")
log "screen ${sw}x${sh}; outer frame ${fw}x${fh} at ($fx, $fy)"
# Twice the distances, so that halves stay whole numbers.
dx=$((2 * fx + fw - sw))
dy=$((2 * fy + fh - sh))
check "centred across (frame centre off by $dx/2 px)" test "${dx#-}" -le 2
check "centred down (frame centre off by $dy/2 px)" test "${dy#-}" -le 2
e2e_finish
