#!/usr/bin/env bash
# Starts the real program under a real X server, makes one acronym, ticks it with
# Space and clicks "Save Results As Excel File". A stand-in "localc" first on the PATH
# notes how it was started, and LibreOffice Calc, headless, reads the workbook back.
set -euo pipefail
exe=$1
export SMOKE_LIB=$(dirname "$0")/lib.sh
exec bash "$(dirname "$0")/../support/with_xvfb.sh" bash -c '
    source "$SMOKE_LIB"
    exe=$0
    work=$(mktemp -d)
    trap "kill \$pid 2>/dev/null || true; rm -rf \"$work\"" EXIT
    mkdir -p "$work/bin" "$work/tmp"
    printf "#!/bin/sh\nprintf \"%%s|%%s|%%s\" \"\$1\" \"\$2\" \"\$3\" > \"%s/opened\"\n" "$work" >"$work/bin/localc"
    chmod +x "$work/bin/localc"

    TMPDIR="$work/tmp" PATH="$work/bin:$PATH" "$exe" &
    pid=$!
    win=$(timeout 30 xdotool search --sync --onlyvisible --name "^Lexiquill$" | head -n 1)
    click 120 2520 3840 400                       # Add Word(s)
    wait_until "[ \$(boxes) -eq 2 ]"
    xdotool type --delay 5 "portable network graphics"
    xdotool key Return
    wait_until "[ \$(boxes) -eq 1 ]"
    click 120 4335 7800 405                       # Start Generating
    wait_until "[ \$(boxes) -eq 2 ]"               # "Done."
    xdotool key Return
    wait_until "[ \$(boxes) -eq 1 ]"
    # The first row lies just below the header of the results list.
    xdotool mousemove --window "$win" 100 $(( (4830 + 405) / 15 )) click 1
    xdotool key space
    click 4080 7220 3840 405                      # Save Results As Excel File

    wait_until "[ -s \"$work/opened\" ]"
    IFS="|" read -r calc new workbook <"$work/opened" || true
    if [ "$calc $new" != "--calc -n" ] || [ ! -f "$workbook" ]; then
        echo "the spreadsheet application was not opened on a workbook: $(cat "$work/opened")"
        exit 1
    fi
    mode=$(stat -c %a "$(dirname "$workbook")")
    [ "$mode" = 700 ] || { echo "the workbook folder has mode $mode"; exit 1; }

    timeout 120 /usr/bin/libreoffice -env:UserInstallation="file://$work/profile" --headless \
        --convert-to "csv:Text - txt - csv (StarCalc):44,34,76" --outdir "$work/csv" "$workbook" \
        >/dev/null 2>&1
    csv=$(cat "$work/csv/"*.csv)
    expected=$(printf " Word(s),Result\nportable network graphics,P.N.G.")
    if [ "$csv" != "$expected" ]; then
        printf "LibreOffice Calc read:\n%s\n" "$csv"; exit 1
    fi
    echo "LibreOffice Calc read back the exported workbook \"$(basename "$workbook")\""
' "$exe"
