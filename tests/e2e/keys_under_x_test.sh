#!/usr/bin/env bash
# The player's keys as a keyboard gives them: the real player under a real X server (Xvfb), key
# presses sent through the X server (XTEST, by xdotool) to its window, the sound from SDL's disk
# driver and the settings from the init file it writes at close.
#  - Space pauses: the sound stops before the call's end and silence follows;
#  - Space again plays on, Right steps on to the end;
#  - + + makes it Fast +50%, kept in the init file; - then leaves Fast +25%;
#  - on a first run (no init file) the keyword and waveform windows open beside the player window,
#    on the screen, covering none of it.
# Usage: keys_under_x_test.sh PLAYER MAKEZOQ WAV. Exits 0 when every check passes.
set -euo pipefail

[[ $# -eq 3 ]] || { echo "usage: $0 PLAYER MAKEZOQ WAV" >&2; exit 2; }
player=$(realpath "$1")
makezoq=$(realpath "$2")
wav=$(realpath "$3")
for program in xvfb-run xdotool; do
  command -v "$program" >/dev/null || { echo "FAIL: $program is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/kestrum-keys.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$makezoq" "$wav" "$work/call.ZOQ" --version 9 >/dev/null
failures=0
fail() { failures=$((failures + 1)); echo "FAIL: $*" >&2; }

# run NAME KEYS...: plays the call in its own working directory, presses each key (a number is a
# pause in seconds) and closes the player; its sound is NAME.raw.
run() {
  local name=$1
  shift
  mkdir -p "$work/$name"
  (cd "$work/$name" && KESTRUM_UNATTENDED=yes SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/$name.raw" \
    xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
      "$0" "$1" >/dev/null 2>&1 &
      pid=$!
      # The player window shows once start-up is done, and plays: wait for its sound, so the
      # window found is the player'"'"'s, not the splash'"'"'s under the same title.
      for ((i = 0; i < 200; ++i)); do
        od -An -tu1 -v "$SDL_DISKAUDIOFILE" 2>/dev/null | tr -s " " "\n" |
          awk "NF && (\$1 < 125 || \$1 > 131) { found = 1; exit } END { exit !found }" && break
        sleep 0.1
      done
      window=$(timeout 30 xdotool search --sync --onlyvisible --name "LUMBRA PLAYER" | head -1)
      [[ -n $window ]] || { echo "no player window" >&2; kill -TERM "$pid"; exit 1; }
      xdotool windowfocus --sync "$window"
      sleep 1 # the focus reaches the controls after the window manager has given it
      shift 1 # the keys follow the recording
      for key in "$@"; do
        if [[ $key =~ ^[0-9.]+$ ]]; then sleep "$key"; else xdotool key "$key"; fi
      done
      sleep 0.5 # the effect of the last key reaches the sound file
      # Where each window is, for the checks of placement: NAME X Y WIDTH HEIGHT a line.
      for name in "LUMBRA PLAYER" "Scanned Word" "Audio Wave Form"; do
        for id in $(xdotool search --onlyvisible --name "^$name" 2>/dev/null); do
          eval "$(xdotool getwindowgeometry --shell "$id")"
          echo "$name|$X|$Y|$WIDTH|$HEIGHT"
        done
      done >"$SDL_DISKAUDIOFILE.windows"
      kill -TERM "$pid"
      wait "$pid"
    ' "$player" "${call:-$work/call.ZOQ}" "$@")
}

# Bytes of the call heard: the sound, less the silence before and after it.
heard_bytes() {
  od -An -tu1 -v "$1" | tr -s ' ' '\n' |
    awk 'NF { if ($1 < 125 || $1 > 131) { if (first == "") first = n; last = n } n++ }
         END { print (first == "" ? 0 : last - first + 1) }'
}
call_bytes=$(( $(stat -c %s "$work/call.ZOQ") - 351 ))

run pause space 2
sound=$(heard_bytes "$work/pause.raw")
if (( sound > 3 * 8000 )); then fail "Space did not pause: $sound bytes of sound after 1 s of play"; fi
tail_bytes=$(tail -c 8000 "$work/pause.raw" | od -An -tu1 -v | tr -s ' ' '\n' | grep -cv '^\(12[5-9]\|13[01]\|\)$' || true)
if (( tail_bytes > 0 )); then fail "after Space the device still played sound ($tail_bytes loud bytes in its last second)"; fi

run resume space 0.5 space Right 1.5
sound=$(heard_bytes "$work/resume.raw")
if (( sound >= call_bytes - 8000 * 5 )); then fail "Right did not step on: $sound of $call_bytes bytes played"; fi
if (( sound < 8000 )); then fail "Space again did not play on: $sound bytes of sound"; fi

run speed plus plus 0.3 minus 0.3
speed=$(od -An -tu4 -j88 -N4 "$work/speed/$(id -un)/Kestrum.DAT" | tr -d ' ')
[[ $speed == 3 ]] || fail "+ + - left the speed at position $speed, not 3 (Fast +25%)"

# A call with a keyword, so that its keyword window opens.
"$makezoq" "$wav" "$work/keyword.ZOQ" --version 9 --keyword hello:1 >/dev/null
call=$work/keyword.ZOQ run placement alt+w 0.5 alt+f 0.5
# The player window is the largest of its name (the splash, gone by then, has the same one).
IFS='|' read -r _ px py pw ph < <(grep '^LUMBRA PLAYER|' "$work/placement.raw.windows" | sort -t'|' -k4,4n | tail -1)
for name in "Scanned Word" "Audio Wave Form"; do
  line=$(grep "^$name|" "$work/placement.raw.windows" | head -1)
  if [[ -z $line ]]; then fail "the $name window did not open"; continue; fi
  IFS='|' read -r _ x y w h <<<"$line"
  if (( x < px + pw && px < x + w && y < py + ph && py < y + h )); then
    fail "on a first run the $name window ($x,$y ${w}x$h) opened over the player window ($px,$py ${pw}x$ph)"
  fi
  if (( x < 0 || y < 0 || x + w > 1280 || y + h > 1024 )); then
    fail "on a first run the $name window ($x,$y ${w}x$h) is not wholly on the screen"
  fi
done

if (( failures > 0 )); then
  echo "FAILED: $failures check(s) of the keys under X" >&2
  exit 1
fi
echo "keys under X: all checks passed"
