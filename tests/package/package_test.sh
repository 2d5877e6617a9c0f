#!/usr/bin/env bash
# The Debian package as an administrator installs it and a user meets it: built by CPack from this
# build, unpacked into a scratch root (dpkg -x), its Depends computed from the programs' shared
# libraries, its programs run from there (zoqtool info and the player, offscreen, on the demo
# recording), its desktop entry, MIME type, icon and manual pages checked with the desktop's own
# tools, and zoqtool's bash completion sourced and asked.
#
# Usage: package_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source_dir=$1
build=$2
demo=$build/demo/demo.ZOQ
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrum-package.XXXXXX")
player_pid=
cleanup() {
  [[ -n $player_pid ]] && kill -KILL "$player_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
pass() { echo "ok: $*"; }

# --- the package ------------------------------------------------------------------------------

deb=$(KESTRUM_PACKAGE_NO_BUILD=1 KESTRUM_BUILD_DIR=$build KESTRUM_PACKAGE_DIR=$work/package \
  "$source_dir/scripts/package.sh")
[[ -f $deb ]] || { echo "FAIL: scripts/package.sh made no package" >&2; exit 1; }
pass "built $(basename "$deb")"

depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libqt6dbus6 libsdl2-2.0-0 libavcodec59 libavformat59 libswresample4 libsqlite3-0 libspandsp2; do
  [[ $depends == *"$library "* || $depends == *"$library," || $depends == *"$library" ]] ||
    fail "Depends lacks $library: $depends"
done
pass "Depends: $depends"

root=$work/root
dpkg -x "$deb" "$root"
usr=$root/usr
for program in bin/kestrum bin/zoqtool bin/vantrel lib/kestrum/Oskaret.exe lib/kestrum/Vantrel.Exe; do
  [[ -f $usr/$program && -x $usr/$program ]] || fail "$program is not an installed program"
done
# The disc menu under its disc name is the installed vantrel.
[[ $(readlink -f "$usr/lib/kestrum/Vantrel.Exe") == "$(readlink -f "$usr/bin/vantrel")" ]] ||
  fail "lib/kestrum/Vantrel.Exe is not bin/vantrel"
# The seated user may read a foot pedal.
grep -q 'ATTRS{idVendor}=="05f3", ATTRS{idProduct}=="00ff", TAG+="uaccess"' \
  "$usr/lib/udev/rules.d/70-kestrum-foot-pedal.rules" || fail "no udev rule gives the seated user the foot pedal"

# --- the installed programs -------------------------------------------------------------------

info=$("$usr/bin/zoqtool" info "$demo") || fail "the installed zoqtool info failed on the demo"
[[ $info == *DEMO0001* && $info == *Marlow* ]] || fail "zoqtool info did not show the demo's details: $info"
pass "installed zoqtool info"

"$usr/bin/zoqtool" convert "$demo" "$work/demo.flac" || fail "the installed zoqtool convert failed"
[[ $(ffprobe -v error -show_entries format_tags=title -of default=nw=1:nk=1 "$work/demo.flac") == \
  "DEMO0001 2026-11-03 14:22:05" ]] || fail "the installed zoqtool convert wrote no title"

# The player, as a double click starts it: the recording's path as its one argument. It plays
# (SDL's disk driver writes what it plays) and closes cleanly on SIGTERM.
run=$work/run
mkdir -p "$run"
played=$work/played.raw
(cd "$run" && exec env KESTRUM_UNATTENDED=no QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=disk \
  SDL_DISKAUDIOFILE="$played" "$usr/bin/kestrum" "$demo" >"$work/player.out" 2>"$work/player.err") &
player_pid=$!
for ((i = 0; i < 200; ++i)); do
  [[ -s $played ]] && break
  kill -0 "$player_pid" 2>/dev/null || break
  sleep 0.1
done
if [[ -s $played ]]; then
  pass "the installed player plays the demo"
else
  fail "the installed player did not play: $(cat "$work/player.err")"
fi
kill -TERM "$player_pid" 2>/dev/null || true
status=0
wait "$player_pid" || status=$?
player_pid=
[[ $status == 0 ]] || fail "the installed player ended with $status: $(cat "$work/player.err")"
if grep -q '^LUMBRA PLAYER: ' "$work/player.err"; then
  fail "the installed player said: $(grep '^LUMBRA PLAYER: ' "$work/player.err")"
fi
user_dir=$(find "$run" -mindepth 1 -maxdepth 1 -type d | head -1)
[[ -n $user_dir && -f $user_dir/Kestrum.DAT && ! -e $user_dir/Kestrum.LCK ]] ||
  fail "the player did not keep its per-user files in its working directory: $(ls -R "$run")"

# --- desktop integration ------------------------------------------------------------------------

share=$usr/share
desktop-file-validate "$share/applications/kestrum.desktop" >"$work/validate" 2>&1 ||
  fail "desktop-file-validate: $(cat "$work/validate")"
[[ ! -s $work/validate ]] || fail "desktop-file-validate: $(cat "$work/validate")"
grep -qx 'Exec=kestrum %f' "$share/applications/kestrum.desktop" || fail "the desktop entry does not run kestrum %f"
for xml in "$share/mime/packages/kestrum.xml" "$share/icons/hicolor/scalable/apps/kestrum.svg"; do
  xmllint --noout "$xml" 2>"$work/xmllint" || fail "xmllint $(basename "$xml"): $(cat "$work/xmllint")"
done
pass "desktop entry, MIME package and icon validate"

# The MIME type by name and by content: the system's types and the installed tree's together, the
# user's own left out.
export XDG_DATA_HOME=$work/no-user-data XDG_DATA_DIRS=$share:/usr/share
update-mime-database "$share/mime" 2>"$work/mime.err" || fail "update-mime-database: $(cat "$work/mime.err")"
[[ ! -s $work/mime.err ]] || fail "update-mime-database: $(cat "$work/mime.err")"
cp "$demo" "$work/call.ZOQ"
cp "$demo" "$work/call.bin"
mkdir -p "$work/stamped/Recs"
"$usr/bin/zoqtool" stamp "$demo" "$work/stamped" >/dev/null
cp "$work/stamped/Recs/demo.ZOQ" "$work/stamped.dat"
for file in call.ZOQ call.bin stamped.dat; do
  type=$(xdg-mime query filetype "$work/$file")
  [[ $type == application/x-zoq ]] || fail "xdg-mime says $file is $type"
done
pass "xdg-mime knows application/x-zoq by name and by its first bytes (ZOQ, EXP)"

for page in kestrum zoqtool vantrel; do
  rendered=$(LC_ALL=C.UTF-8 MANWIDTH=80 MANROFFOPT=-ww man -l "$share/man/man1/$page.1.gz" 2>"$work/man.err") ||
    fail "man -l $page.1.gz failed"
  [[ ! -s $work/man.err ]] || fail "man -l $page.1.gz warned: $(cat "$work/man.err")"
  [[ $rendered == *"${page^^}(1)"* ]] || fail "man -l $page.1.gz rendered no page"
done
pass "the manual pages render without warnings"

# zoqtool's bash completion where bash-completion looks for it, completing a recording.
completion=$share/bash-completion/completions/zoqtool
if [[ -f $completion ]]; then
  completed=$(cd "$work" && bash -c 'source "$1" && complete -p zoqtool && COMP_WORDS=(zoqtool info call.Z) &&
    COMP_CWORD=2 && _zoqtool && printf "%s\n" "${COMPREPLY[@]}"' completion "$completion") ||
    fail "sourcing the installed completion failed"
  [[ $completed == $'complete -F _zoqtool zoqtool\ncall.ZOQ' ]] || fail "the installed completion gave: $completed"
  pass "the bash completion of zoqtool is installed and completes a recording"
else
  fail "no bash completion installed at share/bash-completion/completions/zoqtool"
fi

if ((failures > 0)); then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "1 passed, 0 failed"
