#!/usr/bin/env bash
# Installs what building and running the game needs, builds the game alone
# into build-game/ and starts it, as the user who typed the command.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/setup.sh"
install_packages game
as_invoking_user bash "$top/scripts/play.sh" "$@"

cmake -S "$top" -B "$top/build-game" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOMBORA_TESTS=OFF >/dev/null
cmake --build "$top/build-game" --target tombora
exec "$top/build-game/game/tombora" "$@"
