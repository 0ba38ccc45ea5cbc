#!/usr/bin/env bash
# scripts/install-deps.sh on a machine that has none of the packages, and on one that has them
# all: fake dpkg-query, apt-get, sudo and id on a PATH of their own, which holds no npm unless a
# case puts one there. apt-get writes down what it is asked, one call a line.
#   install_deps_test.sh SCRIPT
# The sets are read from the script's own declaration, but apart from the script's code: by the
# shell's word splitting, over every line of each set.
set -euo pipefail
script=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bin=$work/bin
mkdir "$bin"
for tool in sort grep; do ln -s "$(command -v "$tool")" "$bin/$tool"; done
cat >"$bin/dpkg-query" <<'EOF'
#!/bin/sh
[ -z "${HAS_EVERYTHING:-}" ] || printf 'install ok installed'
EOF
cat >"$bin/apt-get" <<'EOF'
#!/bin/sh
echo "$*" >>"$APT_LOG"
EOF
printf '#!/bin/sh\n"$@"\n' >"$bin/sudo"
printf '#!/bin/sh\necho 1000\n' >"$bin/id"
chmod +x "$bin"/*

declare -A sets
eval "$(sed -n '/^declare -A sets=(/,/^)/p' "$script")"
for set in demo window windows checks; do
    [ -n "${sets[$set]:-}" ] || { echo "FAIL: no set $set in $script"; exit 1; }
done

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# Runs the script with the arguments given; prints the packages apt-get install was asked for,
# one a line in the order asked, or "no apt" when apt was never called.
asked() {
    local log=$work/apt.log
    rm -f "$log"
    APT_LOG=$log PATH=$bin "$BASH" "$script" "$@" >/dev/null
    [ -f "$log" ] || { echo "no apt"; return; }
    local install
    install=$(grep '^install ' "$log") || { echo "apt without install"; return; }
    for word in $install; do
        [[ $word == install || $word == -* ]] || echo "$word"
    done
}

# The packages of the sets named, each once, sorted, plus any extra given after "--".
expected() {
    local words=()
    while [ $# -gt 0 ] && [ "$1" != -- ]; do
        # shellcheck disable=SC2206 # every line of a set, split into its words
        words+=(${sets[$1]})
        shift
    done
    [ $# -eq 0 ] || words+=("${@:2}")
    printf '%s\n' "${words[@]}" | sort -u
}

expect_asked() {
    local what=$1 want=$2 got repeated
    shift 2
    got=$(asked "$@")
    last_asked=$got
    repeated=$(sort <<<"$got" | uniq -d)
    [ -z "$repeated" ] || fail "$what: asked more than once: $repeated"
    if [ "$(sort -u <<<"$got")" != "$want" ]; then
        fail "$what: install-deps.sh $*"
        diff <(echo "$want") <(sort -u <<<"$got") | sed 's/^/    /' || true
    fi
}

# A bare machine without npm: each set alone, then every set at once (no names).
expect_asked "demo" "$(expected demo)" demo
# The Windows build's tools belong to the windows set alone.
windows_tools=$(grep -E 'mingw|wine' <<<"$last_asked" || true)
[ -z "$windows_tools" ] || fail "demo asks for Windows tools: $windows_tools"
expect_asked "window" "$(expected window)" window
expect_asked "windows" "$(expected windows)" windows
expect_asked "checks, and npm for the workflow linter" "$(expected checks -- npm)" checks
expect_asked "every set" "$(expected demo window windows checks -- npm)"
# The sets' second lines hold what the builds cannot do without.
for package in libglfw3-dev libgtest-dev g++-mingw-w64-x86-64-posix wine64; do
    grep -qx -- "$package" <<<"$last_asked" || fail "$package never asked for"
done

# A machine that has every package and npm asks apt nothing; one without npm only for npm.
ln -s /bin/true "$bin/npm"
HAS_EVERYTHING=1 expect_asked "a machine with everything" "no apt"
rm "$bin/npm"
HAS_EVERYTHING=1 expect_asked "everything but npm" "npm" checks
HAS_EVERYTHING=1 expect_asked "everything but npm, demo only" "no apt" demo

if [ "$failures" -gt 0 ]; then
    echo "install_deps_test: $failures failed"
    exit 1
fi
echo "install_deps_test: every case passed"
