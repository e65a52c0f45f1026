# What the smoke scripts share, sourced under the X server of with_xvfb.sh. Controls are
# given as in the window's layout: left, top, width and height in twips; $win is the
# main window once the script has found it.
set -euo pipefail
trap 'echo "failed at line $LINENO: $BASH_COMMAND"' ERR
# Whatever the caller set: these tests are about the real X11 window.
export QT_QPA_PLATFORM=xcb

# Windows titled Lexiquill: the main window, and a message or prompt over it.
boxes() { xdotool search --onlyvisible --name "^Lexiquill$" 2>/dev/null | wc -l; }
# Generous: the sanitizer build on a busy machine is slow to open a dialog.
wait_until() {
    for _ in $(seq 600); do eval "$1" && return 0; sleep 0.05; done
    echo "timed out waiting for: $1"; exit 1
}
# A prompt or message over the main window has the keyboard focus: keys typed before
# then would go nowhere.
box_has_focus() {
    local focus
    focus=$(xdotool getwindowfocus 2>/dev/null) || return 1
    [ "$focus" != "$win" ] && xdotool search --onlyvisible --name "^Lexiquill$" | grep -qx "$focus"
}
wait_for_box() { wait_until "[ \$(boxes) -eq 2 ]"; wait_until box_has_focus; }
# Clicks the centre of a control.
click() {
    xdotool mousemove --window "$win" $((($1 + $3 / 2) / 15)) $((($2 + $4 / 2) / 15)) click 1
}
no_error_report() {
    if xdotool search --onlyvisible --name "^Application Error" >/dev/null 2>&1; then
        echo "the program showed an error report"; exit 1
    fi
}
