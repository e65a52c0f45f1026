#!/usr/bin/env bash
# Both exports in the real program under a real X server, driven with the mouse and
# keyboard as a person would: two phrases typed in, generated, ticked with Space;
# the clipboard read by xclip while the program runs, and the text file saved
# through the real save dialog, byte for byte.
set -euo pipefail
exe=$1
export SMOKE_LIB=$(dirname "$0")/lib.sh
exec bash "$(dirname "$0")/../support/with_xvfb.sh" bash -c '
    source "$SMOKE_LIB"
    exe=$0
    folder=$(mktemp -d)
    trap "kill \$pid 2>/dev/null || true; rm -rf \"$folder\"" EXIT

    add_phrase() {
        click 120 2520 3840 400
        wait_for_box
        xdotool type --delay 5 "$1"
        xdotool key Return
        wait_until "[ \$(boxes) -eq 1 ]"
    }

    "$exe" &
    pid=$!
    win=$(timeout 30 xdotool search --sync --onlyvisible --name "^Lexiquill$" | head -n 1)
    add_phrase "portable network graphics"
    add_phrase "as soon as possible"
    click 120 4335 7800 405                       # Start Generating
    wait_for_box                                  # "Done."
    xdotool key Return
    wait_until "[ \$(boxes) -eq 1 ]"

    # Tick both rows: the first row lies just below the header of the results list.
    xdotool mousemove --window "$win" 100 $(( (4830 + 405) / 15 )) click 1
    xdotool key space Down space

    click 120 7730 3840 405                       # Copy Results To Clipboard
    wait_for_box
    printf "portable network graphics\tP.N.G.\r\nas soon as possible      \tA.S.A.P.\r\n" >"$folder/clipboard.expected"
    xclip -o -selection clipboard >"$folder/clipboard.actual"
    xdotool key Return
    wait_until "[ \$(boxes) -eq 1 ]"
    if ! cmp "$folder/clipboard.expected" "$folder/clipboard.actual"; then
        echo "the clipboard holds:"; od -c "$folder/clipboard.actual"; exit 1
    fi
    echo "the clipboard holds the ticked rows"

    click 120 7220 3840 405                       # Save Results To Text File
    save=$(timeout 30 xdotool search --sync --onlyvisible --name "^Save$" | head -n 1)
    wait_until "[ \"\$(xdotool getwindowfocus 2>/dev/null)\" = \"$save\" ]"
    sleep 0.5
    xdotool type --delay 5 "$folder/results"
    xdotool key Return
    wait_until "[ -s \"$folder/results\" ]"
    printf " Word(s)                 \tResult  \t\r\nportable network graphics\tP.N.G.  \t\r\nas soon as possible      \tA.S.A.P.\t\r\n" >"$folder/file.expected"
    wait_until "cmp -s \"$folder/file.expected\" \"$folder/results\" || ! kill -0 $pid"
    if ! cmp "$folder/file.expected" "$folder/results"; then
        echo "the text file holds:"; od -c "$folder/results"; exit 1
    fi
    echo "the text file holds the header and the ticked rows"
' "$exe"
