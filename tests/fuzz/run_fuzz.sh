#!/bin/sh
# Builds the records fuzzer with clang's libFuzzer and sanitizers and runs
# it for the given number of seconds from the seeds in corpus/.
# Exits non-zero when the fuzzer finds a crash, a hang or a broken check.
#   FUZZ_WORK_DIR  where to build and keep the growing corpus (default: a
#                  new temporary folder, removed after a clean run)
#   CXX_FUZZ       the clang++ to use (default: clang++)
set -eu

seconds=${1:?usage: run_fuzz.sh <seconds>}
here=$(cd "$(dirname "$0")" && pwd)
src=$here/../../src
work=${FUZZ_WORK_DIR:-}
if [ -z "$work" ]; then
    work=$(mktemp -d)
    remove_after=yes
else
    remove_after=no
fi
mkdir -p "$work/corpus"
cp "$here"/corpus/* "$work/corpus/"

"${CXX_FUZZ:-clang++}" -std=c++20 -g -O1 \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -I "$src" \
    "$here/records_fuzz.cpp" \
    "$src/records/field_reader.cpp" \
    "$src/records/cp932.cpp" \
    "$src/records/high_score_table.cpp" \
    "$src/records/settings_format.cpp" \
    -o "$work/records_fuzz"

echo "fuzzing for $seconds s in $work"
"$work/records_fuzz" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$work/" "$work/corpus"

if [ "$remove_after" = yes ]; then
    rm -rf "$work"
fi
