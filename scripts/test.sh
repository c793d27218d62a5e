#!/usr/bin/env bash
# Installs everything, builds everything and runs every test.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/setup.sh"
install_packages test
cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$top/build"
ctest --test-dir "$top/build" --output-on-failure --timeout 600 -j2
