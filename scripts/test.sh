#!/usr/bin/env bash
# Installs what is missing, checks the shape of the code, then builds everything twice and
# runs every test in both builds:
# - with clang under AddressSanitizer and UndefinedBehaviorSanitizer, where the fuzz targets
#   are built too and run for a bounded time beside the suite;
# - with gcc and warnings as errors, where the Debian package is made and checked too.
# Each stage prints its wall-clock time and the CPU time it used, so that a CI log shows
# where the time goes.
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

# configure <build folder> <cmake options>...: lld links in a fraction of the time of the
# default linker.
configure() {
    local dir=$1
    shift
    stage "configure $(basename "$dir")" cmake -S "$root" -B "$dir" -G Ninja \
        -DLEXIQUILL_WERROR=ON -DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld "$@"
}
run_tests() { stage "tests in $(basename "$1")" ctest --test-dir "$1" --output-on-failure -j2; }

# Line tables are all the sanitizers' reports need, and -O1 runs the suite faster than -O0
# while keeping the reports' lines exact enough (the fuzz targets run for fixed times
# either way). Neither build makes the benchmark drivers, which are run by hand.
CC=clang CXX=clang++ configure "$root/build-sanitize" -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS_DEBUG="-O1 -gline-tables-only" -DLEXIQUILL_SANITIZE=ON -DLEXIQUILL_FUZZ=ON \
    -DLEXIQUILL_BENCH=OFF
stage "build build-sanitize" cmake --build "$root/build-sanitize"
# Optimised (-O2), so that gcc's warnings that need its analyses are on; line tables are
# enough for a failing test's backtrace and spare the fifth of the compile time that full
# debug data costs.
configure "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" -DLEXIQUILL_BENCH=OFF
# The sanitized tests leave part of the cores idle (they wait on servers, X and other
# processes): the gcc build takes that meanwhile, niced so that the tests keep their share.
gcc_log=$root/build/build.log
nice -n 10 cmake --build "$root/build" >"$gcc_log" 2>&1 &
gcc_build=$!
trap 'kill $gcc_build 2>/dev/null || true' EXIT
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    LSAN_OPTIONS=suppressions=$root/tests/lsan.supp run_tests "$root/build-sanitize"
if ! stage "build build (what the tests left)" wait $gcc_build; then
    cat "$gcc_log"
    exit 1
fi
run_tests "$root/build"
echo "== all: $((SECONDS - started)) s"
