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

# One Wine server for the build folder's prefix, kept for the whole run: a server that stops a
# few seconds after its last program can still be leaving when the next one starts, and that one
# then fails ("recvmsg: Connection reset by peer"). The build runs the test programs too, to list
# their cases. Wine's own background programs start with the first program and stay as long as
# the server: they are started here, on no output, or they would keep a test's output open and
# ctest waiting for it (scripts/wine-run.sh gives them a file of its own for stderr).
# A server that a Wine program of an earlier run started as it ended may hold the prefix: -p then
# ends at once, with status 2 and not a word. That server is ended and the start tried again, up
# to 5 times, each said.
prefix=(env WINEPREFIX="$PWD/build-windows/wine-prefix" WINEDEBUG=-all)
for attempt in 1 2 3 4 5; do
    "${prefix[@]}" /usr/lib/wine/wineserver -w
    started=0
    "${prefix[@]}" /usr/lib/wine/wineserver -p || started=$?
    [ "$started" -eq 0 ] && break
    if [ "$started" -ne 2 ] || [ "$attempt" -eq 5 ]; then
        echo "windows.sh: the Wine server did not start (status $started)" >&2
        exit 1
    fi
    echo "windows.sh: another Wine server holds the prefix; ending it and starting again ($((attempt + 1)) of 5)" >&2
    "${prefix[@]}" /usr/lib/wine/wineserver -k 2>/dev/null || true
done
trap '"${prefix[@]}" /usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
"${prefix[@]}" scripts/wine-run.sh wineboot </dev/null >/dev/null

cmake --build --preset windows -j "$jobs"
[ "${1:-build}" = test ] || exit 0

ctest --preset windows -j "$jobs"

# CLOAK_HOST_SDK_DIR: a folder laid out as the host's SDK is (include/bakkesmod/..., lib/),
# filled here with the stand-in host's headers and import library, and written in places as the
# published SDK writes its own:
# - tests/msvc_spellings.h: __pragma, _NODISCARD, included by a name with backslashes and
#   another letter case;
# - tests/sdk_as_published/: includes that only Microsoft's search finds (items/ names
#   "wrapperstructs.h" of wrappers/, items/dbs/ names "ProductPaintWrapper.h" of items/), each
#   reached from a header of the including folder as the SDK reaches it, and the explicit
#   instantiation of ArrayWrapper<wchar_t> made twice (a stand-in's own header is kept where it
#   has one).
# Only the plugin module is built; it must import the host's DLL, and its install step must put
# it into the plugins folder. It has no imgui_bm.zip, so the module is built without the settings
# page. (Copies keep their times, so an unchanged header rebuilds nothing.)
sdk=build-windows/host-sdk
plugins=build-windows/host-plugins
wrappers=$sdk/include/bakkesmod/wrappers
rm -rf "$sdk" "$plugins" && mkdir -p "$sdk/lib"
cp -a plugin/host/include "$sdk/include"
cp -a tests/msvc_spellings.h "$wrappers/MsvcSpellings.h"
printf '#include "..\\Wrappers\\msvcspellings.h"\n' >>"$sdk/include/bakkesmod/plugin/bakkesmodsdk.h"
cp -an tests/sdk_as_published/. "$sdk/include/"
printf 'template class ArrayWrapper<wchar_t>;\n' >>"$wrappers/arraywrapper.h"
printf '#include "%s"\n' items/LoadoutSetWrapper.h Engine/UnrealStringWrapper.h >>"$wrappers/includes.h"
printf '#include "dbs/PaintDatabaseWrapper.h"\n' >>"$wrappers/items/ItemsWrapper.h"
cp -a build-windows/libpluginsdk.dll.a "$sdk/lib/"
echo "-- the plugin module against the SDK folder $sdk"
cmake -S . -B build-windows/against-sdk -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCLOAK_HOST_SDK_DIR="$PWD/$sdk" \
    -DCLOAK_HOST_PLUGINS_DIR="$PWD/$plugins" >/dev/null
cmake --build build-windows/against-sdk -j "$jobs" >/dev/null
cmake --install build-windows/against-sdk >/dev/null
imports=$(x86_64-w64-mingw32-objdump -p "$plugins/CloakMyIdentity.dll")
grep -q 'DLL Name: pluginsdk.dll' <<<"$imports" || {
    echo "windows.sh: the module built against $sdk does not import pluginsdk.dll" >&2
    exit 1
}
