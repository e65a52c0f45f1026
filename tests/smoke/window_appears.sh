#!/usr/bin/env bash
# Starts the real program under a real X server and waits for its window to appear.
set -euo pipefail
exe=$1
exec xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    "$0" &
    pid=$!
    if ! timeout 30 xdotool search --sync --onlyvisible --name "^Lexiquill$" >/dev/null; then
        echo "the Lexiquill window did not appear"; kill $pid; exit 1
    fi
    kill $pid
    echo "the Lexiquill window appeared"
' "$exe"
