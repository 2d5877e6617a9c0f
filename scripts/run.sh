#!/usr/bin/env bash
# Installs what is missing, builds, and starts the player with the given arguments.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" >&2
build=${KESTRUM_BUILD_DIR:-$root/build}
exec "$build/src/kestrum" "$@"
