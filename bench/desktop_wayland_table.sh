# The table of the yardstick in a Wayland session, sourced by
# desktop_wayland.sh once the rows A, B, C (and the floor's first frames
# FA, FB, the key-to-sound files latency_a and latency_b) are in.

# col ROW N: the row's Nth figure. A row: first frame; on the title (the
# menu), program, weston, Xwayland, sound server, session, wake-ups, VmRSS,
# RssAnon (2 to 9); the same in the round (10 to 17); the load (18 to 20).
col() { awk -v n="$2" '{ print $n }' <<<"$1"; }

# ratio_line LABEL WHO N: per pair, figure N of WHO's row over C's; their
# median.
ratio_line() {
    local -n rows=$2
    local i rs=()
    for ((i = 1; i <= pairs; i++)); do
        rs+=("$(awk -v a="$(col "${rows[i]}" "$3")" -v c="$(col "${C[i]}" "$3")" 'BEGIN { printf "%.2f", a / c }')")
    done
    printf '%-62s %s; median %s\n' "$1" "${rs[*]}" "$(median "${rs[@]}")"
}

# median_of WHO N: the median of figure N over WHO's rows.
median_of() {
    local -n rows=$1
    local i all=()
    for ((i = 1; i <= pairs; i++)); do all+=("$(col "${rows[i]}" "$2")"); done
    median "${all[@]}"
}

# high_median RANGES...: the median of the upper bounds of "LOW..HIGH".
high_median() { median $(printf '%s\n' "$@" | sed 's/.*\.\.//'); }

echo
echo "measured on $(date -u +%Y-%m-%dT%H:%MZ), $(nproc) cores, game: $game"
echo "session: a fresh $(weston --version) per run (x11 backend on Xvfb, pixman, ${WESTON_WIDTH}x$WESTON_HEIGHT) with $(Xwayland -version 2>&1 | sed -n 's/.*Xwayland Version \([^ ]*\).*/Xwayland \1/p')"
echo "CPU in % of one core over $secs s: program / weston (with its shell and keyboard) / Xwayland / sound server,"
echo "and the session, their sum (the Xvfb under weston left out); wake-ups a second (all the program's threads);"
echo "memory VmRSS / RssAnon in MB. A: とんぼら on Wayland; B: とんぼら through Xwayland (title, round);"
echo "C: Tux Typing through Xwayland (menu, Fish Cascade). first_ms: exec to the first title frame on weston's"
echo "output (last poll without..first with); floor_ms: stack_floor title started the same way, just before."
row_format='%-4s %-14s %-14s | %-23s %5s %5s %10s | %-23s %5s %5s %10s | %s\n'
printf "$row_format" pair first_ms floor_ms "title p/w/x/s" sess wake rss/anon "round p/w/x/s" sess wake rss/anon "load (title run)"
for ((i = 1; i <= pairs; i++)); do
    for who in A B C; do
        declare -n rows=$who
        read -r first tp tw tx ts tsum twake trss tanon rp rw rx rs rsum rwake rrss ranon l1 l2 l3 <<<"${rows[i]}"
        floor_ms=-
        [ "$who" = A ] && floor_ms=${FA[i]}
        [ "$who" = B ] && floor_ms=${FB[i]}
        printf "$row_format" "$i$who" "$first" "$floor_ms" "$tp/$tw/$tx/$ts" "$tsum" "$twake" "$trss/$tanon" \
            "$rp/$rw/$rx/$rs" "$rsum" "$rwake" "$rrss/$ranon" "$l1 $l2 $l3"
        unset -n rows
    done
done
if ((pairs > 0)); then
    ratio_line "ratio A/C of the session, title (menu for C):" A 6
    ratio_line "ratio B/C of the session, title (menu for C):" B 6
    ratio_line "ratio A/C of the session, round:" A 14
    ratio_line "ratio B/C of the session, round:" B 14
    ratio_line "ratio A/C of the program alone, title (menu for C):" A 2
    ratio_line "ratio B/C of the program alone, title (menu for C):" B 2
    ratio_line "ratio A/C of the program alone, round:" A 10
    ratio_line "ratio B/C of the program alone, round:" B 10
    ratio_line "ratio A/C of resident memory, title:" A 8
    ratio_line "ratio B/C of resident memory, title:" B 8
    ratio_line "ratio A/C of resident memory, round:" A 16
    ratio_line "ratio B/C of resident memory, round:" B 16
    ratio_line "ratio A/C of anonymous memory, title:" A 9
    ratio_line "ratio B/C of anonymous memory, title:" B 9
    ratio_line "ratio A/C of anonymous memory, round:" A 17
    ratio_line "ratio B/C of anonymous memory, round:" B 17
    echo "wake-ups a second, medians A / B / C: title $(median_of A 7) / $(median_of B 7) / $(median_of C 7);" \
        "round $(median_of A 15) / $(median_of B 15) / $(median_of C 15)"
    echo "first title frame, median of the upper bounds: A $(high_median "${A[@]%% *}") ms" \
        "(floor $(high_median "${FA[@]}")), B $(high_median "${B[@]%% *}") ms (floor $(high_median "${FB[@]}"))"
    echo "screenshots of weston's output, each checked: $E2E_OUT/*.png"
fi
echo "key to sound on Wayland (A), round with music:"
sed 's/^/  /' "$latency_a"
echo "key to sound through Xwayland (B), round with music:"
sed 's/^/  /' "$latency_b"
