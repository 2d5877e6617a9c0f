#!/usr/bin/env bash
# Checks the stand-in disc writer as the player runs it, with real xorriso and ffmpeg:
#  - Oskaret.exe, export list: the ISO image holds the list directory byte for byte (the real disc
#    menu Vantrel.Exe among it), with its names, case and executable bits, in the Rock Ridge and in
#    the Joliet tree; the disc-writer number arrives;
#  - Oskaret.exe, CD audio: the WAV file's samples are exactly the raw input bytes, and a CUE sheet
#    names it;
#  - Oskaret.exe refuses bad parameter texts with a message, and makes nothing;
#  - Oskaret.exe's output is private (folders 0700, files 0600), and a discs/ or output folder that
#    is a link, another user's or writable by others is refused, nothing written through it.
# The menu itself, run from a burnt image, is tested by tests/e2e (DiscMenuTest, ExportToDiscTest).
# Usage: disc_standins_test.sh DIR   (DIR holds Oskaret.exe and Vantrel.Exe, as the build puts them)
# Exits 0 when every check passes; otherwise prints each failure and exits 1.
set -euo pipefail

[[ $# -eq 1 ]] || { echo "usage: $0 DIR-WITH-THE-STAND-INS" >&2; exit 2; }
tools=$(cd -- "$1" && pwd)
writer=$tools/Oskaret.exe
menu=$tools/Vantrel.Exe

failures=0
checks=0
pass() { checks=$((checks + 1)); }
fail() { checks=$((checks + 1)); failures=$((failures + 1)); echo "FAIL: $*" >&2; }
# check DESCRIPTION COMMAND...: passes when COMMAND succeeds.
check() {
  local what=$1
  shift
  if "$@"; then pass; else fail "$what"; fi
}
# Stop at once when later checks make no sense without this one.
require() {
  local what=$1
  shift
  "$@" || { fail "$what"; echo "FAILED: disc stand-ins ($failures of $checks checks failed; stopped early)" >&2; exit 1; }
  pass
}

for program in xorriso ffmpeg ffprobe; do
  require "$program is installed (scripts/install-deps.sh installs it)" command -v "$program" >/dev/null
done
require "Oskaret.exe is in $tools and executable" test -x "$writer"
require "Vantrel.Exe is in $tools and executable" test -x "$menu"

work=$(mktemp -d "${TMPDIR:-/tmp}/disc-standins-test.XXXXXX")
trap 'rm -rf -- "$work"' EXIT

# --- An export list as the player keeps it --------------------------------------------------------
list=$work/clerk
mkdir -p "$list/Recs"
printf '[autorun]\r\nopen=Vantrel.Exe\r\nicon=Vantrel.Exe\r\n' >"$list/AutoRun.Inf"
cp "$menu" "$list/Vantrel.Exe"
# The "player": a small program with its executable bit, as the export list copies the player.
printf '#!/bin/sh\nexit 0\n' >"$list/Kestrum.Exe"
chmod 755 "$list/Kestrum.Exe"
# Recordings: every byte value (NUL, CR, LF, 0xFF ...) in mixed order, so any conversion shows.
first="0001 Front Desk.ZOQ"
second="2026-11-03 142205 Customer Service Call.ZOQ"
head -c 70001 /dev/urandom >"$list/Recs/$first"
head -c 123457 /dev/urandom >"$list/Recs/$second"

# --- Export list, with a disc-writer number -------------------------------------------------------
out1=$work/out1
stdout=$(KESTRUM_DISC_OUTPUT=$out1 "$writer" "^W3 ^K1 ^F$list" 2>"$work/stderr1") ||
  { cat "$work/stderr1" >&2; require "export list run succeeds" false; }
check "export list run prints its output folder as its last line (got '${stdout##*$'\n'}')" \
  test "${stdout##*$'\n'}" = "$out1"
iso=$out1/export-list.iso
require "export list run makes $iso" test -s "$iso"
check "the disc-writer number 3 arrives in disc-writer.txt" \
  test "$(cat "$out1/disc-writer.txt" 2>/dev/null)" = 3

# The Rock Ridge tree, extracted: same names, same bytes, executables still executable.
disc=$work/disc
xorriso -osirrox on -indev "$iso" -extract / "$disc" >"$work/extract.log" 2>&1 ||
  { cat "$work/extract.log" >&2; require "xorriso extracts the image" false; }
check "the image holds the list directory byte for byte, names and case kept" \
  diff -r "$list" "$disc"
check "Recs/$first extracts byte for byte" cmp "$list/Recs/$first" "$disc/Recs/$first"
check "Recs/$second extracts byte for byte" cmp "$list/Recs/$second" "$disc/Recs/$second"
check "Kestrum.Exe stays executable on the image" test -x "$disc/Kestrum.Exe"
check "Vantrel.Exe stays executable on the image" test -x "$disc/Vantrel.Exe"
check "the image is labelled KESTRUM" \
  grep -q "^Volume Id *: *KESTRUM *\$" <(xorriso -indev "$iso" -pvd_info 2>/dev/null)

# The Joliet tree, read without Rock Ridge: what a system without Rock Ridge sees.
joliet_names=$(xorriso -read_fs norock -indev "$iso" -find / -type f 2>/dev/null | tr -d "'" | sort)
expected_names=$(printf '%s\n' /AutoRun.Inf /Kestrum.Exe "/Recs/$first" "/Recs/$second" /Vantrel.Exe | sort)
check "the Joliet tree keeps the names and their case (got: ${joliet_names//$'\n'/ })" \
  test "$joliet_names" = "$expected_names"

# --- Export list, without a number, into the default folder ---------------------------------------
runs=$work/run
mkdir -p "$runs"
stdout=$(cd "$runs" && env -u KESTRUM_DISC_OUTPUT "$writer" "^K1 ^F$list" 2>"$work/stderr2") ||
  { cat "$work/stderr2" >&2; fail "export list run without a number succeeds"; }
out2=${stdout##*$'\n'}
check "without KESTRUM_DISC_OUTPUT the output goes to discs/<date-time> under the working directory (got '$out2')" \
  test "${out2%/*}" = "$runs/discs" -a -d "$out2"
check "the default folder holds the image" test -s "$out2/export-list.iso"
check "with no ^W, disc-writer.txt says none" test "$(cat "$out2/disc-writer.txt" 2>/dev/null)" = none
stdout=$(cd "$runs" && env -u KESTRUM_DISC_OUTPUT "$writer" "^K1 ^F$list" 2>/dev/null) || true
check "a second run in the same second gets a folder of its own" \
  test -n "$stdout" -a "${stdout##*$'\n'}" != "$out2" -a -s "${stdout##*$'\n'}/export-list.iso"

# The output is the user's alone, whatever the umask: folders 0700, files 0600.
modes() { # modes FOLDER: "mode name" of the folder and of everything in it
  (cd -- "$1" && find . -exec stat -c '%a %n' {} + | sort)
}
check "the output folder and its files are private (got: $(modes "$out1" | tr '\n' ' '))" \
  test "$(modes "$out1")" = "$(printf '%s\n' '600 ./disc-writer.txt' '600 ./export-list.iso' \
    '600 ./parameters.txt' '600 ./xorriso.log' '700 .' | sort)"
check "discs/ and the folder of a run are private" \
  test "$(stat -c %a "$runs/discs") $(stat -c %a "$out2") $(stat -c %a "$out2/export-list.iso")" = "700 700 600"

# --- CD audio -------------------------------------------------------------------------------------
# Two seconds of real 16-bit stereo 44100 Hz samples, as the player writes them: no header.
raw=$work/cd-audio.raw
ffmpeg -nostdin -loglevel error -f lavfi -i "sine=frequency=440:duration=2" \
  -af "pan=stereo|c0=c0|c1=-0.5*c0" -ar 44100 -f s16le -c:a pcm_s16le "$raw"
require "ffmpeg makes the raw audio input" test "$(stat -c %s "$raw")" -eq $((2 * 44100 * 4))
out3=$work/out3
stdout=$(KESTRUM_DISC_OUTPUT=$out3 "$writer" "^W12 ^F$raw" 2>"$work/stderr3") ||
  { cat "$work/stderr3" >&2; require "CD audio run succeeds" false; }
check "CD audio run prints its output folder as its last line" test "${stdout##*$'\n'}" = "$out3"
check "the disc-writer number 12 arrives" test "$(cat "$out3/disc-writer.txt" 2>/dev/null)" = 12
check "the raw file is left for the player to delete" test -f "$raw"
wav=$out3/track.wav
require "CD audio run makes $wav" test -s "$wav"
format=$(ffprobe -v error -select_streams a:0 -show_entries stream=codec_name,sample_rate,channels \
  -of default=noprint_wrappers=1 "$wav" | sort | tr '\n' ' ')
check "ffprobe reads the WAV as 16-bit stereo 44100 Hz (got: $format)" \
  test "$format" = "channels=2 codec_name=pcm_s16le sample_rate=44100 "
ffmpeg -nostdin -loglevel error -i "$wav" -f s16le -c:a copy "$work/samples.raw"
check "the WAV's samples, as ffmpeg reads them, are exactly the raw input" cmp "$raw" "$work/samples.raw"
check "the WAV file is the input after a 44-byte header" cmp <(tail -c +45 "$wav") "$raw"
cue=$(tr -d '\r' <"$out3/track.cue" 2>/dev/null || true)
check "the CUE sheet names track.wav as a WAVE file" grep -qx 'FILE "track.wav" WAVE' <<<"$cue"
check "the CUE sheet has audio track 01" grep -qx ' *TRACK 01 AUDIO' <<<"$cue"
check "the CUE sheet starts track 01 at 00:00:00" grep -qx ' *INDEX 01 00:00:00' <<<"$cue"
check "the CD audio's folder and files are private (got: $(modes "$out3" | tr '\n' ' '))" \
  test "$(modes "$out3")" = "$(printf '%s\n' '600 ./disc-writer.txt' '600 ./parameters.txt' \
    '600 ./track.cue' '600 ./track.wav' '700 .' | sort)"

# --- Bad parameter texts: a message, a failure, and nothing made ----------------------------------
odd=$work/odd.raw
head -c 4002 "$raw" >"$odd"
refused() { # refused DESCRIPTION ARGUMENTS...: the writer must fail, say why, and make no folder
  local what=$1 status=0 message
  shift
  rm -rf -- "$work/refused"
  message=$(KESTRUM_DISC_OUTPUT=$work/refused "$writer" "$@" 2>&1 >/dev/null) || status=$?
  if ((status == 0)); then
    fail "$what: accepted"
  elif [[ $message != Oskaret.exe:* ]]; then
    fail "$what: no message of its own (got '$message')"
  elif [[ -e $work/refused ]]; then
    fail "$what: made an output folder anyway"
  else
    pass
  fi
}
refused "no argument"
refused "two arguments" "^K1" "^F$list"
refused "empty parameter text" ""
refused "no ^F" "^W3 ^K1"
refused "^F with no path" "^W3 ^K1 ^F"
refused "unknown piece ^X" "^X5 ^F$raw"
refused "^W without a number" "^W ^F$raw"
refused "^W with letters" "^Wabc ^F$raw"
refused "^K other than 1" "^K2 ^F$list"
refused "^W twice" "^W1 ^W2 ^F$raw"
refused "text before the first ^" "W3 ^F$raw"
refused "a path without ^F" "$raw"
refused "export list that does not exist" "^K1 ^F$work/no-such-list"
refused "export list that is a file" "^K1 ^F$raw"
refused "CD audio that does not exist" "^F$work/no-such.raw"
refused "CD audio that is a directory" "^F$list"
refused "CD audio of part frames" "^F$odd"

# --- Output folders that are not the user's alone: refused, nothing written through them ---------
shared=$work/shared
mine=$work/mine
mkdir -p "$shared" "$mine"
chmod 1777 "$shared"
unsafe() { # unsafe DESCRIPTION REASON [OUTPUT]: a run in $shared (output OUTPUT, else discs/) is refused
  local what=$1 reason=$2 target=${3:-$shared/discs} status=0 message
  message=$(cd "$shared" && KESTRUM_DISC_OUTPUT=${3:-} "$writer" "^K1 ^F$list" 2>&1 >/dev/null) || status=$?
  if ((status == 0)); then
    fail "$what: accepted"
  elif [[ $message != *"$reason"* ]]; then
    fail "$what: not refused for that reason (got '$message')"
  elif [[ -n $(ls -A "$mine") ]]; then
    fail "$what: wrote through it: $(ls -A "$mine" | tr '\n' ' ')"
  elif [[ ! -L $target && -n $(ls -A "$target") ]]; then
    fail "$what: wrote into it: $(ls -A "$target" | tr '\n' ' ')"
  else
    pass
  fi
  rm -rf -- "$shared/discs" "$shared/out"
}
ln -s "$mine" "$shared/discs"
unsafe "discs/ a link to a folder of the user's" "'$shared/discs': it is a symbolic link"
ln -s "$mine" "$shared/out"
unsafe "an output folder that is a link" "'$shared/out': it is a symbolic link" "$shared/out"
mkdir -m 777 "$shared/discs"
unsafe "discs/ writable by others" "'$shared/discs': it can be written by other users"
if [[ $EUID -eq 0 ]] && id nobody >/dev/null 2>&1; then
  mkdir -m 700 "$shared/discs"
  chown nobody "$shared/discs"
  unsafe "discs/ of another user" "'$shared/discs': it belongs to another user"
  mkdir -m 700 "$shared/out"
  chown nobody "$shared/out"
  unsafe "an output folder of another user" "'$shared/out': it belongs to another user" "$shared/out"
else
  echo "SKIPPED: folders of another user need the test to run as root" >&2
fi

if ((failures > 0)); then
  echo "FAILED: disc stand-ins ($failures of $checks checks failed)" >&2
  exit 1
fi
echo "PASSED: disc stand-ins ($checks checks)"
