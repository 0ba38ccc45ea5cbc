#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the named sets need and the machine lacks. Safe to
# run again: it asks apt only when something is missing.
#   install-deps.sh [SET...]   demo, window, windows, checks; every set when none is named
#     demo      the Linux build (make demo, make bench), with what its tests link against
#     window    the demo's settings window without a display (xvfb-run)
#     windows   the MinGW-w64 build and Wine (make windows)
#     checks    clang and libFuzzer, Valgrind, clang-format, npm (make test, make fuzz)
set -euo pipefail

declare -A sets=(
    [demo]="build-essential cmake ninja-build pkg-config nlohmann-json3-dev libimgui-dev libfmt-dev
            libgtest-dev libgmock-dev googletest libbenchmark-dev libglfw3-dev libgl-dev libstb-dev"
    [window]="xvfb xauth libgl1-mesa-dri"
    [windows]="cmake ninja-build nlohmann-json3-dev libfmt-dev googletest dpkg-dev binutils
               g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64"
    [checks]="clang libclang-rt-dev valgrind binutils clang-format"
)
[ $# -gt 0 ] || set -- demo window windows checks

packages=()
for set in "$@"; do
    [ -n "${sets[$set]:-}" ] || { echo "install-deps: no set \"$set\" (${!sets[*]})" >&2; exit 2; }
    # A set is written over several lines: every line's packages count.
    read -r -d '' -a named <<<"${sets[$set]}" || true
    packages+=("${named[@]}")
done

missing=()
for p in $(printf '%s\n' "${packages[@]}" | sort -u); do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# The CI workflow's linter comes from npm (scripts/check-workflows.sh): the machine's own npm
# where Node.js came with one, Debian's otherwise.
if [[ " $* " == *" checks "* ]] && ! command -v npm >/dev/null; then
    missing+=(npm)
fi

if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
    $sudo_cmd apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
