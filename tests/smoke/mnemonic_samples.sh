#!/usr/bin/env bash
# Starts the real program under a real X server, loads the sample phrases and starts a
# Mnemonic run. With nothing listening at the program's service address, the run must
# start the service inside the program and end with its "Done." box, no error report.
set -euo pipefail
exe=$1
address=${2:-http://127.0.0.1:47800}
exec xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    set -euo pipefail
    exe=$0 address=$1
    if curl -s -o /dev/null --max-time 2 "$address/healthz"; then
        echo "something already answers at $address; the run would use it"
    fi
    "$exe" &
    pid=$!
    trap "kill $pid 2>/dev/null || true" EXIT
    window=$(timeout 30 xdotool search --sync --onlyvisible --name "^Lexiquill$" | head -n 1)
    # Button centres in pixels: Load Sample/Example Words, then Start Generating.
    xdotool mousemove --window "$window" 400 215 click 1
    sleep 0.5
    xdotool mousemove --window "$window" 268 302 click 1
    boxes=0
    for _ in $(seq 1 150); do
        if xdotool search --onlyvisible --name "^Application Error" >/dev/null 2>&1; then
            echo "the run showed an error report"; exit 1
        fi
        # The "Done." box carries the program title too.
        boxes=$(xdotool search --onlyvisible --name "^Lexiquill$" 2>/dev/null | wc -l)
        [ "$boxes" -ge 2 ] && break
        sleep 0.2
    done
    [ "$boxes" -ge 2 ] || { echo "the run did not end with a message"; exit 1; }
    page=$(curl -s --max-time 5 "$address/mnemonics/?w=cat" || true)
    words=$(grep -o "<big>" <<<"$page" | wc -l)
    [ "$words" -eq 3 ] || { echo "nothing serves mnemonic words at $address: $page"; exit 1; }
    echo "the Mnemonic run ended with a message, and the service answers at $address"
' "$exe" "$address"
