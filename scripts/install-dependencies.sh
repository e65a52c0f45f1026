#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Lexiquill need,
# skipping those already there. Usage: install-dependencies.sh [run|package|test|words]
# ("words": only what tools/make_mnemonic_words.py and tools/make_spelling_words.py need to
# remake the word lists; neither the build nor the tests need it). poppler-utils reads the
# study sheets back in the tests.
set -euo pipefail

mode=${1:-run}
# libcpp-httplib-dev: the tests' loopback server, configured with everything else.
packages=(build-essential cmake ninja-build pkgconf qt6-base-dev libxcb1-dev libboost-dev
          libcpp-httplib-dev fonts-dejavu-core fonts-liberation2 libxlsxwriter-dev zlib1g-dev libcurl4-openssl-dev)
if [ "$mode" = words ]; then
    packages=(scowl wordnet-base)
    # npm fetches the word frequencies; a Node.js from elsewhere may bring its own npm.
    command -v npm > /dev/null || packages+=(npm)
fi
if [ "$mode" = package ] || [ "$mode" = test ]; then
    # CPack computes the package's dependencies with dpkg-shlibdeps, and finds the
    # executables with file.
    packages+=(dpkg-dev file)
fi
if [ "$mode" = test ]; then
    packages+=(clang-format xvfb xauth xdotool xclip x11-utils imagemagick x11-apps clang libclang-rt-14-dev lld
               python3-openpyxl libreoffice-calc-nogui poppler-utils
               lintian desktop-file-utils appstream systemd man-db)
fi

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
