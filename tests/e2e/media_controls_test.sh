#!/usr/bin/env bash
# The desktop's media controls: the real player on a private session bus (dbus-run-session),
# driven by playerctl as media keys and desktop panels drive it (MPRIS 2), its sound from SDL's
# dummy driver, its windows offscreen.
#  - playerctl lists it and reads its status, the call's title and artist (decoded from the
#    recording's Windows-1252) and its length;
#  - play-pause pauses and plays on; next and previous step by the step size (30 s);
#  - position N goes to N seconds, position N- seeks back N seconds;
#  - a second player takes the name of its instance;
#  - without a session bus the player runs and closes as ever, and its log says why once.
# Usage: media_controls_test.sh PLAYER MAKEZOQ WAV. Exits 0 when every check passes.
set -euo pipefail

[[ $# -eq 3 ]] || { echo "usage: $0 PLAYER MAKEZOQ WAV" >&2; exit 2; }
for program in dbus-run-session playerctl; do
  command -v "$program" >/dev/null || { echo "FAIL: $program is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
done
# Everything runs on a bus of its own, which ends with the test.
if [[ ${KESTRUM_PRIVATE_BUS:-} != yes ]]; then
  exec env KESTRUM_PRIVATE_BUS=yes dbus-run-session -- bash "$0" "$@"
fi
player=$(realpath "$1")
makezoq=$(realpath "$2")
wav=$(realpath "$3")

work=$(mktemp -d "${TMPDIR:-/tmp}/kestrum-mpris.XXXXXX")
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
"$makezoq" "$wav" "$work/call.ZOQ" --version 9 --repeat-to 90 --rid CALL0042 --first 'José' --last 'Müller' \
  --date 2024-03-05 --time 09:07:02 >/dev/null
failures=0
fail() { failures=$((failures + 1)); echo "FAIL: $*" >&2; }

# start NAME [ENV...]: the player on the call in its own working directory, in the background.
start() {
  local name=$1
  shift
  mkdir -p "$work/$name"
  (cd "$work/$name" && exec env KESTRUM_UNATTENDED=yes QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy "$@" \
    "$player" "$work/call.ZOQ" >/dev/null 2>&1) &
  pids+=($!)
}
# waits (at most 20 s) until the command succeeds
await() {
  for ((i = 0; i < 200; ++i)); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}
position() { playerctl -p kestrum position; }
# near A B: A within 1.5 s of B
near() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a - b < 1.5 && b - a < 1.5) }'; }

start first
await bash -c '[[ $(playerctl -p kestrum status) == Playing ]]' || fail "no player called kestrum plays on the bus"
playerctl -l | grep -qx kestrum || fail "playerctl -l does not list kestrum: $(playerctl -l 2>&1)"
[[ $(playerctl -p kestrum metadata title) == "CALL0042 2024-03-05 09:07:02" ]] ||
  fail "title: $(playerctl -p kestrum metadata title)"
[[ $(playerctl -p kestrum metadata artist) == "José Müller" ]] || fail "artist: $(playerctl -p kestrum metadata artist)"
length=$(playerctl -p kestrum metadata mpris:length)
(( length >= 89000000 && length <= 92000000 )) || fail "length: $length microseconds, not about 90 s"

playerctl -p kestrum play-pause
await bash -c '[[ $(playerctl -p kestrum status) == Paused ]]' || fail "play-pause did not pause"
paused=$(position)
sleep 1
near "$(position)" "$paused" || fail "paused at $paused s, yet at $(position) s a second later"
playerctl -p kestrum play-pause
await bash -c '[[ $(playerctl -p kestrum status) == Playing ]]' || fail "play-pause again did not play on"

before=$(position)
playerctl -p kestrum next
after=$(position)
near "$after" "$(awk -v p="$before" 'BEGIN { print p + 30 }')" || fail "next went from $before s to $after s, not 30 s on"
playerctl -p kestrum previous
back=$(position)
near "$back" "$before" || fail "previous went from $after s to $back s, not 30 s back"

playerctl -p kestrum position 60
near "$(position)" 60 || fail "position 60 left the call at $(position) s"
playerctl -p kestrum position 10-
near "$(position)" 50 || fail "position 10- from 60 s left the call at $(position) s"

start second
await bash -c "playerctl -l | grep -qx 'kestrum.instance${pids[1]}'" ||
  fail "a second player is not on the bus as kestrum.instance${pids[1]}: $(playerctl -l 2>&1)"

start nobus DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus"
log="$work/nobus/$(id -un)/Kestrum.LOG"
await grep -q 'No session bus' "$log" || fail "without a bus the log does not say so: $(cat "$log" 2>&1)"
sleep 1
kill -TERM "${pids[2]}"
status=0
wait "${pids[2]}" || status=$?
(( status == 0 )) || fail "without a bus the player ended with $status"
(( $(grep -c 'No session bus' "$log") == 1 )) || fail "the log says more than once that there is no bus"

if (( failures > 0 )); then
  echo "FAILED: $failures check(s) of the media controls" >&2
  exit 1
fi
echo "media controls: every check passed"
