#!/usr/bin/env bash
# Builds the Debian package of the player and its tools (CPack, from the build in build/ or
# $KESTRUM_BUILD_DIR) into $KESTRUM_PACKAGE_DIR (default: the build's package/ folder) and prints
# the package's path. Installs what is missing and builds first.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KESTRUM_BUILD_DIR:-$root/build}
out=${KESTRUM_PACKAGE_DIR:-$build/package}
if [[ ${KESTRUM_PACKAGE_NO_BUILD:-} != 1 ]]; then
  "$root/scripts/install-deps.sh"
  "$root/scripts/build.sh" >&2
fi
mkdir -p "$out"
# cpack stages the install under $out/_CPack_Packages; dpkg-shlibdeps there computes Depends.
(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) || {
  cat "$out/cpack.log" >&2
  exit 1
}
rm -rf "$out/_CPack_Packages"
ls "$out"/kestrum_*.deb
