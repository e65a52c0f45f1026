#!/usr/bin/env bash
# Runs a command under an X server of its own. Xvfb picks a free display number and
# says which (-displayfd), so tests started side by side never race for one, as
# xvfb-run -a can. Says why when the server or the command fails.
set -uo pipefail
dir=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dir/display" 2>"$dir/xvfb.log" &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null; rm -rf "$dir"' EXIT
for _ in $(seq 200); do
    [ -s "$dir/display" ] && break
    kill -0 $xvfb 2>/dev/null || break
    sleep 0.05
done
if [ ! -s "$dir/display" ]; then
    echo "Xvfb did not start; its log:"
    cat "$dir/xvfb.log"
    exit 1
fi
export DISPLAY=:$(head -n 1 "$dir/display")
"$@"
status=$?
[ $status -eq 0 ] || echo "$1 failed with status $status on display $DISPLAY"
exit $status
