#!/usr/bin/env bash
# Installs what is missing; runs the fuzz targets for a bounded time; builds
# everything with warnings as errors and runs all the tests; then builds again with
# AddressSanitizer and UndefinedBehaviorSanitizer and runs all the tests once more.
# Each stage prints its wall-clock time and the CPU time it used, so that a CI log
# shows where the time goes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

# stage <name> <command>...: runs the command and prints "== <name>: ..." after it.
stage() {
    local name=$1
    shift
    local TIMEFORMAT="== $name: %0R s wall, %0U s user + %0S s system CPU"
    time "$@"
}
started=$SECONDS

stage "packages" bash "$root/scripts/install-dependencies.sh" test

# The shape of the code: layers include only the layers below them, and every C++ file
# is formatted.
format_check() {
    (cd "$root" && find src tests bench -name '*.cpp' -o -name '*.h' | sort |
        xargs clang-format --dry-run -Werror)
}
stage "layer check" bash "$root/scripts/check_layers.sh"
stage "format check" format_check

run_suite() {
    local dir=$1; shift
    stage "configure $(basename "$dir")" cmake -S "$root" -B "$dir" -G Ninja -DLEXIQUILL_WERROR=ON "$@"
    stage "build $(basename "$dir")" cmake --build "$dir"
    stage "tests in $(basename "$dir")" bash -c 'cd "$1" && ctest --output-on-failure -j2' _ "$dir"
}

CC=clang CXX=clang++ stage "configure build-fuzz" cmake -S "$root" -B "$root/build-fuzz" -G Ninja \
    -DLEXIQUILL_WERROR=ON -DLEXIQUILL_SANITIZE=ON -DLEXIQUILL_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
stage "build build-fuzz" cmake --build "$root/build-fuzz" --target fuzz_text fuzz_mnemonic_query \
    fuzz_request_stream fuzz_list_lines fuzz_mnemonic_words fuzz_desktop_entry fuzz_cli_output
stage "fuzzing" bash -c 'cd "$1" && ctest --output-on-failure -R "^fuzz_"' _ "$root/build-fuzz"

run_suite "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    LSAN_OPTIONS=suppressions=$root/tests/lsan.supp \
    run_suite "$root/build-sanitize" -DCMAKE_BUILD_TYPE=Debug -DLEXIQUILL_SANITIZE=ON
echo "== all: $((SECONDS - started)) s"
