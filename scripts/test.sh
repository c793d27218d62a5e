#!/usr/bin/env bash
# Sets everything up, builds the game and runs every test.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
ctest --test-dir "$top/build" --output-on-failure --timeout 600 -j2
