#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test; exits 0 only when all pass:
# the sources' layout, a build without a single compiler warning, no function in src/ over 80
# lines, the test suite, the same suite built with AddressSanitizer and UndefinedBehaviorSanitizer,
# the playback threads' tests built with ThreadSanitizer, and each fuzzer for a short bounded time.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/check-format.sh"
KESTRUM_WERROR=ON "$root/scripts/build.sh"
"$root/scripts/check-function-size.sh"
build=${KESTRUM_BUILD_DIR:-$root/build}
(cd "$build" && ctest --output-on-failure -j2 "$@")

"$root/scripts/test-sanitized.sh"
"$root/scripts/test-threads.sh"
"$root/scripts/fuzz.sh" "${KESTRUM_CI_FUZZ_SECONDS:-15}"
