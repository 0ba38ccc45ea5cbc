#!/usr/bin/env bash
# Dear ImGui's sources for the Windows build, from Debian's source package "imgui" (the same
# version as libimgui-dev, which the Linux build links). They are unpacked once into
# .cache/imgui-<version>/ at the top of the tree, which no clean rebuild deletes; once there,
# nothing is fetched again and the build works offline.
#
# apt runs on private state: a sources list made here from the machine's own package sources
# (each "deb" entry read as "deb-src"), its own lists and cache folders in a temporary folder.
# Nothing under /etc/apt changes, and an ordinary user can run it.
#   imgui-source.sh    prints the folder holding imgui.h
set -euo pipefail
cd "$(dirname "$0")/.."

version=1.86
version_num=18600
dest=.cache/imgui-$version

check_version() {
    grep -q "^#define IMGUI_VERSION_NUM *$version_num\$" "$1/imgui.h" || {
        echo "imgui-source.sh: $1/imgui.h is not Dear ImGui $version (IMGUI_VERSION_NUM" \
             "$version_num)" >&2
        return 1
    }
}

if [ -f "$dest/imgui.h" ]; then
    check_version "$dest"
    echo "$PWD/$dest"
    exit 0
fi

cannot() {
    echo "imgui-source.sh: cannot get Debian's source package imgui $version: $*" >&2
    echo "imgui-source.sh: the Windows build needs it; alternatively unpack Dear ImGui $version" \
         "(imgui.h, imgui*.cpp, imstb_*.h) into $PWD/$dest" >&2
    exit 1
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/parts" "$work/lists/partial" "$work/cache/archives/partial" "$work/download"
: >"$work/sources.list"
shopt -s nullglob
for list in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$list" ] && sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$list" >>"$work/sources.list"
done
for sources in /etc/apt/sources.list.d/*.sources; do
    sed 's/^Types:.*/Types: deb-src/' "$sources" >"$work/parts/$(basename "$sources")"
done
apt=(apt-get -q
     -o Dir::Etc::SourceList="$work/sources.list" -o Dir::Etc::SourceParts="$work/parts"
     -o Dir::State::Lists="$work/lists" -o Dir::Cache="$work/cache"
     -o APT::Sandbox::User="$(id -un)" -o Debug::NoLocking=1)

echo "-- fetching Debian's source package imgui (once, into $dest)" >&2
# A package source that offers no sources only warns; the fetch below decides.
"${apt[@]}" update >"$work/update.log" 2>&1 || true
(cd "$work/download" && "${apt[@]}" source --download-only imgui \
    >"$work/source.log" 2>&1) || cannot "$(tail -n 3 "$work/source.log" "$work/update.log")"

tarballs=("$work"/download/imgui_"$version"*.orig.tar.*)
[ ${#tarballs[@]} -eq 1 ] || cannot "no original tarball among: $(ls "$work/download")"
mkdir -p "$work/unpacked"
tar -xf "${tarballs[0]}" -C "$work/unpacked" --strip-components=1
check_version "$work/unpacked"
mkdir -p "$(dirname "$dest")"
rm -rf "$dest"
mv "$work/unpacked" "$dest"
echo "$PWD/$dest"
