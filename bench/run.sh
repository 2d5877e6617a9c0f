#!/usr/bin/env bash
# Start-up load and waveform benchmarks: how long loading a one-hour recording takes, and how much
# memory, next to ffmpeg and cat doing the same work; how drawing its waveform chart costs at the
# widest view next to the narrowest; how big its peak summaries are and how long they take to
# build; the catalogue of recordings and the disc menu on a hundred thousand small recordings; and
# zoqtool convert of a one-hour call to FLAC and Opus next to the ffmpeg command line; and the
# sound: the player's first sound next to ffplay's on calls of a minute, an hour and ten hours, its
# device callback while every aid and speed changes, its memory playing ten hours of TrueSpeech and
# four hours of raw sound.
# Prints one table; exits 0 only when every target passes. See bench/README.md.
#
# Usage: bench/run.sh [player|catalogue|convert|sound|team]   (without an argument: the first four parts;
# team, a million calls in SQLite and on a PostgreSQL server, takes some half an hour and runs only
# when asked for)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KESTRUM_BENCH_BUILD_DIR:-$root/build-bench}
runs=${KESTRUM_BENCH_RUNS:-7}
part=${1:-all}
[[ $part == all || $part == player || $part == catalogue || $part == convert || $part == sound || $part == team ]] ||
    { echo "usage: bench/run.sh [player|catalogue|convert|sound|team]" >&2; exit 2; }
