#!/bin/sh
# Builds one of the fuzzers with clang's libFuzzer and sanitizers and runs
# it for the given number of seconds from its seeds in corpus/<fuzzer>/:
#   records     the readers of "HISCORE.dat" and "config.dat"
#   wave        the reader of the hit and miss sounds
#   sound_font  the SoundFont trimmer; its seeds are small SoundFonts with
#               melody presets, a drum kit, shared instruments, global
#               zones and modulators, and one with no presets at all
# Exits non-zero when the fuzzer finds a crash, a hang, a broken check, an
# index out of range (the standard library's checks are on) or an
# allocation beyond what a sound or a data file can need.
#   FUZZ_WORK_DIR  where to build and keep the growing corpus (default: a
#                  new temporary folder, removed after a clean run)
#   CXX_FUZZ       the clang++ to use (default: clang++)
set -eu

fuzzer=${1:?usage: run_fuzz.sh records|wave|sound_font <seconds>}
seconds=${2:?usage: run_fuzz.sh records|wave|sound_font <seconds>}
here=$(cd "$(dirname "$0")" && pwd)
src=$here/../../src
case $fuzzer in
records)
    sources="$src/records/field_reader.cpp $src/records/cp932.cpp
             $src/records/high_score_table.cpp $src/records/settings_format.cpp"
    libraries= ;;
wave)
    sources="$src/music/wave_sound.cpp $src/music/sndfile_library.cpp"
    libraries=-lsndfile ;;
sound_font)
    sources=$src/music/sound_font_trim.cpp
    libraries= ;;
*)
    echo "no fuzzer named $fuzzer" >&2
    exit 2 ;;
esac

work=${FUZZ_WORK_DIR:-}
if [ -z "$work" ]; then
    work=$(mktemp -d)
    remove_after=yes
else
    remove_after=no
fi
mkdir -p "$work/corpus"
cp "$here/corpus/$fuzzer"/* "$work/corpus/"

# shellcheck disable=SC2086 # the lists are meant to split
"${CXX_FUZZ:-clang++}" -std=c++20 -g -O1 \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -D_GLIBCXX_ASSERTIONS \
    -I "$src" \
    "$here/${fuzzer}_fuzz.cpp" $sources $libraries \
    -o "$work/${fuzzer}_fuzz"

echo "fuzzing $fuzzer for $seconds s in $work"
cd "$work"
"./${fuzzer}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 -malloc_limit_mb=128 \
    -print_final_stats=1 -artifact_prefix="$work/" "$work/corpus"

if [ "$remove_after" = yes ]; then
    cd /
    rm -rf "$work"
fi
