#!/usr/bin/env bash
# Installs what is missing; runs the fuzz targets for a bounded time; builds
# everything with warnings as errors and runs all the tests; then builds again with
# AddressSanitizer and UndefinedBehaviorSanitizer and runs all the tests once more.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-dependencies.sh" test

# The shape of the code: layers include only the layers below them, and every C++ file
# is formatted.
bash "$root/scripts/check_layers.sh"
(cd "$root" && find src tests bench -name '*.cpp' -o -name '*.h' | sort |
    xargs clang-format --dry-run -Werror)

run_suite() {
    local dir=$1; shift
    cmake -S "$root" -B "$dir" -G Ninja -DLEXIQUILL_WERROR=ON "$@"
    cmake --build "$dir"
    (cd "$dir" && ctest --output-on-failure -j2)
}

CC=clang CXX=clang++ cmake -S "$root" -B "$root/build-fuzz" -G Ninja -DLEXIQUILL_WERROR=ON \
    -DLEXIQUILL_SANITIZE=ON -DLEXIQUILL_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$root/build-fuzz" --target fuzz_text fuzz_mnemonic_query fuzz_request_stream \
    fuzz_list_lines fuzz_mnemonic_words fuzz_desktop_entry fuzz_cli_output
(cd "$root/build-fuzz" && ctest --output-on-failure -R '^fuzz_')

run_suite "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    LSAN_OPTIONS=suppressions=$root/tests/lsan.supp \
    run_suite "$root/build-sanitize" -DCMAKE_BUILD_TYPE=Debug -DLEXIQUILL_SANITIZE=ON
