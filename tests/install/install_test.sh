#!/usr/bin/env bash
# Installs the game into a scratch prefix and checks what a desktop needs:
# the program folder with everything the game loads, the launcher on the
# PATH, the desktop entry and the icon; then starts the installed game.
set -euo pipefail
build=$1
root=$(mktemp -d /tmp/tombora-install.XXXXXX)
trap 'rm -rf "$root"' EXIT
prefix=$root/usr

cmake --install "$build" --prefix "$prefix" >/dev/null

failures=0
check() {
    local what=$1; shift
    if "$@"; then echo "ok   - $what"; else echo "FAIL - $what"; failures=$((failures + 1)); fi
}

folder=$prefix/lib/tombora
for f in tombora tombora.mid bgm.mid nya.wav damedanya.wav tombora.html; do
    check "program folder holds $f" test -f "$folder/$f"
done
check "the launcher is on the PATH and leads to the program" \
    test "$(readlink -f "$prefix/bin/tombora")" = "$(readlink -f "$folder/tombora")"
entry=$prefix/share/applications/tombora.desktop
check "desktop entry installed" test -f "$entry"
check "desktop entry named in Japanese" grep -qx 'Name\[ja\]=とんぼら' "$entry"
check "desktop entry among the games" grep -qx 'Categories=Game;' "$entry"
check "desktop entry starts the launcher" grep -qx 'Exec=tombora' "$entry"
if command -v desktop-file-validate >/dev/null; then
    check "desktop entry valid" desktop-file-validate "$entry"
fi
icon=$prefix/share/icons/hicolor/32x32/apps/tombora.png
check "icon in the hicolor theme" test -f "$icon"
check "icon is a PNG" test "$(head -c 8 "$icon" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a

# The installed game starts from another folder and keeps running (it is
# stopped after two seconds) without a screen of its own.
work=$root/work
mkdir -p "$work" "$root/runtime"
chmod 700 "$root/runtime"
set +e
(cd "$work" && XDG_RUNTIME_DIR=$root/runtime QT_QPA_PLATFORM=offscreen timeout 2 "$prefix/bin/tombora" >/dev/null 2>&1)
status=$?
set -e
check "the installed game runs until stopped (exit $status)" test "$status" -eq 124
check "it wrote nothing while it ran" test -z "$(ls -A "$work")"

echo "$failures failed"
[ "$failures" -eq 0 ]