# Opus encodes an hour in some twenty seconds: its rows take fewer runs.
opus_runs=${KESTRUM_BENCH_OPUS_RUNS:-3}
data=$root/tests/data
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrum-bench.XXXXXX")
# The team part's PostgreSQL server, stopped at the end (see start_postgres).
pg_stop=()
cleanup() {
    if ((${#pg_stop[@]} > 0)); then "${pg_stop[@]}" >/dev/null 2>&1 || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "bench: $*" >&2
    exit 1
}

# --- build ----------------------------------------------------------------------------------

"$root/scripts/install-deps.sh"
# Without the tests: the benchmarks need none of them, and a test being written elsewhere in the
# tree then cannot stop the configure step.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTRUM_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target makezoq zoqtool kestrum kestrum_load_bench kestrum_chart_bench kestrum_cd_bench \
    kestrum_stamp_bench kestrum_playback_bench kestrum_catalogue_files kestrum_search_bench kestrum_menu_bench \
    kestrum_first_sound kestrum_first_sound_shim >/dev/null
makezoq=$build/tools/makezoq/makezoq
zoqtool=$build/tools/zoqtool/zoqtool
loadbench=$build/bench/kestrum_load_bench
chartbench=$build/bench/kestrum_chart_bench
cdbench=$build/bench/kestrum_cd_bench
stampbench=$build/bench/kestrum_stamp_bench
playbackbench=$build/bench/kestrum_playback_bench
cataloguefiles=$build/bench/kestrum_catalogue_files
searchbench=$build/bench/kestrum_search_bench
menubench=$build/bench/kestrum_menu_bench
firstsound=$build/bench/kestrum_first_sound
export KESTRUM_FIRST_SOUND_SHIM=$build/bench/libkestrum_first_sound_shim.so
player=$build/src/kestrum
# The views kestrum_chart_bench draws, narrowest first, widest last.
chart_views=(0.1s 1s 10s 60s 600s whole)

# --- helpers --------------------------------------------------------------------------------

# A number field of `zoqtool info --json`.
info_number() {
    "$zoqtool" info --json "$1" | grep -o "\"$2\":[0-9]*" | head -1 | cut -d: -f2
}

# A `name=value` field of a bench program's output.
bench_field() {
    grep "^$2=" <<<"$1" | cut -d= -f2
}

le32() {
    local n=$1
    # shellcheck disable=SC2059 # the inner printf makes the escapes the outer one turns into bytes
    printf "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $((n & 255)) $(((n >> 8) & 255)) \
        $(((n >> 16) & 255)) $(((n >> 24) & 255)))"
}

# The samples of a WAV file written by zoqtool decode: a 44-byte header, then the data chunk
# (whose size is at offset 40), then perhaps a pad byte.
wav_samples() {
    tail -c +45 "$1" | head -c "$(od -An -tu4 -j40 -N4 "$1" | tr -d ' ')"
}

# wav_with_audio SOURCE.wav AUDIO OUT.wav: a WAV file with SOURCE's fmt chunk and AUDIO's bytes
# as its data, so ffmpeg reads exactly the blocks a recording holds.
wav_with_audio() {
    local source=$1 audio=$2 out=$3
    [[ $(dd if="$source" bs=1 skip=12 count=4 status=none) == "fmt " ]] ||
        fail "$source: the fmt chunk is not the first chunk"
    local fmt_size audio_size
    fmt_size=$(od -An -tu4 -j16 -N4 "$source" | tr -d ' ')
    fmt_size=$((fmt_size + fmt_size % 2))
    audio_size=$(stat -c %s "$audio")
    {
        printf 'RIFF'
        le32 $((4 + 8 + fmt_size + 8 + audio_size))
        printf 'WAVE'
        dd if="$source" bs=1 skip=12 count=$((8 + fmt_size)) status=none
        printf 'data'
        le32 "$audio_size"
        cat "$audio"
    } >"$out"
}

# Wall seconds of one run of a command, its output discarded.
seconds_of() {
    local start=${EPOCHREALTIME/./} end
    "$@" >/dev/null
    end=${EPOCHREALTIME/./}
    awk -v us=$((end - start)) 'BEGIN { printf "%.6f\n", us / 1e6 }'
}

# Runs a command, keeping what it printed in `out` and its wall seconds in `elapsed`.
run_timed() {
    local start=${EPOCHREALTIME/./}
    out=$("$@")
    elapsed=$(awk -v us=$((${EPOCHREALTIME/./} - start)) 'BEGIN { printf "%.6f\n", us / 1e6 }')
}

median() {
    sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

maximum() {
    sort -g | tail -1
}

# kestrum_chart_bench offscreen; Qt's notices (no runtime directory, fonts) are shown only when
# it fails.
chart_bench() {
    QT_QPA_PLATFORM=offscreen "$chartbench" "$@" 2>"$work/chart-bench.stderr" ||
        fail "kestrum_chart_bench $*: $(cat "$work/chart-bench.stderr")"
}

# Peak resident memory of one run of a command, in bytes; its output discarded.
peak_memory_of() {
    /usr/bin/time -o "$work/time" -f %M "$@" >/dev/null
    echo $(($(tail -1 "$work/time") * 1024))
}

cat_to_null() { cat "$1" >/dev/null; }
ffmpeg_to_u8() { ffmpeg -nostdin -v error -i "$1" -f u8 -y /dev/null; }
ffmpeg_to_cd() { ffmpeg -nostdin -v error -f u8 -ar 8000 -ac 1 -i "$1" -f s16le -ar 44100 -ac 2 -y /dev/null; }
# The stamped copy of a recording in a fresh export list (its time, from kestrum_stamp_bench),
# and a plain copy of the same file.
stamp_to_list() {
    rm -rf "$work/list"
    "$stampbench" "$1" "$work/list"
}
copy_file() { cp "$1" "$work/copied.ZOQ"; }

# CPU time a process has used, in clock ticks (user and system).
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
# The whole player playing a recording at Normal speed (offscreen, SDL's dummy device in real
# time): its CPU time over SECONDS of play, after its start-up, as a share of one core.
player_cpu_share() {
    local recording=$1 seconds=$2 run=$work/player-run pid ticks_before ticks_after before after
    mkdir -p "$run"
    (cd "$run" && KESTRUM_UNATTENDED=yes QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
        exec "$player" "$recording") >/dev/null 2>&1 &
    pid=$!
    sleep 5 # start-up, the decode of the hour among it
    kill -0 "$pid" 2>/dev/null || fail "the player did not start on $recording"
    ticks_before=$(cpu_ticks "$pid")
    before=$(date +%s.%N)
    sleep "$seconds"
    ticks_after=$(cpu_ticks "$pid")
    after=$(date +%s.%N)
    kill -TERM "$pid"
    wait "$pid" || true
    awk -v t="$((ticks_after - ticks_before))" -v hz="$(getconf CLK_TCK)" -v a="$before" -v b="$after" \
        'BEGIN { printf "%.6f", t / hz / (b - a) }'
}

# A PostgreSQL server of the benchmark's own, as the tests start theirs: made by initdb in a new
# folder, listening only on a socket there, run as the postgres account when run as root. Its
# settings are the defaults but for memory a server of a million calls would be given. Sets
# pg_folder; the catalogue database is "calls", its administrator "admin" without a password.
start_postgres() {
    local programs
    programs=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
    [[ -x $programs/initdb ]] || fail "PostgreSQL's server is not installed: scripts/install-deps.sh installs it"
    pg_folder=$work/pg
    mkdir -m 700 "$pg_folder"
    local as_server=()
    if [[ $(id -u) -eq 0 ]]; then
        chown postgres: "$pg_folder"
        chmod 755 "$work" # for the server's account to reach its folder
        as_server=(setpriv --reuid=postgres --regid=postgres --init-groups --)
    fi
    (cd "$pg_folder" && "${as_server[@]}" "$programs/initdb" -D "$pg_folder/data" -U admin --auth-local=trust \
        --auth-host=reject -E UTF8 --no-locale >/dev/null) || fail "initdb failed"
    (cd "$pg_folder" && "${as_server[@]}" "$programs/pg_ctl" -D "$pg_folder/data" -l "$pg_folder/log" -w -s \
        -o "-c listen_addresses='' -c unix_socket_directories=$pg_folder -c shared_buffers=512MB -c max_wal_size=4GB" \
        start) || fail "the PostgreSQL server did not start: $(cat "$pg_folder/log")"
    pg_stop=("${as_server[@]}" "$programs/pg_ctl" -D "$pg_folder/data" -m fast -w -s stop)
    "$programs/createdb" -h "$pg_folder" -U admin calls || fail "createdb failed"
}

# The one-hour recordings, for the player's part and the conversions.
if [[ $part != catalogue && $part != team ]]; then

# --- the recordings -------------------------------------------------------------------------

hour=3600
truespeech=$work/truespeech-1h.ZOQ
raw=$work/raw8-1h.ZOQ
truespeech_wav=$work/truespeech-1h.wav
"$makezoq" "$data/8ktruespeech.wav" "$truespeech" --version 10 --repeat-to $hour --rid BENCH10 >/dev/null
"$makezoq" "$data/8k16bitpcm.wav" "$raw" --version 9 --repeat-to $hour --rid BENCH9 >/dev/null
truespeech_bytes=$(info_number "$truespeech" audioLength)
tail -c "$truespeech_bytes" "$truespeech" >"$work/truespeech-1h.audio"
wav_with_audio "$data/8ktruespeech.wav" "$work/truespeech-1h.audio" "$truespeech_wav"

# --- end-to-end check of what makezoq makes -------------------------------------------------

short=$work/short.ZOQ
"$makezoq" "$data/8ktruespeech.wav" "$short" --comment "Demo call" --keyword alarm:1.5,3 \
    --rid E2E1 --last Smith --date 2004-03-05 --time 09:07:02 >/dev/null
short_json=$("$zoqtool" info --json "$short")
for expected in '"fileVersion":10' '"rid":"E2E1"' '"lastName":"Smith"' '"recYear":2004' \
    '"comments":"Demo call\r\n"' '"word":"alarm","positions":[12000,24000]'; do
    grep -qF "$expected" <<<"$short_json" || fail "makezoq: $short reads back without $expected"
done
"$zoqtool" decode "$short" "$work/short.wav"
cmp -s <(wav_samples "$work/short.wav") <(ffmpeg -nostdin -v error -i "$data/8ktruespeech.wav" -f u8 -) ||
    fail "makezoq: the version 10 recording does not decode to ffmpeg's decoding of its WAV"
"$makezoq" "$data/8k16bitpcm.wav" "$work/short9.ZOQ" --version 9 >/dev/null
"$zoqtool" decode "$work/short9.ZOQ" "$work/short9.wav"
cmp -s <(wav_samples "$work/short9.wav") <(ffmpeg -nostdin -v error -i "$data/8k16bitpcm.wav" -f u8 -) ||
    fail "makezoq: the version 9 recording does not hold the WAV's samples as unsigned 8-bit"
[[ $(info_number "$raw" audioLength) == $((hour * 8000)) ]] || fail "makezoq: $raw is not one hour long"
fi # the recordings

# The player's part: loading, drawing, converting, stamping, playing.
if [[ $part == all || $part == player ]]; then

# --- measurements ---------------------------------------------------------------------------

# Warm runs first: every file in the page cache, every program's libraries loaded once. The
# warm ffmpeg run also gives the number of samples the recording must load into.
truespeech_samples=$(ffmpeg -nostdin -v error -i "$truespeech_wav" -f u8 - | wc -c)
cat_to_null "$raw"
cat_to_null "$truespeech"
"$loadbench" "$raw" >/dev/null
"$loadbench" "$truespeech" >/dev/null
chart_bench "$truespeech" >/dev/null
ffmpeg_to_u8 "$data/8ktruespeech.wav"
raw_samples=$work/raw8-1h.u8
tail -c "$(info_number "$raw" audioLength)" "$raw" >"$raw_samples"
"$cdbench" "$raw_samples" >/dev/null
ffmpeg_to_cd "$raw_samples"
stamp_to_list "$raw" >/dev/null
"$zoqtool" verify "$work/list/Recs/$(basename "$raw")" >/dev/null || fail "the stamped copy of $raw does not verify"
copy_file "$raw"

for ((run = 1; run <= runs; ++run)); do
    # Ours and the reference take turns, so a busy moment on the machine hits both alike.
    result=$("$loadbench" "$truespeech")
    [[ $(bench_field "$result" samples) == "$truespeech_samples" ]] ||
        fail "$truespeech loaded $(bench_field "$result" samples) samples; ffmpeg decodes $truespeech_samples"
    bench_field "$result" load_seconds >>"$work/ours-truespeech"
    bench_field "$result" silence_map_seconds >>"$work/silence-map"
    bench_field "$result" peak_above_baseline_bytes >>"$work/memory-truespeech"
    seconds_of ffmpeg_to_u8 "$truespeech_wav" >>"$work/ffmpeg"
    seconds_of ffmpeg_to_u8 "$data/8ktruespeech.wav" >>"$work/ffmpeg-startup"

    result=$("$loadbench" "$raw")
    [[ $(bench_field "$result" samples) == $((hour * 8000)) ]] ||
        fail "$raw loaded $(bench_field "$result" samples) samples, not $((hour * 8000))"
    bench_field "$result" load_seconds >>"$work/ours-raw"
    bench_field "$result" peak_above_baseline_bytes >>"$work/memory-raw"
    seconds_of cat_to_null "$raw" >>"$work/cat"

    # The chart bench gives each view's median draw after a warm-up, and its one summary build.
    result=$(chart_bench "$truespeech")
    [[ $(bench_field "$result" samples) == "$truespeech_samples" ]] ||
        fail "the chart bench loaded $(bench_field "$result" samples) samples; ffmpeg decodes $truespeech_samples"
    chart_size=$(bench_field "$result" chart_size)
    for view in "${chart_views[@]}"; do
        bench_field "$result" "draw_seconds_$view" >>"$work/draw-$view"
    done
    bench_field "$result" peaks_build_seconds >>"$work/peaks-build"
    bench_field "$result" peaks_bytes >>"$work/peaks-bytes"
    bench_field "$result" spectrogram_draw_seconds_0.1s >>"$work/spectrogram-narrowest"
    bench_field "$result" spectrogram_draw_seconds_whole >>"$work/spectrogram-widest"
    bench_field "$result" spectrogram_bytes >>"$work/spectrogram-bytes"
    # The player builds the spectrogram and finds the key presses side by side: the longer counts.
    awk -v a="$(bench_field "$result" spectrogram_build_seconds)" \
        -v b="$(bench_field "$result" key_presses_seconds)" 'BEGIN { print (a > b ? a : b) }' >>"$work/analysis"

    # CD audio in one-second blocks as the audio export makes it, against ffmpeg in one pass.
    result=$("$cdbench" "$raw_samples")
    [[ $(bench_field "$result" cd_bytes) == $((hour * 176400)) ]] ||
        fail "the CD bench made $(bench_field "$result" cd_bytes) bytes of CD audio, not $((hour * 176400))"
    bench_field "$result" convert_seconds >>"$work/ours-cd"
    seconds_of ffmpeg_to_cd "$raw_samples" >>"$work/ffmpeg-cd"

    # zoqtool decode holds the decoded call once: what it needs beyond zoqtool info on the same file.
    decode_memory=$(peak_memory_of "$zoqtool" decode "$truespeech" "$work/decoded.wav")
    info_memory=$(peak_memory_of "$zoqtool" info "$truespeech")
    echo $((decode_memory - info_memory)) >>"$work/memory-decode"

    # The stamped copy with its checksums, against copying the file.
    bench_field "$(stamp_to_list "$raw")" stamp_seconds >>"$work/stamp"
    seconds_of copy_file "$raw" >>"$work/cp"
done

# Playback in real time, once: Play and Stop through the real device (SDL's disk driver, which
# plays in real time), and the CPU it takes to play, the session alone and the whole player.
playback=$(SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null "$playbackbench" "$truespeech" 10 2>/dev/null) ||
    fail "kestrum_playback_bench failed on $truespeech"
player_cpu=$(player_cpu_share "$truespeech" 10)
aids=$(SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null "$playbackbench" "$truespeech" 10 --all-aids 2>/dev/null) ||
    fail "kestrum_playback_bench --all-aids failed on $truespeech"

ours_truespeech=$(median <"$work/ours-truespeech")
silence_map=$(median <"$work/silence-map")
ffmpeg_seconds=$(median <"$work/ffmpeg")
ffmpeg_startup=$(median <"$work/ffmpeg-startup")
ours_raw=$(median <"$work/ours-raw")
cat_seconds=$(median <"$work/cat")
memory_truespeech=$(maximum <"$work/memory-truespeech")
memory_raw=$(maximum <"$work/memory-raw")
draw_narrowest=$(median <"$work/draw-${chart_views[0]}")
draw_widest=$(median <"$work/draw-${chart_views[-1]}")
slowest_view=${chart_views[0]}
draw_slowest=$draw_narrowest
for view in "${chart_views[@]}"; do
    seconds=$(median <"$work/draw-$view")
    if awk -v a="$seconds" -v b="$draw_slowest" 'BEGIN { exit !(a > b) }'; then
        slowest_view=$view
        draw_slowest=$seconds
    fi
done
peaks_build=$(median <"$work/peaks-build")
peaks_bytes=$(maximum <"$work/peaks-bytes")
spectrogram_narrowest=$(median <"$work/spectrogram-narrowest")
spectrogram_widest=$(median <"$work/spectrogram-widest")
spectrogram_bytes=$(maximum <"$work/spectrogram-bytes")
analysis_seconds=$(median <"$work/analysis")
ours_cd=$(median <"$work/ours-cd")
ffmpeg_cd=$(median <"$work/ffmpeg-cd")
memory_decode=$(maximum <"$work/memory-decode")
stamp_seconds=$(median <"$work/stamp")
cp_seconds=$(median <"$work/cp")

fi # the player's part

# --- zoqtool convert --------------------------------------------------------------------------

if [[ $part == all || $part == convert ]]; then
    # The references start from the decoded call, as zoqtool decode writes it, with the same
    # encoders and settings: FLAC's defaults; Opus at 24 kbit/s, at the call's 8000 Hz.
    "$zoqtool" decode "$raw" "$work/raw-decoded.wav"
    "$zoqtool" decode "$truespeech" "$work/truespeech-decoded.wav"
    ffmpeg_to_flac() { ffmpeg -nostdin -v error -i "$1" -c:a flac -y "$work/reference.flac"; }
    ffmpeg_to_opus() { ffmpeg -nostdin -v error -i "$1" -c:a libopus -b:a 24k -y "$work/reference.opus"; }
    convert_to() { "$zoqtool" convert "$1" "$2"; }
    # What is timed must be right: FLAC holds exactly the decoded samples, Opus the whole hour.
    # These runs also bring every file into the page cache.
    for call in raw truespeech; do
        recording=$raw
        [[ $call == truespeech ]] && recording=$truespeech
        convert_to "$recording" "$work/$call.flac"
        cmp -s <(ffmpeg -nostdin -v error -i "$work/$call.flac" -f u8 -) <(wav_samples "$work/$call-decoded.wav") ||
            fail "zoqtool convert: $work/$call.flac does not hold the samples zoqtool decode writes"
        ffmpeg_to_flac "$work/$call-decoded.wav"
    done
    convert_to "$truespeech" "$work/truespeech.opus"
    opus_seconds=$(ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 "$work/truespeech.opus")
    decoded_seconds=$(awk -v b="$(($(wc -c <"$work/truespeech-decoded.wav") - 44))" 'BEGIN { print b / 8000 }')
    awk -v d="$opus_seconds" -v h="$decoded_seconds" 'BEGIN { exit !(d > h - 0.1 && d < h + 0.1) }' ||
        fail "zoqtool convert: $work/truespeech.opus lasts $opus_seconds s, not $decoded_seconds s"
    for ((run = 1; run <= runs; ++run)); do
        for call in raw truespeech; do
            recording=$raw
            [[ $call == truespeech ]] && recording=$truespeech
            seconds_of convert_to "$recording" "$work/$call.flac" >>"$work/convert-flac-$call"
            seconds_of ffmpeg_to_flac "$work/$call-decoded.wav" >>"$work/ffmpeg-flac-$call"
        done
    done
    for ((run = 1; run <= opus_runs; ++run)); do
        seconds_of convert_to "$truespeech" "$work/truespeech.opus" >>"$work/convert-opus"
        seconds_of ffmpeg_to_opus "$work/truespeech-decoded.wav" >>"$work/ffmpeg-opus"
    done
fi


# --- the sound: first sound, the device's callback, memory ------------------------------------

# The seconds from a program's start to its first sound through SDL's disk driver
# (kestrum_first_sound): the player offscreen, its per-user files in a new folder each run; ffplay
# on the WAV of the same blocks.
player_first_sound() {
    local run=$work/first-sound-run
    rm -rf "$run"
    mkdir -p "$run"
    (cd "$run" && KESTRUM_UNATTENDED=yes QT_QPA_PLATFORM=offscreen SDL_DISKAUDIOFILE="$work/first-sound.raw" \
        "$firstsound" 128 "$player" "$1" 2>/dev/null) | grep '^first_sound_seconds=' | cut -d= -f2
}
ffplay_first_sound() {
    SDL_DISKAUDIOFILE="$work/first-sound.raw" "$firstsound" 0 ffplay -nodisp -autoexit -loglevel quiet "$1" \
        2>/dev/null | grep '^first_sound_seconds=' | cut -d= -f2
}
# The player's resident memory (VmHWM, RssAnon, RssFile in bytes) after SECONDS of playing a
# recording (SDL's dummy device), offscreen.
player_memory() {
    local recording=$1 seconds=$2 run=$work/memory-run pid
    rm -rf "$run"
    mkdir -p "$run"
    (cd "$run" && KESTRUM_UNATTENDED=yes QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
        exec "$player" "$recording") >/dev/null 2>&1 &
    pid=$!
    sleep "$seconds"
    kill -0 "$pid" 2>/dev/null || fail "the player did not play $recording for $seconds s"
    awk '/^(VmHWM|RssAnon|RssFile):/ { printf "%s ", $2 * 1024 }' "/proc/$pid/status"
    kill -TERM "$pid"
    wait "$pid" || true
}

if [[ $part == all || $part == sound ]]; then
    for length in 60 36000; do
        "$makezoq" "$data/8ktruespeech.wav" "$work/truespeech-$length.ZOQ" --version 10 --repeat-to $length \
            --rid "BENCH$length" >/dev/null
        tail -c "$(info_number "$work/truespeech-$length.ZOQ" audioLength)" "$work/truespeech-$length.ZOQ" \
            >"$work/truespeech-$length.audio"
        wav_with_audio "$data/8ktruespeech.wav" "$work/truespeech-$length.audio" "$work/truespeech-$length.wav"
    done
    cp "$truespeech" "$work/truespeech-3600.ZOQ"
    cp "$truespeech_wav" "$work/truespeech-3600.wav"
    raw4=$work/raw8-4h.ZOQ
    "$makezoq" "$data/8k16bitpcm.wav" "$raw4" --version 9 --repeat-to $((4 * hour)) --rid BENCH4H >/dev/null
    for length in 60 3600 36000; do
        cat_to_null "$work/truespeech-$length.ZOQ"
        player_first_sound "$work/truespeech-$length.ZOQ" >/dev/null
        ffplay_first_sound "$work/truespeech-$length.wav" >/dev/null
        for ((run = 1; run <= runs; ++run)); do
            player_first_sound "$work/truespeech-$length.ZOQ" >>"$work/first-sound-ours-$length"
            ffplay_first_sound "$work/truespeech-$length.wav" >>"$work/first-sound-ffplay-$length"
        done
    done
    callbacks=$(SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null "$playbackbench" "$truespeech" 10 --toggle 200 \
        2>/dev/null) || fail "kestrum_playback_bench --toggle failed on $truespeech"
    cat_to_null "$raw4"
    read -r base_peak base_anon _ <<<"$(player_memory "$work/truespeech-60.ZOQ" 5)"
    read -r ten_peak _ _ <<<"$(player_memory "$work/truespeech-36000.ZOQ" 20)"
    read -r _ raw4_anon raw4_file <<<"$(player_memory "$raw4" 5)"
    ten_samples=$(info_number "$work/truespeech-36000.ZOQ" audioLength)
    ten_samples=$((ten_samples / 32 * 240))
    raw4_bytes=$(info_number "$raw4" audioLength)
fi

# --- the catalogue and the disc menu ----------------------------------------------------------

if [[ $part == all || $part == catalogue ]]; then
    calls=$work/calls
    "$cataloguefiles" "$calls" 100000
    "$cataloguefiles" "$work/menu" 10000 --flat
    "$cataloguefiles" --queries 100 >"$work/queries"
    catalogue=$work/calls.sqlite
    # Every file read into a new catalogue, then again with nothing changed (the files were just
    # written: both runs read them from the page cache).
    /usr/bin/time -o "$work/time" -f "%e %M" "$zoqtool" index "$calls" --db "$catalogue" >"$work/index.out"
    [[ $(cat "$work/index.out") == "100000 read, 0 unchanged, 0 failed, 0 removed" ]] ||
        fail "zoqtool index said: $(cat "$work/index.out")"
    index_seconds=$(tail -1 "$work/time" | cut -d' ' -f1)
    index_memory=$(($(tail -1 "$work/time" | cut -d' ' -f2) * 1024))
    /usr/bin/time -o "$work/time" -f "%e %M" "$zoqtool" index "$calls" --db "$catalogue" >"$work/index.out"
    [[ $(cat "$work/index.out") == "0 read, 100000 unchanged, 0 failed, 0 removed" ]] ||
        fail "zoqtool index again said: $(cat "$work/index.out")"
    reindex_seconds=$(tail -1 "$work/time" | cut -d' ' -f1)
    # The searches: as the search command does them, and through the whole zoqtool process.
    search=$("$searchbench" "$catalogue" "$work/queries") || fail "kestrum_search_bench failed"
    while IFS= read -r query; do
        # shellcheck disable=SC2086 # a query line is zoqtool search's arguments
        seconds_of "$zoqtool" search --db "$catalogue" $query >>"$work/search-process"
    done <"$work/queries"
    search_process_p95=$(sort -g "$work/search-process" | sed -n 95p)
    # What every run of zoqtool search costs before it searches: the program's start-up (it links
    # the whole audio stack) and opening the catalogue; a search for a day without calls.
    for ((run = 1; run <= 21; ++run)); do
        seconds_of "$zoqtool" search --db "$catalogue" --from 1900-01-01 --to 1900-01-01 >>"$work/zoqtool-startup"
    done
    zoqtool_startup=$(median <"$work/zoqtool-startup")
    # The disc menu on a folder of ten thousand.
    menu=$(QT_QPA_PLATFORM=offscreen "$menubench" "$work/menu" 2>"$work/menu.err") ||
        fail "kestrum_menu_bench failed: $(cat "$work/menu.err")"
    [[ $(bench_field "$menu" rows) == 10000 ]] || fail "the menu shows $(bench_field "$menu" rows) rows, not 10000"
fi

# --- a team's catalogue: a million calls, in SQLite and on a PostgreSQL server ------------------

declare -A team_index team_reindex team_search team_search_process team_menu_list team_menu_key
if [[ $part == team ]]; then
    team_calls=${KESTRUM_BENCH_TEAM_CALLS:-1000000}
    archive=$work/archive
    "$cataloguefiles" "$archive" "$team_calls"
    "$cataloguefiles" --queries 100 >"$work/queries"
    start_postgres
    for backend in sqlite postgres; do
        target=$work/team.sqlite
        [[ $backend == postgres ]] && target="postgresql://admin@/calls?host=$pg_folder"
        # A new catalogue, every call read; then again, nothing changed.
        run_timed "$zoqtool" index "$archive" --db "$target"
        [[ $out == "$team_calls read, 0 unchanged, 0 failed, 0 removed" ]] || fail "zoqtool index said: $out"
        team_index[$backend]=$elapsed
        run_timed "$zoqtool" index "$archive" --db "$target"
        [[ $out == "0 read, $team_calls unchanged, 0 failed, 0 removed" ]] || fail "zoqtool index again said: $out"
        team_reindex[$backend]=$elapsed
        # The searches in process (open, search, read every row) and as whole zoqtool processes.
        search=$("$searchbench" "$target" "$work/queries") || fail "kestrum_search_bench failed on $backend"
        team_search[$backend]=$(bench_field "$search" seconds_p95)
        rm -f "$work/team-search-process"
        while IFS= read -r query; do
            # shellcheck disable=SC2086 # a query line is zoqtool search's arguments
            seconds_of "$zoqtool" search --db "$target" $query >>"$work/team-search-process"
        done <"$work/queries"
        team_search_process[$backend]=$(sort -g "$work/team-search-process" | sed -n 95p)
        # The menu over the whole catalogue: its first page, then the filter.
        menu=$(QT_QPA_PLATFORM=offscreen "$menubench" --db "$target" 2>"$work/menu.err") ||
            fail "kestrum_menu_bench --db failed on $backend: $(cat "$work/menu.err")"
        [[ $(bench_field "$menu" rows) == 200 ]] || fail "the menu shows $(bench_field "$menu" rows) rows, not a page of 200"
        team_menu_list[$backend]=$(bench_field "$menu" list_seconds)
        team_menu_key[$backend]=$(bench_field "$menu" keystroke_seconds_max)
    done
fi

# --- the table ------------------------------------------------------------------------------

failures=0
print_columns() {
    printf '%-52s %12s %12s %7s %8s  %s\n' "$@"
}
# row WHAT OURS REFERENCE UNIT_DIVISOR UNIT TARGET [info]
row() {
    local what=$1 ours=$2 reference=$3 divisor=$4 unit=$5 target=$6 kind=${7:-}
    local ratio verdict
    ratio=$(awk -v a="$ours" -v b="$reference" 'BEGIN { printf "%.2f", a / b }')
    if [[ $kind == info ]]; then
        verdict=info
    elif awk -v a="$ours" -v b="$reference" -v t="$target" 'BEGIN { exit !(a / b <= t) }'; then
        verdict=pass
    else
        verdict=FAIL
        failures=$((failures + 1))
    fi
    print_columns "$what" \
        "$(awk -v v="$ours" -v d="$divisor" -v u="$unit" 'BEGIN { printf "%.3f %s", v / d, u }')" \
        "$(awk -v v="$reference" -v d="$divisor" -v u="$unit" 'BEGIN { printf "%.3f %s", v / d, u }')" \
        "$ratio" "<= $target" "$verdict"
}

print_columns what ours reference ratio target result
if [[ $part == all || $part == player ]]; then
echo "median of $runs runs; memory is the largest of them"
row "a. 1 h TrueSpeech into the store vs ffmpeg -f u8" "$ours_truespeech" "$ffmpeg_seconds" 1 s 1.00
row "   (same, ffmpeg's start-up of $(printf %.3f "$ffmpeg_startup") s taken off)" "$ours_truespeech" \
    "$(awk -v a="$ffmpeg_seconds" -v b="$ffmpeg_startup" 'BEGIN { print a - b }')" 1 s 1.00 info
row "b. 1 h raw 8-bit into the store vs cat (warm cache)" "$ours_raw" "$cat_seconds" 1 s 2.00
row "c. peak memory, 1 h TrueSpeech, vs decoded size" "$memory_truespeech" "$truespeech_samples" 1e6 MB 1.25
row "c. peak memory, 1 h raw 8-bit, vs decoded size" "$memory_raw" $((hour * 8000)) 1e6 MB 1.25
row "d. draw the $chart_size chart: whole hour vs 0.1 s view" "$draw_widest" "$draw_narrowest" 1e-3 ms 2.00
row "   (slowest view, $slowest_view, vs the 0.1 s view)" "$draw_slowest" "$draw_narrowest" 1e-3 ms 2.00 info
row "e. peak summaries of 1 h TrueSpeech vs its PCM bytes" "$peaks_bytes" "$truespeech_samples" 1e6 MB 0.05
row "f. building them vs row a's load (the decode)" "$peaks_build" "$ours_truespeech" 1e-3 ms 0.10
row "g. 1 h 8-bit to CD audio in 1 s blocks vs ffmpeg" "$ours_cd" "$ffmpeg_cd" 1 s 1.20
row "w. draw the spectrogram: whole hour vs 0.1 s view" "$spectrogram_widest" "$spectrogram_narrowest" 1e-3 ms 2.00
row "x. spectrogram summary of 1 h TrueSpeech vs PCM bytes" "$spectrogram_bytes" "$truespeech_samples" 1e6 MB 0.60
row "y. spectrogram and key presses of 1 h vs row a's load" "$analysis_seconds" "$ours_truespeech" 1 s 0.50
row "h. stamping 1 h raw into an export list vs cp" "$stamp_seconds" "$cp_seconds" 1 s 1.50
row "i. zoqtool decode 1 h TrueSpeech, memory above info" "$memory_decode" "$truespeech_samples" 1e6 MB 1.25
row "j. Play to sound, worst of 10, vs 100 ms" "$(bench_field "$playback" play_to_sound_seconds)" 0.1 1e-3 ms 1.00
row "j. Stop to silence (with the device's buffer), vs 100 ms" "$(bench_field "$playback" pause_to_silence_seconds)" \
    0.1 1e-3 ms 1.00
row "k. CPU playing at Normal: session and device, vs 1%" "$(bench_field "$playback" cpu_share)" 0.01 0.01 % 1.00
row "k. CPU playing at Normal: the whole player, vs 1%" "$player_cpu" 0.01 0.01 % 1.00
row "p. CPU with every listening aid on, vs 5%" "$(bench_field "$aids" cpu_share)" 0.05 0.01 % 1.00
row "p. load and silence map of 1 h TrueSpeech vs the load" \
    "$(awk -v a="$ours_truespeech" -v b="$silence_map" 'BEGIN { print a + b }')" "$ours_truespeech" 1 s 1.10
fi
if [[ $part == all || $part == catalogue ]]; then
row "l. index 100,000 small recordings vs 60 s" "$index_seconds" 60 1 s 1.00
row "l. peak memory of that run vs 100 MB" "$index_memory" 100e6 1e6 MB 1.00
row "m. index them again, unchanged, vs 5 s" "$reindex_seconds" 5 1 s 1.00
row "n. search, 95th percentile of 100, vs 50 ms" "$(bench_field "$search" seconds_p95)" 0.05 1e-3 ms 1.00
row "   (same, through zoqtool search, vs 50 ms)" "$search_process_p95" 0.05 1e-3 ms 1.00 info
row "   (zoqtool search finding nothing, vs 50 ms)" "$zoqtool_startup" 0.05 1e-3 ms 1.00 info
row "o. menu lists 10,000 recordings vs 2 s" "$(bench_field "$menu" list_seconds)" 2 1 s 1.00
row "o. menu filter, slowest keystroke, vs 100 ms" "$(bench_field "$menu" keystroke_seconds_max)" 0.1 1e-3 ms 1.00
row "   (median keystroke, vs 100 ms)" "$(bench_field "$menu" keystroke_seconds_median)" 0.1 1e-3 ms 1.00 info
fi

if [[ $part == team ]]; then
echo "a team's catalogue of $team_calls calls, once each"
row "s. index them into SQLite vs 3 min" "${team_index[sqlite]}" 180 1 s 1.00
row "s. index them into PostgreSQL vs 10 min" "${team_index[postgres]}" 600 1 s 1.00
for backend in sqlite postgres; do
    row "t. $backend: search, 95th percentile of 100, vs 50 ms" "${team_search[$backend]}" 0.05 1e-3 ms 1.00
    row "t. $backend: the same through zoqtool search, vs 150 ms" "${team_search_process[$backend]}" 0.15 1e-3 ms 1.00
    row "u. $backend: index them again, unchanged, vs 60 s" "${team_reindex[$backend]}" 60 1 s 1.00
    row "v. $backend: menu shows its first rows vs 1 s" "${team_menu_list[$backend]}" 1 1 s 1.00
    row "v. $backend: menu filter, slowest keystroke, vs 150 ms" "${team_menu_key[$backend]}" 0.15 1e-3 ms 1.00
done
fi

if [[ $part == all || $part == convert ]]; then
row "q. convert 1 h raw 8-bit call to FLAC vs ffmpeg from WAV" "$(median <"$work/convert-flac-raw")" \
    "$(median <"$work/ffmpeg-flac-raw")" 1 s 1.20
row "   (the TrueSpeech call, decoding it as it encodes)" "$(median <"$work/convert-flac-truespeech")" \
    "$(median <"$work/ffmpeg-flac-truespeech")" 1 s 1.20 info
row "r. convert 1 h TrueSpeech call to Opus vs ffmpeg" "$(median <"$work/convert-opus")" \
    "$(median <"$work/ffmpeg-opus")" 1 s 1.20
fi

if [[ $part == all || $part == sound ]]; then
echo "first sound: median of $runs runs (SDL's disk driver); memory: the player after playing a while"
for length in 60 3600 36000; do
    name=$([[ $length == 60 ]] && echo "1 min" || { [[ $length == 3600 ]] && echo "1 h" || echo "10 h"; })
    row "z. first sound, $name TrueSpeech, vs ffplay -nodisp" "$(median <"$work/first-sound-ours-$length")" \
        "$(median <"$work/first-sound-ffplay-$length")" 1e-3 ms 1.00
done
row "aa. device callback, longest, every aid and speed x200, vs 2 ms" \
    "$(bench_field "$callbacks" callback_longest_seconds)" 0.002 1e-3 ms 1.00
row "   (99th percentile, vs 2 ms)" "$(bench_field "$callbacks" callback_p99_seconds)" 0.002 1e-3 ms 1.00 info
row "   (longest on the callback's own CPU clock, vs 2 ms)" "$(bench_field "$callbacks" callback_cpu_longest_seconds)" \
    0.002 1e-3 ms 1.00 info
row "ab. memory playing 10 h TrueSpeech, above 1 min's, vs decoded" "$((ten_peak - base_peak))" "$ten_samples" \
    1e6 MB 1.10
row "ab. 4 h raw: anonymous memory above 1 min's vs its bytes" "$((raw4_anon - base_anon))" "$raw4_bytes" 1e6 MB 0.25
row "   (4 h raw: resident file pages, the mapped call)" "$raw4_file" "$raw4_bytes" 1e6 MB 1.00 info
fi

if ((failures > 0)); then
    echo "$failures target(s) missed" >&2
    exit 1
fi
