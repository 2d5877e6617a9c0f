#!/usr/bin/env bash
# Fails when a function in src/ is longer than 80 lines: a longer one is split into named steps.
# Needs the compile commands of a build (scripts/build.sh writes them).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KESTRUM_BUILD_DIR:-$root/build}
cd "$root"
report=$(git ls-files -z 'src/*.cpp' | xargs -0 -P2 -n8 clang-tidy -p "$build" --quiet \
  --header-filter="^$root/src/.*" --checks='-*,readability-function-size' \
  --config='{CheckOptions: [{key: readability-function-size.LineThreshold, value: 80}]}' 2>/dev/null |
  grep -A1 'warning:' || true)
if [[ -n "$report" ]]; then
  printf '%s\n' "$report"
  exit 1
fi
