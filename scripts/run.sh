#!/usr/bin/env bash
# Installs what is missing, builds Lexiquill and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-dependencies.sh" run
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$root/build" --target lexiquill
exec "$root/build/src/lexiquill"
