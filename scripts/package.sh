#!/usr/bin/env bash
# Builds the Debian package and prints its path: bash scripts/package.sh [build folder]
# Without a folder it makes a release build of its own in build-package/, with Debian's
# hardening flags; given a folder that is already configured (the tests give theirs),
# it packages what that folder builds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-package}
bash "$root/scripts/install-dependencies.sh" package >&2

if [ ! -f "$build/CMakeCache.txt" ]; then
    export DEB_BUILD_MAINT_OPTIONS=hardening=+all
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
        -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
        -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
        -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >&2
fi
cmake --build "$build" --target lexiquill lexiquill-mnemonic-service lexiquill_docs >&2
log=$(cd "$build" && cpack -G DEB)
echo "$log" >&2
sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p' <<<"$log"
