#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer and runs each for a bounded time, starting from
# the seed corpus in tests/fuzz/corpus/<target>/. Findings are written to fuzz-out/.
#   FUZZ_SECONDS  time per target (default 60)
#   JOBS          compile jobs (default 2)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "${JOBS:-2}" --target $(cd tests/fuzz && ls *_fuzz.cpp | sed 's/\.cpp$//')

mkdir -p fuzz-out
for source in tests/fuzz/*_fuzz.cpp; do
    name=$(basename "$source" .cpp)
    target=${name%_fuzz}
    work=fuzz-out/$target
    mkdir -p "$work/corpus"
    cp -n tests/fuzz/corpus/"$target"/* "$work/corpus/" 2>/dev/null || true
    echo "== fuzzing $target for ${seconds}s"
    # A hang is a finding too: no single input may take longer than ten seconds.
    ASAN_OPTIONS=detect_leaks=1 ./build-fuzz/"$name" -max_total_time="$seconds" -timeout=10 \
        -print_final_stats=1 -artifact_prefix="$work/" "$work/corpus" 2>&1 | tail -n 12
done
