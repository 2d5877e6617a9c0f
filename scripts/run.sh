#!/usr/bin/env bash
# Installs what is missing, builds, and starts the player with the given arguments; with none it
# opens the bundled demo recording. Without a display it runs the player under a virtual one for
# a few seconds, with silent audio, and saves a screenshot of its window.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" >&2
build=${KESTRUM_BUILD_DIR:-$root/build}
player="$build/src/kestrum"

# The player keeps its per-user lock, log and settings under its working directory.
workdir="$build/run"
mkdir -p "$workdir"
cd "$workdir"
# The player starts the disc-writing program from its working directory (when that folder and the
# program are the user's own and no one else can write them; else its helper folder, then PATH) and
# copies the disc menu from there into an export list; the build holds the stand-in disc writer and
# the disc menu (vantrel, as Vantrel.Exe).
cp "$build/disc/Oskaret.exe" "$build/disc/Vantrel.Exe" "$workdir/"

if [[ $# -eq 0 ]]; then
  set -- "$build/demo/demo.ZOQ"
fi

if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  exec "$player" "$@"
fi

shot="$workdir/kestrum-window.png"
echo "No display: running the player under Xvfb for a few seconds." >&2
export KESTRUM_PLAYER="$player" KESTRUM_SHOT="$shot" SDL_AUDIODRIVER=dummy
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  "$KESTRUM_PLAYER" "$@" &
  pid=$!
  sleep 5 # start-up: the splash, the decode, the player window shown and playing
  import -window root "$KESTRUM_SHOT"
  kill -TERM "$pid" 2>/dev/null || true
  wait "$pid"
' kestrum "$@"
echo "Screenshot of the player window: $shot"
