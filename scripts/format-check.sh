#!/usr/bin/env bash
# Checks that the project's own C++ files are laid out as .clang-format says; changes nothing.
# Lists every file that differs (with clang-format's own notes) and fails if there is one.
#   format-check.sh [FILE...]   only these files (default: every tracked *.cpp, *.hpp and *.h)
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "format-check: clang-format is not installed" >&2; exit 1; }

if [ $# -gt 0 ]; then
    files=("$@")
else
    mapfile -t files < <(git ls-files '*.cpp' '*.hpp' '*.h')
fi
differing=()
for file in "${files[@]}"; do
    clang-format --style=file --dry-run -Werror "$file" 2>/dev/null || differing+=("$file")
done
if [ ${#differing[@]} -gt 0 ]; then
    printf 'format-check: not as .clang-format lays it out: %s\n' "${differing[@]}" >&2
    echo "format-check: see the changes with: clang-format --dry-run FILE" >&2
    exit 1
fi
echo "format-check: ${#files[@]} files as .clang-format lays them out"
