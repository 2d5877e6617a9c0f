#!/usr/bin/env bash
# Fails when a function in src/ or tools/ is longer than 80 lines: a longer one is split into named
# steps. Needs the compile commands of a build (scripts/build.sh writes them), and fails when
# clang-tidy is missing or cannot read a file, rather than passing without having looked. The
# compiler's own warnings are left to the build (-w): here they would only stop clang-tidy.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KESTRUM_BUILD_DIR:-$root/build}
cd "$root"
command -v clang-tidy >/dev/null || { echo "check-function-size: clang-tidy is not installed" >&2; exit 1; }
[[ -f $build/compile_commands.json ]] ||
  { echo "check-function-size: no compile commands in $build (run scripts/build.sh)" >&2; exit 1; }
output=$(mktemp)
trap 'rm -f "$output"' EXIT
if ! git ls-files -z 'src/*.cpp' 'tools/*.cpp' | xargs -0 -P2 -n8 clang-tidy -p "$build" --quiet --extra-arg=-w \
  --header-filter="^$root/(src|tools)/.*" --checks='-*,readability-function-size' \
  --config='{CheckOptions: [{key: readability-function-size.LineThreshold, value: 80}]}' >"$output" 2>&1; then
  grep -E 'error:|Error' "$output" | head -20 >&2
  echo "check-function-size: clang-tidy could not check every file" >&2
  exit 1
fi
report=$(grep -A1 'warning:' "$output" || true)
if [[ -n "$report" ]]; then
  printf '%s\n' "$report"
  exit 1
fi
