#!/usr/bin/env bash
# Builds the Debian package from a build folder, unpacks it into a scratch root and
# checks it with the tools Debian checks packages with; then runs the unpacked programs,
# the window under a real X server until it appears.
#   package_checks.sh <source folder> <build folder>
set -euo pipefail
root=$1 build=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

deb=$(bash "$root/scripts/package.sh" "$build" 2>"$scratch/package.log") ||
    { cat "$scratch/package.log"; exit 1; }
dpkg-deb -x "$deb" "$scratch/root"
usr=$scratch/root/usr
version=$(dpkg-deb -f "$deb" Version)

echo "== lintian (errors fail; warnings and notes are listed)"
lintian --fail-on error --display-info "$deb" 2>&1 | { grep -v "running with root privileges" || true; }

echo "== desktop entry, AppStream metainfo, manual pages"
desktop-file-validate "$usr"/share/applications/*.desktop
# The tree: the metainfo and the desktop entry it launches, checked together.
appstreamcli validate-tree --no-net "$scratch/root"
for page in "$usr"/share/man/man1/*.1.gz; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || { echo "$page: $warnings"; exit 1; }
done

echo "== systemd unit"
unit=$usr/lib/systemd/system/lexiquill-mnemonic-service.service
if ! command -v systemd-analyze >/dev/null; then
    echo "skipped: systemd-analyze is not installed"
else
    # The unit names the service by its bare name, which systemd finds in /usr/bin once
    # installed; here it is pointed at the unpacked copy and its manual page.
    sed "s|^ExecStart=lexiquill-mnemonic-service|ExecStart=$usr/bin/lexiquill-mnemonic-service|" \
        "$unit" >"$scratch/$(basename "$unit")"
    # It reports unknown keys and the like, but exits 0 for them.
    complaints=$(MANPATH=$usr/share/man systemd-analyze verify "$scratch/$(basename "$unit")" 2>&1) &&
        [ -z "$complaints" ] || { echo "$complaints"; exit 1; }
    echo "accepted"
fi

echo "== --version and a wrong option to the unpacked programs, without a display"
for program in lexiquill lexiquill-mnemonic-service; do
    answer=$(env -u DISPLAY -u WAYLAND_DISPLAY "$usr/bin/$program" --version)
    [ "$answer" = "$program $version" ] || { echo "$program --version says: $answer"; exit 1; }
    echo "$answer"
    env -u DISPLAY -u WAYLAND_DISPLAY "$usr/bin/$program" --no-such-option && status=0 || status=$?
    [ "$status" = 2 ] || { echo "$program --no-such-option ended with status $status"; exit 1; }
done

echo "== the unpacked command line without a display, and its completion"
answer=$(printf 'portable network graphics\n' |
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$usr/bin/lexiquill" --acronyms)
[ "$answer" = $'portable network graphics\tP.N.G.' ] || { echo "--acronyms says: $answer"; exit 1; }
completion=$usr/share/bash-completion/completions/lexiquill
bash -n "$completion" && grep -q -- "--acrostic" "$completion" || { echo "no completion"; exit 1; }
echo "$answer"

echo "== the unpacked window under Xvfb"
usr=$usr log=$scratch/lexiquill.log bash "$root/tests/support/with_xvfb.sh" bash -c '
    export QT_QPA_PLATFORM=xcb
    (cd / && exec "$usr/bin/lexiquill") >"$log" 2>&1 &
    pid=$!
    trap "kill $pid 2>/dev/null" EXIT
    if ! timeout 30 xdotool search --sync --onlyvisible --name "^Lexiquill$" >/dev/null; then
        if kill -0 $pid 2>/dev/null; then
            echo "no Lexiquill window within 30 s; the program still runs. Its output:"
        else
            wait $pid && status=0 || status=$?
            echo "lexiquill exited with status $status before its window appeared. Its output:"
        fi
        cat "$log"
        exit 1
    fi
    echo "the window of the unpacked lexiquill appeared"'
