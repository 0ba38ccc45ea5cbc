#!/usr/bin/env bash
# Runs the demo under Valgrind memcheck and fails on any memory error or any block definitely
# lost. Three runs cover the three ways a load meets its settings file: none yet, the file the
# previous run wrote, and a file that cannot be used (set aside, defaults written back).
#   memcheck.sh [BUILD_DIR]   the build holding cloak-demo (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
demo=$build/cloak-demo
[ -x "$demo" ] || { echo "memcheck: $demo is not built" >&2; exit 1; }

data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT

run() {
    echo "-- memcheck: $1"
    valgrind --quiet --error-exitcode=99 --leak-check=full --show-leak-kinds=definite \
        --errors-for-leak-kinds=definite --track-origins=yes \
        "$demo" --data-dir "$data" >"$data/output.txt" 2>&1 || {
        cat "$data/output.txt"
        echo "memcheck: the demo failed under Valgrind ($1)" >&2
        exit 1
    }
}

run "no settings file"
run "the settings file of the previous run"
printf '{ "bShowNames": tru' >"$data/CloakMyIdentity/settings.json"
run "an unusable settings file"
echo "memcheck: clean"
