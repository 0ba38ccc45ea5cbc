#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build, the demo and the tests need and the
# machine lacks. Safe to run again: it asks apt only when something is missing.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    nlohmann-json3-dev libimgui-dev libfmt-dev
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    libglfw3-dev libgl-dev libgl1-mesa-dri libstb-dev xvfb xauth
    clang libclang-rt-dev valgrind binutils clang-format dpkg-dev
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
    $sudo_cmd apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
