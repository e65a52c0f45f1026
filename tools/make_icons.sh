#!/usr/bin/env bash
# Renders the application icon's PNG sizes from its SVG (needs rsvg-convert, from the
# Debian package librsvg2-bin). The PNGs are committed: the window builds them into its
# executable, and the package installs them into the hicolor icon theme beside the SVG.
set -euo pipefail
icons=$(cd "$(dirname "$0")/../src/window/icons" && pwd)
for size in 16 32 48 64; do
    rsvg-convert -w "$size" -h "$size" "$icons/lexiquill.svg" -o "$icons/lexiquill-$size.png"
done
