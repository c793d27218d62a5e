#!/usr/bin/env bash
# Installs the Debian packages the game needs to build, run and be tested,
# and builds it. Quick when everything is already in place.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n
  libfluidsynth-dev libsndfile1-dev libasound2-dev timgm6mb-soundfont libxcb1-dev
  fonts-ipafont-gothic
  libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev
  xvfb xauth xdotool openbox imagemagick x11-utils desktop-file-utils
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  as_root=()
  if [ "$(id -u)" -ne 0 ]; then as_root=(sudo); fi
  "${as_root[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

top=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$top/build"
