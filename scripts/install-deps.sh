#!/usr/bin/env bash
# Installs the Debian 12 packages the player, its tools and its tests need.
# Quick when everything is present: it only asks dpkg, and calls apt-get for what is missing.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  # the checks of the sources: their layout (.clang-format) and their functions' length
  clang-format clang-tidy
  # windows, sound, decoding
  qt6-base-dev libsdl2-dev libavcodec-dev libavfilter-dev libavutil-dev libswresample-dev zlib1g-dev
  # standard audio files (zoqtool convert): the muxers; the encoders come with libavcodec
  libavformat-dev
  # telephone key presses: spandsp's DTMF receiver
  libspandsp-dev
  # the catalogue of recordings: SQLite, and libpq for a team's PostgreSQL server; the server itself
  # for the tests, which start one of their own (initdb, postgres)
  libsqlite3-dev libpq-dev postgresql
  # zoqtool's command lines and JSON (header-only libraries)
  libcli11-dev nlohmann-json3-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # reference decoder for tests, virtual display, keystrokes and screenshots, disc images
  ffmpeg xvfb xauth xdotool imagemagick xorriso
  # the desktop's media controls under a private session bus: dbus-run-session (dbus-daemon), playerctl
  dbus-bin dbus-daemon playerctl
  # the Debian package and its checks: shlibdeps, desktop entry, MIME type, manual pages
  dpkg-dev file desktop-file-utils shared-mime-info xdg-utils libfile-mimeinfo-perl libxml2-utils
  groff-base man-db
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}" >&2
sudo_cmd=()
[[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
