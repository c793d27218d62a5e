#!/usr/bin/env bash
# Installs the game into a scratch prefix and checks what a desktop needs:
# the program folder with everything the game loads, the launcher on the
# PATH, the desktop entry, the icon in every size, the metainfo and the
# manual pages; then starts the installed game.
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
check "desktop entry among the games and education" grep -qx 'Categories=Game;KidsGame;Education;' "$entry"
check "desktop entry starts the launcher in the desktop's folder" grep -qx 'Exec=tombora --desktop' "$entry"
if command -v desktop-file-validate >/dev/null; then
    check "desktop entry valid" desktop-file-validate "$entry"
fi
# png_size FILE: "WIDTHxHEIGHT" from a PNG's header.
png_size() {
    [ "$(head -c 8 "$1" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || return 1
    echo "$(od -An -tu4 --endian=big -j16 -N4 "$1" | tr -d ' ')x$(od -An -tu4 --endian=big -j20 -N4 "$1" | tr -d ' ')"
}
for size in 16 22 24 32 48 64 128 256; do
    icon=$prefix/share/icons/hicolor/${size}x${size}/apps/tombora.png
    check "icon of ${size}x${size} in the hicolor theme" test "$(png_size "$icon" 2>/dev/null)" = "${size}x${size}"
done
check "metainfo installed" test -f "$prefix/share/metainfo/io.github.tombora.tombora.metainfo.xml"
check "manual page in English" test -f "$prefix/share/man/man6/tombora.6.gz"
check "manual page in Japanese" test -f "$prefix/share/man/ja/man6/tombora.6.gz"

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
