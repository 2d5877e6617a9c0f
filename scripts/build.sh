#!/usr/bin/env bash
# Configures and builds the project into build/ (set KESTRUM_BUILD_DIR for another place).
# KESTRUM_WERROR=ON makes the compiler's warnings errors (scripts/test.sh, and so CI, sets it).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KESTRUM_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKESTRUM_WERROR="${KESTRUM_WERROR:-OFF}" >/dev/null
cmake --build "$build" -j2
