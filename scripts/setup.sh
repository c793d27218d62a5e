#!/usr/bin/env bash
# The Debian packages the game needs, in one place:
#   bash scripts/setup.sh game      building and running the game
#   bash scripts/setup.sh package   and building its Debian package
#   bash scripts/setup.sh test      and every test, benchmark and asset tool
# Installs only the missing ones, through sudo when not root. Sourced, it
# gives the lists and the helpers to the other scripts.

GAME_PACKAGES=(
  build-essential cmake ninja-build pkgconf
  qt6-base-dev qt6-base-private-dev qt6-base-dev-tools qt6-translations-l10n
  libfluidsynth-dev libsndfile1-dev libasound2-dev libpulse-dev timgm6mb-soundfont libxcb1-dev libxcb-shm0-dev
  fonts-ipafont-gothic qt6-wayland libwayland-dev
)
PACKAGE_PACKAGES=(
  "${GAME_PACKAGES[@]}"
  dpkg-dev debhelper
)
# shellcheck disable=SC2034  # read by install_packages through its name
TEST_PACKAGES=(
  "${PACKAGE_PACKAGES[@]}"
  git libfreetype-dev
  libgtest-dev libbenchmark-dev
  clang libclang-rt-dev valgrind
  xvfb xauth xdotool openbox imagemagick x11-utils x11-xserver-utils weston xwayland mutter
  pulseaudio pulseaudio-utils sox pipewire pipewire-pulse wireplumber dbus
  desktop-file-utils appstream lintian man-db autopkgtest devscripts
)

# install_packages game|package|test
install_packages() {
  local -n wanted=${1^^}_PACKAGES
  local missing=() p
  for p in "${wanted[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  ((${#missing[@]})) || return 0
  echo "Installing: ${missing[*]}"
  local as_root=()
  if [ "$(id -u)" -ne 0 ]; then as_root=(sudo); fi
  "${as_root[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# as_invoking_user COMMAND...: run by sudo, carries on as the user who typed
# the command, so that nothing in the checkout belongs to root and the game
# runs as its player; otherwise returns at once.
as_invoking_user() {
  if [ "$(id -u)" -ne 0 ] || [ -z "${SUDO_USER:-}" ] || [ "$SUDO_USER" = root ]; then
    return 0
  fi
  local uid keep=()
  uid=$(id -u "$SUDO_USER")
  if [ -d "/run/user/$uid" ]; then keep+=("XDG_RUNTIME_DIR=/run/user/$uid"); fi
  local var
  for var in DISPLAY XAUTHORITY WAYLAND_DISPLAY LANG; do
    if [ -n "${!var:-}" ]; then keep+=("$var=${!var}"); fi
  done
  exec sudo -u "$SUDO_USER" -H -- env "${keep[@]}" "$@"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  install_packages "${1:?usage: setup.sh game|package|test}"
fi
