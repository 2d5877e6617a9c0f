#!/usr/bin/env bash
# Fails when an include breaks the layers: one that climbs out of its folder ("../"), which would
# reach a layer the build does not give it; SDL's headers outside the audio layer's own files, or
# in a header of it (that would hand SDL to every includer); FFmpeg's headers in a layer whose
# CMakeLists.txt does not name FFmpeg. Run by every build (the kestrum_layer_check target).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
failed=0
complain() {
  printf 'layer check: %s\n' "$1" >&2
  failed=1
}

while IFS= read -r hit; do
  complain "an include climbs out of its folder: $hit"
done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"][^>"]*\.\./' \
  src tools tests bench fuzz demo --include='*.h' --include='*.cpp' || true)

while IFS= read -r hit; do
  case $hit in
  src/audio/*.cpp:*) ;;
  *) complain "SDL is the audio layer's alone, and only its .cpp files include it: $hit" ;;
  esac
done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<SDL' src tools --include='*.h' --include='*.cpp' || true)

while IFS= read -r hit; do
  layer=${hit#src/}
  layer=${layer%%/*}
  grep -qiE 'libav|libsw' "src/$layer/CMakeLists.txt" ||
    complain "FFmpeg in a layer whose CMakeLists.txt does not name it: $hit"
done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<lib(av|sw)' src --include='*.h' --include='*.cpp' || true)

exit $failed
