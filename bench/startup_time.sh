#!/usr/bin/env bash
# How long the window takes to appear: wall time from launching the program until
# its window is visible on the X server, five times, then the median.
#
#   bench/startup_time.sh path/to/lexiquill
#
# The X server is started once, before any timing, and each launch is timed inside
# that session, so that the server's own start-up is never counted.
set -euo pipefail

runs=5
timeout_ms=30000

usage() {
    echo "usage: $0 path/to/lexiquill" >&2
    exit 2
}

now_us() {
    # EPOCHREALTIME costs no process, unlike date.
    local t=${EPOCHREALTIME/[.,]/}
    echo $((10#$t))
}

window_visible() {
    xdotool search --onlyvisible --name Lexiquill >/dev/null 2>&1
}

time_one_launch() {
    local exe=$1 start pid elapsed_ms
    start=$(now_us)
    "$exe" >/dev/null 2>&1 &
    pid=$!
    # xdotool's own --sync sleeps half a second between searches, which would round
    # every figure up to a multiple of 500 ms; searching back to back instead costs
    # some 20 ms a search.
    until window_visible; do
        if ! kill -0 "$pid" 2>/dev/null; then
            echo "$exe exited before its window appeared" >&2
            return 1
        fi
        if (( ($(now_us) - start) / 1000 > timeout_ms )); then
            echo "no visible Lexiquill window after $((timeout_ms / 1000)) s" >&2
            kill "$pid" 2>/dev/null || true
            wait "$pid" 2>/dev/null || true
            return 1
        fi
    done
    elapsed_ms=$(( ($(now_us) - start) / 1000 ))
    kill "$pid"
    # The next launch must not share the server with this one.
    wait "$pid" 2>/dev/null || true
    echo "$elapsed_ms"
}

inner() {
    local exe=$1 i ms
    local -a times=()
    # A platform forced elsewhere would never show a window on this server.
    unset QT_QPA_PLATFORM
    for ((i = 1; i <= runs; i++)); do
        ms=$(time_one_launch "$exe")
        echo "window shown after $ms ms"
        times+=("$ms")
    done
    local -a sorted
    mapfile -t sorted < <(printf '%s\n' "${times[@]}" | sort -n)
    echo "median: ${sorted[runs / 2]} ms"
}

if [[ ${1:-} == --inner ]]; then
    shift
    inner "$@"
    exit
fi

[[ $# -eq 1 ]] || usage
exe=$(realpath -- "$1") || usage
[[ -x $exe && -f $exe ]] || { echo "not an executable: $1" >&2; exit 2; }
for tool in xvfb-run xdotool; do
    command -v "$tool" >/dev/null || { echo "$tool is required" >&2; exit 2; }
done

# Without -noreset the server resets whenever its last client leaves, and each
# search above is a client: a launch that connects during a reset fails at once.
exec xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash "$(realpath -- "$0")" --inner "$exe"
