#!/usr/bin/env bash
# Mnemonic mode in the real program under a real X server, driven with the mouse and
# keyboard: Load Sample/Example Words, Start Generating, then every result row ticked
# and copied to the clipboard, read back by xclip. With nothing listening at the
# program's service address, the run must start the service inside the program.
set -euo pipefail
exe=$1
# A port of the test's own, free when it starts, where nothing answers at first.
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
address=http://127.0.0.1:$port
export LEXIQUILL_SERVICE_URL=$address
export SMOKE_LIB=$(dirname "$0")/lib.sh
exec bash "$(dirname "$0")/../support/with_xvfb.sh" bash -c '
    source "$SMOKE_LIB"
    exe=$0 address=$1
    if curl -s -o /dev/null --max-time 2 "$address/healthz"; then
        echo "note: something already answers at $address; the run uses it"
    fi

    "$exe" &
    pid=$!
    trap "kill \$pid 2>/dev/null || true" EXIT
    win=$(timeout 30 xdotool search --sync --onlyvisible --name "^Lexiquill$" | head -n 1)
    click 4080 3030 3840 405                      # Load Sample/Example Words
    click 120 4335 7800 405                       # Start Generating
    wait_until "no_error_report; [ \$(boxes) -eq 2 ]"   # "Done."
    xdotool key Return
    wait_until "[ \$(boxes) -eq 1 ]"

    # Tick all 18 rows: the first lies just below the header of the results list.
    xdotool mousemove --window "$win" 100 $(( (4830 + 405) / 15 )) click 1
    keys=()
    for _ in $(seq 18); do keys+=(space Down); done
    xdotool key "${keys[@]}"
    click 120 7730 3840 405                       # Copy Results To Clipboard
    wait_until "no_error_report; [ \$(boxes) -eq 2 ]"
    rows=$(xclip -o -selection clipboard | tr -d "\r")
    xdotool key Return

    phrases=$(cut -f1 <<<"$rows" | sort | uniq -c | tr -s " " | paste -sd ";")
    initials=$(cut -f2 <<<"$rows" | cut -c1 | paste -sd "")
    if [ "$phrases" != " 9 ella marsh; 9 john smith" ] || [ "$initials" != JOHNSMITHELLAMARSH ]; then
        echo "the results are not one word per letter of the samples:"; echo "$rows"; exit 1
    fi
    echo "one row per letter: $initials"

    page=$(curl -s --max-time 5 "$address/mnemonics/?w=cat" || true)
    [ "$(grep -o "<big>" <<<"$page" | wc -l)" -eq 3 ] || {
        echo "nothing serves mnemonic words at $address: $page"; exit 1; }
    echo "the mnemonic service answers at $address while the program runs"
' "$exe" "$address"
