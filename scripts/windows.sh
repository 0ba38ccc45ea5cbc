#!/usr/bin/env bash
# The Windows x64 build (MinGW-w64) in build-windows/, and its tests under Wine.
#   windows.sh build   configure and build (the windows preset of CMakePresets.json)
#   windows.sh test    build, run every test under Wine, then build the plugin module alone
#                      against a host SDK folder, as the build for the real host does
#   JOBS               compile and test jobs (default 2)
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-2}

cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"
[ "${1:-build}" = test ] || exit 0

ctest --preset windows -j "$jobs"

# CLOAK_HOST_SDK_DIR: a folder laid out as the real host's SDK is expected, filled here with the
# stand-in host's headers and import library. Only the plugin module is built, and it must import
# the host's DLL.
sdk=build-windows/host-sdk
rm -rf "$sdk" && mkdir -p "$sdk/include/plugin" "$sdk/lib"
cp -r plugin/host "$sdk/include/plugin/"
cp build-windows/libpluginsdk.dll.a "$sdk/lib/"
echo "-- the plugin module against the SDK folder $sdk"
cmake -S . -B build-windows/against-sdk -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCLOAK_HOST_SDK_DIR="$PWD/$sdk" >/dev/null
cmake --build build-windows/against-sdk -j "$jobs" >/dev/null
imports=$(x86_64-w64-mingw32-objdump -p build-windows/against-sdk/CloakMyIdentity.dll)
grep -q 'DLL Name: pluginsdk.dll' <<<"$imports" || {
    echo "windows.sh: the module built against $sdk does not import pluginsdk.dll" >&2
    exit 1
}
