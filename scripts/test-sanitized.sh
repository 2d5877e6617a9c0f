#!/usr/bin/env bash
# Builds the whole project with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/
# (KESTRUM_SANITIZED_BUILD_DIR for another place) and runs every test through CTest; exits 0 only
# when all pass. Arguments go to ctest.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KESTRUM_SANITIZED_BUILD_DIR:-$root/build-asan}

# Unoptimised, with assertions on: the build is the main cost, and it compiles in about half the
# time of -O1, while the tests, which mostly wait on the programs they start, take no longer.
cmake -S "$root" -B "$build" -G Ninja -DKESTRUM_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS_DEBUG="-O0 -g" >/dev/null
cmake --build "$build" -j2

# A finding aborts the process that made it, so a test sees a crash rather than an ordinary exit
# code 1 (which the player and zoqtool give for their own failures). This holds for the programs
# the tests start too: they inherit these settings. Leaks are checked at every process's exit.
export ASAN_OPTIONS="abort_on_error=1:detect_leaks=1:check_initialization_order=1:strict_init_order=1"
export UBSAN_OPTIONS="abort_on_error=1:halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$root/tests/sanitizer/lsan.supp:print_suppressions=0"
cd "$build"
ctest --output-on-failure -j2 "$@"
