#!/bin/sh
# with_x_server.sh COMMAND...: runs the command with DISPLAY on a private
# Xvfb of its own (no window manager, no TCP), and ends the server
# afterwards. Exits 77 (skipped) where Xvfb is not installed.
set -eu

if ! command -v Xvfb >/dev/null 2>&1; then
    echo "SKIP: Xvfb is not installed" >&2
    exit 77
fi
work=$(mktemp -d)
# -displayfd lets the server pick a free number and tell it when ready.
Xvfb -displayfd 3 -nolisten tcp -screen 0 640x480x24 3>"$work/display" >"$work/xvfb.log" 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; rm -rf "$work"' EXIT
n=0
while ! grep -q '[0-9]' "$work/display" && [ "$n" -lt 100 ]; do
    sleep 0.1
    n=$((n + 1))
done
if ! grep -q '[0-9]' "$work/display"; then
    echo "Xvfb did not start: $(cat "$work/xvfb.log")" >&2
    exit 1
fi
status=0
DISPLAY=:$(tr -dc '0-9' <"$work/display") "$@" || status=$?
exit "$status"
