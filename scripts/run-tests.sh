#!/usr/bin/env bash
# Every test: the plain build, the demo under Valgrind memcheck, then the same tests built with
# AddressSanitizer and UndefinedBehaviorSanitizer, the threaded settings-page test under
# ThreadSanitizer, and a bounded run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-2}

# Every ctest summary is kept, so the run can close on one line that counts all of them.
summaries=$(mktemp)
ctest_output=$(mktemp)
trap 'rm -f "$summaries" "$ctest_output"' EXIT
count_ctest() {
    tee "$ctest_output"
    grep -E 'tests passed, [0-9]+ tests failed out of' "$ctest_output" >>"$summaries" || true
}

run_suite() {
    local dir=$1; shift
    cmake -S . -B "$dir" "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
    ctest --test-dir "$dir" --output-on-failure -j "$jobs" 2>&1 | count_ctest
}

echo "== tests (plain build)"
run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo

echo "== demo under Valgrind memcheck"
bash scripts/memcheck.sh build

echo "== tests (AddressSanitizer + UndefinedBehaviorSanitizer)"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DCLOAK_SANITIZE=ON

# Only the program that runs the settings page and the game thread together: the rest of the
# suite is single-threaded, and a full ThreadSanitizer build would double the run's time.
echo "== settings page and game thread together (ThreadSanitizer)"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCLOAK_TSAN=ON >/dev/null
cmake --build build-tsan -j "$jobs" --target page_threads_test
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
    ctest --test-dir build-tsan --output-on-failure -R '^(PageThreadsTest|SettingsSaves)\.' 2>&1 |
    count_ctest

echo "== fuzz targets (bounded run from the seed corpus)"
FUZZ_SECONDS=${FUZZ_SECONDS:-20} bash scripts/fuzz.sh

# Reached only when every stage passed (set -e): the test cases of all ctest runs together.
passed=$(awk '{ total += $NF } END { print total + 0 }' "$summaries")
echo "tests: ${passed} passed, 0 failed"
