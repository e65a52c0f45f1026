#!/usr/bin/env bash
# Starts the real program under a real X server, makes one acronym, ticks it and
# clicks "Save Results As Excel File". A stand-in "localc" first on the PATH notes the
# workbook it is given, and LibreOffice Calc, headless, reads that workbook back.
set -euo pipefail
exe=$1
exec xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    set -euo pipefail
    export QT_QPA_PLATFORM=xcb
    exe=$0
    work=$(mktemp -d)
    trap "kill \$pid 2>/dev/null || true; rm -rf \"$work\"" EXIT
    mkdir -p "$work/bin" "$work/tmp"
    printf "#!/bin/sh\nprintf \"%%s|%%s|%%s\" \"\$1\" \"\$2\" \"\$3\" > \"%s/opened\"\n" "$work" >"$work/bin/localc"
    chmod +x "$work/bin/localc"

    TMPDIR="$work/tmp" PATH="$work/bin:$PATH" "$exe" &
    pid=$!
    window=$(timeout 30 xdotool search --sync --onlyvisible --name "^Lexiquill$" | head -n 1)
    # Positions in pixels inside the window, from the twips of the layout.
    click() { xdotool mousemove --window "$window" "$1" "$2" click 1; sleep 0.5; }

    click 136 181                                  # Add Word(s)
    xdotool type --delay 10 "portable network graphics"
    xdotool key Return; sleep 0.5
    click 268 302                                  # Start Generating
    xdotool key Return; sleep 0.5                  # closes "Done."
    click 100 360                                  # the first result row
    xdotool key space; sleep 0.5                   # ticks it
    click 400 495                                  # Save Results As Excel File

    for _ in $(seq 100); do [ -s "$work/opened" ] && break; sleep 0.2; done
    IFS="|" read -r calc new workbook <"$work/opened" || true
    if [ "$calc $new" != "--calc -n" ] || [ ! -f "$workbook" ]; then
        echo "the spreadsheet application was not opened on a workbook: $(cat "$work/opened" 2>/dev/null)"
        exit 1
    fi
    mode=$(stat -c %a "$(dirname "$workbook")")
    [ "$mode" = 700 ] || { echo "the workbook folder has mode $mode"; exit 1; }

    timeout 120 /usr/bin/libreoffice -env:UserInstallation="file://$work/profile" --headless \
        --convert-to "csv:Text - txt - csv (StarCalc):44,34,76" --outdir "$work/csv" "$workbook" >/dev/null 2>&1
    csv=$(cat "$work/csv/"*.csv)
    expected=$(printf " Word(s),Result\nportable network graphics,P.N.G.")
    if [ "$csv" != "$expected" ]; then
        printf "LibreOffice Calc read:\n%s\n" "$csv"; exit 1
    fi
    echo "LibreOffice Calc read back the exported workbook: $(basename "$workbook")"
' "$exe"
