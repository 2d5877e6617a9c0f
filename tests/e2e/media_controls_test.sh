#!/usr/bin/env bash
# The desktop's media controls and the foot pedal: the real player on a private session bus
# (dbus-run-session), driven by playerctl as media keys and desktop panels drive it (MPRIS 2) and
# by pedal presses written into a FIFO as input_event records, its sound from SDL's dummy driver,
# its windows offscreen.
#  - playerctl lists it and reads its status, the call's title and artist (decoded from the
#    recording's Windows-1252) and its length;
#  - play-pause pauses and plays on; next and previous step by the step size (30 s);
#  - position N goes to N seconds, position N- seeks back N seconds;
#  - a second player takes the name of its instance;
#  - the pedal named in the settings file: middle held plays, released pauses; right held steps on
#    again and again, left steps back; the pedal gone and back works without a restart; a save of
#    the settings keeps its line;
#  - without a session bus the player runs and closes as ever, and its log says why once; so does
#    a pedal that cannot be opened.
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
"$makezoq" "$wav" "$work/call.ZOQ" --version 9 --repeat-to 300 --rid CALL0042 --first 'José' --last 'Müller' \
  --date 2024-03-05 --time 09:07:02 >/dev/null
failures=0
fail() { failures=$((failures + 1)); echo "FAIL: $*" >&2; }

# settings NAME LINE...: the per-user settings file of the player run in NAME.
settings() {
  local folder="$work/$1/$(id -un)"
  shift
  mkdir -p -m 700 "$work" "${folder%/*}" "$folder"
  printf '%s\n' "$@" >"$folder/Kestrum.SET"
  chmod 600 "$folder/Kestrum.SET"
}
# pedal BUTTON VALUE: one input_event record into the FIFO (x86-64: 16 bytes of time, EV_KEY,
# BTN_0 + BUTTON, VALUE 1 pressed or 0 released).
pedal() {
  printf "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x01\x00\x0$1\x01\x0$2\x00\x00\x00" >&7
}

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
(( length >= 299000000 && length <= 302000000 )) || fail "length: $length microseconds, not about 300 s"

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

for pid in "${pids[@]}"; do kill -TERM "$pid"; wait "$pid" || true; done
pids=()

mkfifo -m 600 "$work/pedal.fifo"
exec 7<>"$work/pedal.fifo"
settings pedal "pedalDevice=$work/pedal.fifo" "laterSetting=7"
start pedal
await bash -c '[[ $(playerctl -p kestrum status) == Playing ]]' || fail "the pedal's player does not play"
playerctl -p kestrum pause
await bash -c '[[ $(playerctl -p kestrum status) == Paused ]]' || fail "the pedal's player does not pause"
pedal 1 1
await bash -c '[[ $(playerctl -p kestrum status) == Playing ]]' || fail "the middle pedal held does not play"
before=$(position)
pedal 2 1
sleep 1.2
pedal 2 0
after=$(position)
awk -v a="$after" -v b="$before" 'BEGIN { exit !(a - b >= 59 && a - b <= 95) }' ||
  fail "the right pedal held 1.2 s went from $before s to $after s, not two or three steps of 30 s on"
pedal 0 1
pedal 0 0
sleep 0.3
back=$(position)
near "$back" "$(awk -v p="$after" 'BEGIN { print p - 30 + 0.3 }')" || fail "the left pedal went from $after s to $back s, not 30 s back"
pedal 1 0
await bash -c '[[ $(playerctl -p kestrum status) == Paused ]]' || fail "the middle pedal released does not pause"
# Unplugged (the FIFO's writer gone) and plugged in again.
exec 7>&-
sleep 0.5
exec 7<>"$work/pedal.fifo"
pedal 1 1
await bash -c '[[ $(playerctl -p kestrum status) == Playing ]]' || fail "the pedal plugged in again does not play"
kill -TERM "${pids[0]}"
wait "${pids[0]}" || true
pids=()
grep -qx "pedalDevice=$work/pedal.fifo" "$work/pedal/$(id -un)/Kestrum.SET" && grep -qx laterSetting=7 "$work/pedal/$(id -un)/Kestrum.SET" ||
  fail "the settings saved at close lost lines: $(cat "$work/pedal/$(id -un)/Kestrum.SET")"

settings nobus "pedalDevice=$work/no-pedal"
start nobus DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus"
log="$work/nobus/$(id -un)/Kestrum.LOG"
await grep -q 'No session bus' "$log" || fail "without a bus the log does not say so: $(cat "$log" 2>&1)"
sleep 2.5 # the missing pedal is looked for again twice meanwhile
kill -TERM "${pids[0]}"
status=0
wait "${pids[0]}" || status=$?
(( status == 0 )) || fail "without a bus the player ended with $status"
(( $(grep -c 'No session bus' "$log") == 1 )) || fail "the log says more than once that there is no bus"
(( $(grep -c "The foot pedal $work/no-pedal cannot be opened: No such file or directory" "$log") == 1 )) ||
  fail "the pedal that cannot be opened is not logged once: $(cat "$log")"

if (( failures > 0 )); then
  echo "FAILED: $failures check(s) of the media controls and the foot pedal" >&2
  exit 1
fi
echo "media controls and foot pedal: every check passed"
