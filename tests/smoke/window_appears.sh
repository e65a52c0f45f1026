#!/usr/bin/env bash
# Starts the real program under a real X server: its window appears, and an error
# report at start-up carries exactly the title "Application Error" as the window
# system reads it.
set -euo pipefail
exe=$1
export SMOKE_LIB=$(dirname "$0")/lib.sh
exec bash "$(dirname "$0")/../support/with_xvfb.sh" bash -c '
    source "$SMOKE_LIB"
    exe=$0

    "$exe" &
    pid=$!
    if ! timeout 30 xdotool search --sync --onlyvisible --name "^Lexiquill$" >/dev/null; then
        echo "the Lexiquill window did not appear"; kill $pid; exit 1
    fi
    kill $pid
    echo "the Lexiquill window appeared"

    # A hand cursor file that is no cursor makes start-up report an error.
    folder=$(mktemp -d)
    trap "rm -rf \"$folder\"" EXIT
    cp "$exe" "$folder/"
    echo "not a cursor" >"$folder/HAND-M.CUR"
    "$folder/$(basename "$exe")" &
    pid=$!
    box=$(timeout 30 xdotool search --sync --onlyvisible --name "Application Error" | head -n 1)
    title=$(xprop -id "$box" _NET_WM_NAME)
    kill $pid
    if [ "$title" != "_NET_WM_NAME(UTF8_STRING) = \"Application Error\"" ]; then
        echo "the error report is titled: $title"; exit 1
    fi
    echo "the error report is titled Application Error"
' "$exe"
