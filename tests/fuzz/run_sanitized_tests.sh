#!/bin/sh
# Builds the tests of the game's own code (pixels and text, rounds,
# screens, menus, the two files, the shell, the MIDI module, the single-copy
# lock and door: everything but the window and the sound system) with clang
# and its checks of undefined behaviour, and runs each once. A signed
# overflow, a shift too far, a misaligned or null access, a pointer sum that
# wraps, or an index out of range (the standard library's checks are on)
# ends the run with the place it happened. The sound system is built too,
# not run, for clang's check of who touches what (src/music/thread_safety.h):
# a member touched without its lock, or a mixer's function called off the
# mixer, fails the build.
#   SANITIZE_WORK_DIR  where to build (default: a new temporary folder,
#                      removed after a clean run); kept, a second run
#                      builds only what changed
#   CXX_SANITIZE       the clang++ to use (default: clang++)
# Exits 77 (skipped) where there is no clang++.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$here/../..
cxx=${CXX_SANITIZE:-clang++}
if ! command -v "$cxx" >/dev/null 2>&1; then
    echo "SKIP: $cxx is not installed" >&2
    exit 77
fi

# The test programs, by their folder in the build.
tests="tests/raster/surface_test tests/play/play_test tests/screens/screens_test
       tests/menu/menu_commands_test tests/menu/ending_test tests/records/records_tests
       tests/shell/main_loop_test tests/shell/music_flow_test tests/shell/program_files_test
       tests/shell/user_folders_test tests/replay/replay_test tests/music/music_midi_tests
       tests/single_copy/single_copy_lock_test tests/single_copy/single_copy_door_test"

work=${SANITIZE_WORK_DIR:-}
if [ -z "$work" ]; then
    work=$(mktemp -d)
    remove_after=yes
else
    remove_after=no
    mkdir -p "$work"
fi

generator="Unix Makefiles"
command -v ninja >/dev/null 2>&1 && generator=Ninja
cmake -S "$root" -B "$work" -G "$generator" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER="$cxx" \
    -DCMAKE_CXX_FLAGS="-fsanitize=pointer-overflow,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer" \
    >"$work/configure.log" || { cat "$work/configure.log"; exit 1; }
targets=tombora_audio
for t in $tests; do
    targets="$targets $(basename "$t")"
done
# shellcheck disable=SC2086 # the list is meant to split
cmake --build "$work" -j2 --target $targets

export QT_QPA_PLATFORM=offscreen
export UBSAN_OPTIONS=print_stacktrace=1
for t in $tests; do
    echo "running $t"
    "$work/$t" --gtest_brief=1
done

if [ "$remove_after" = yes ]; then
    rm -rf "$work"
fi
