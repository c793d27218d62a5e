#!/usr/bin/env bash
# Builds the Debian package: bash scripts/package.sh [BUILD_DIR]
# leaves tombora_VERSION_ARCH.deb in BUILD_DIR (build-deb/ by default),
# built with Debian's compiler flags and laid out the Debian way.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/setup.sh"
install_packages package
as_invoking_user bash "$top/scripts/package.sh" "$@"

out=${1:-$top/build-deb}
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+bindnow dpkg-buildflags --export=sh)"
export CFLAGS="$CFLAGS $CPPFLAGS" CXXFLAGS="$CXXFLAGS $CPPFLAGS"
cmake -S "$top" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=None -DTOMBORA_TESTS=OFF \
  -DTOMBORA_DEBIAN_LAYOUT=ON -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build "$out"
(cd "$out" && cpack -G DEB)
