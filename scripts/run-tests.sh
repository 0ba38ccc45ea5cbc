#!/usr/bin/env bash
# Every test: the layout check of the C++ files, the check of the CI workflow, the plain build,
# the demo under Valgrind memcheck, then the same tests built with AddressSanitizer and
# UndefinedBehaviorSanitizer, the threaded settings-page test under ThreadSanitizer, a bounded run
# of every fuzz target, and the Windows build's tests under Wine.
# Each build is a preset of CMakePresets.json.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-2}

# Every ctest summary is kept, so the run can close on one line that counts all of them; and the
# ten slowest tests of each stage, shown at the end, so that a test creeping towards its timeout
# shows before a loaded machine makes it fail (a failed run shows those of the stages it ran).
summaries=$(mktemp)
ctest_output=$(mktemp)
slowest=$(mktemp)
finish() {
    local status=$?
    [ "$status" -eq 0 ] || cat "$slowest"
    rm -f "$summaries" "$ctest_output" "$slowest"
}
trap finish EXIT
count_ctest() {
    tee "$ctest_output"
    grep -E 'tests passed, [0-9]+ tests failed out of' "$ctest_output" >>"$summaries" || true
    {
        echo "slowest tests, $stage_name:"
        sed -nE 's/^ *[0-9]+\/[0-9]+ Test +#[0-9]+: ([^ ]+) .* ([0-9.]+) sec$/\2 \1/p' "$ctest_output" |
            sort -rn | awk 'NR <= 10 { printf "%9.2fs  %s\n", $1, $2 }'
    } >>"$slowest"
}

# The seconds each stage took, printed at the end.
stage_times=()
stage_started=$SECONDS
stage() {
    [ -n "${stage_name:-}" ] && stage_times+=("$(printf '%5ds  %s' $((SECONDS - stage_started)) "$stage_name")")
    stage_name=$1
    stage_started=$SECONDS
    echo "== $1"
}

run_suite() {
    local preset=$1
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
    ctest --preset "$preset" -j "$jobs" 2>&1 | count_ctest
}

stage "layout of the C++ files (clang-format)"
bash scripts/format-check.sh

# The CI workflow for a Windows runner cannot run here: its syntax and what it names are checked.
stage "CI workflow (actionlint and its references)"
bash scripts/check-workflows.sh

stage "tests (plain build)"
run_suite plain

stage "demo under Valgrind memcheck"
bash scripts/memcheck.sh build

stage "tests (AddressSanitizer + UndefinedBehaviorSanitizer)"
run_suite asan

# Only the program that runs the settings page and the game thread together: the rest of the
# suite is single-threaded, and a full ThreadSanitizer build would double the run's time.
stage "settings page and game thread together (ThreadSanitizer)"
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$jobs" --target page_threads_test
ctest --preset tsan -R '^(PageThreadsTest|SettingsSaves)\.' 2>&1 | count_ctest

stage "fuzz targets (bounded run from the seed corpus)"
FUZZ_SECONDS=${FUZZ_SECONDS:-20} JOBS=$jobs bash scripts/fuzz.sh

stage "Windows build, tests under Wine"
JOBS=$jobs bash scripts/windows.sh test 2>&1 | count_ctest

stage "done"
printf '%s\n' "${stage_times[@]}"
cat "$slowest"
# Reached only when every stage passed (set -e): the test cases of all ctest runs together.
passed=$(awk '{ total += $NF } END { print total + 0 }' "$summaries")
echo "tests: ${passed} passed, 0 failed"
