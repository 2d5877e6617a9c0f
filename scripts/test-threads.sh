#!/usr/bin/env bash
# Builds the core tests with ThreadSanitizer in build-tsan/ (KESTRUM_THREAD_SANITIZED_BUILD_DIR for
# another place) and runs the tests of the threads that play a call: the loader decoding while the
# call plays, the renderer making the sound ahead of the device, the device's callback, the
# transport. Exits 0 only when they pass without a report.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KESTRUM_THREAD_SANITIZED_BUILD_DIR:-$root/build-tsan}

cmake -S "$root" -B "$build" -G Ninja -DKESTRUM_SANITIZE_THREAD=ON -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" >/dev/null
cmake --build "$build" -j2 --target kestrum_core_tests

# A report fails the run: halt_on_error makes the test process exit with a non-zero code.
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
export SDL_AUDIODRIVER=dummy
"$build/tests/kestrum_core_tests" --gtest_brief=1 \
  --gtest_filter='PlaybackSession*:SoundOutput*:PlayerLoadsCompressedAudio*' "$@"
