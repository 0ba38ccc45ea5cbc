#!/usr/bin/env bash
# Runs a Windows program under Wine: the Windows build's CMAKE_CROSSCOMPILING_EMULATOR (ctest, and
# the listing of each test program's cases, start every program through it) and the Wine start-up
# of scripts/windows.sh.
#   wine-run.sh PROGRAM [ARGUMENT...]   (WINEPREFIX and the like come from the environment)
# A start that Wine itself refuses - the program never ran, and Wine says why on stderr: its
# server could not be reached, or did not see the new process through its start-up, as happens
# to a busy server, or the new process found the fixed address of the system's shared page taken
# ("failed to map the shared user data": Debian's Wine has no preloader, which would reserve that
# address before anything else is mapped, so now and then a start meets it taken) - is tried again,
# up to 5 times in all, each retry said on stderr. Anything
# else, the program's own failures included, passes through as it is: output and exit status.
# A program that fails is named on stderr with its exit status, after what Wine printed there,
# so that a failed test case says why even when the program itself printed nothing.
set -uo pipefail

attempts=5
refusals='wine: failed to start|wine: failed to load start\.exe|wine: failed to map the shared user data|wine client error|cannot connect to it|wine server never started|wine server failed to run|could not exec wineserver'

errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
for ((attempt = 1; ; attempt++)); do
    /usr/lib/wine/wine64 "$@" 2>"$errors"
    status=$?
    cat "$errors" >&2
    [ "$status" -eq 0 ] && exit 0
    refused=$(grep -E -m1 "$refusals" "$errors")
    if [ -z "$refused" ] || [ "$attempt" -ge "$attempts" ]; then
        # Wine exits with the low 8 bits of the Windows exit code (0xC0000005 becomes 5).
        echo "wine-run: $1 ended with exit status $status" >&2
        exit "$status"
    fi
    echo "wine-run: Wine did not start $1 ($refused); trying again ($((attempt + 1)) of $attempts)" >&2
    sleep "$attempt"
done
