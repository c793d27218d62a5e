#!/usr/bin/env bash
# package_test.sh SOURCE_DIR BUILD_DIR: builds the Debian package with the
# README's command, installs it with apt, checks what it put on the machine
# (the game starts from /usr/games to its title and finds its help, the
# manual pages in both languages, the metainfo, the desktop entry, the
# icons), runs lintian on it, and removes it again whatever happened.
set -euo pipefail
src=$1
build=$2

if [ "$(id -u)" -ne 0 ]; then
    echo "SKIP: installs a package into the system; run as root"
    exit 77
fi
if dpkg-query -W -f='${Status}' tombora 2>/dev/null | grep -q "ok installed"; then
    echo "SKIP: tombora is installed on this machine already; this test installs and removes its own"
    exit 77
fi
for tool in apt-get lintian appstreamcli desktop-file-validate man identify readelf; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

failures=0
not() { ! "$@"; }
check() {
    local what=$1; shift
    if "$@"; then echo "ok   - $what"; else echo "FAIL - $what"; failures=$((failures + 1)); fi
}

# man_shows PAGE TEXT: the page renders, in UTF-8, with the text in it.
man_shows() {
    local page
    page=$(LANG=C.UTF-8 MANWIDTH=80 man -E UTF-8 -l "$1" 2>/dev/null) && [[ $page == *"$2"* ]]
}
# stripped PROGRAM: no symbol table and no debug information left.
stripped() {
    local sections
    sections=$(readelf -S "$1") && ! [[ $sections =~ \.symtab|\.debug_ ]]
}

apt() { DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 -y -q "$@"; }

rm -rf "$build"
bash "$src/scripts/package.sh" "$build"
debs=("$build"/tombora_*.deb)
if [ "${#debs[@]}" -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    echo "FAIL - no single package in $build"
    exit 1
fi
deb=${debs[0]}
echo "package: $(basename "$deb")"

trap 'echo "removing the package"; apt remove tombora >/dev/null || dpkg -r tombora' EXIT
trap 'exit 130' INT TERM
apt install --no-install-recommends "$deb" >/dev/null

check "the program is in /usr/games" test -x /usr/games/tombora
check "the program is stripped" stripped /usr/games/tombora
# The synthesiser's library is opened at run time, so the package must
# name it itself: the libraries' own scan cannot see it.
check "the package depends on the synthesiser's library" \
    grep -q 'libfluidsynth3' <(dpkg-deb -f "$deb" Depends)
data=/usr/share/games/tombora
for f in tombora.mid bgm.mid nya.wav damedanya.wav tombora.html; do
    check "$data holds $f" test -f "$data/$f"
done

# The installed game under Xvfb: its title screen, and F1 opens the help
# page from the shared folder.
check "the installed game shows its title and finds its help" bash "$src/tests/package/installed_game_test.sh"

# The manual pages are read from the package itself: slim Debian images
# leave /usr/share/man out when they install a package.
unpacked=$build/unpacked
dpkg-deb -x "$deb" "$unpacked"
check "manual page in English" man_shows "$unpacked/usr/share/man/man6/tombora.6.gz" "typing game"
check "manual page in Japanese" man_shows "$unpacked/usr/share/man/ja/man6/tombora.6.gz" "タイピングゲーム"

metainfo=(/usr/share/metainfo/*.metainfo.xml)
check "metainfo valid" appstreamcli validate --no-net "${metainfo[@]}"
check "desktop entry valid" desktop-file-validate /usr/share/applications/tombora.desktop
for size in 16 22 24 32 48 64 128 256; do
    icon=/usr/share/icons/hicolor/${size}x${size}/apps/tombora.png
    check "icon of ${size}x${size}" test "$(identify -format '%wx%h' "$icon" 2>/dev/null)" = "${size}x${size}"
done
check "copyright in Debian's machine-readable format" \
    grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' /usr/share/doc/tombora/copyright

lintian_out=$build/lintian.txt
lintian --allow-root --pedantic "$deb" >"$lintian_out" 2>&1 || true
cat "$lintian_out"
check "lintian reports no errors" not grep -q '^E: ' "$lintian_out"

echo "$failures failed"
[ "$failures" -eq 0 ]
