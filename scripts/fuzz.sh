#!/usr/bin/env bash
# Builds the fuzzers (clang, libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) into
# build-fuzz/ (or KESTRUM_FUZZ_BUILD_DIR), makes their seed corpora, replays every input kept in
# fuzz/regressions/, then runs each fuzzer for SECONDS (default 60), two at a time.
# Exits 1, naming the reproducer, when an input crashes, leaks, hangs or takes too much memory.
#
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-60}
build=${KESTRUM_FUZZ_BUILD_DIR:-$root/build-fuzz}
fuzzers=(fuzz_command_line fuzz_recording_reader fuzz_init_record fuzz_compressed_audio fuzz_raw_audio)

# Per input: 10 s is a hang (the largest seeds load in milliseconds), and 2 GB of memory, or any
# single allocation that large, is a fault for inputs of at most a few tens of kilobytes.
limits=(-timeout=10 -rss_limit_mb=2048)
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}

"$root/scripts/install-deps.sh"
if [[ ! -f "$build/build.ninja" ]]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DKESTRUM_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j2

# Seeds are made afresh each run; each fuzzer's own corpus (what it found) is kept between runs.
work=$build/fuzz-work
rm -rf "$work/seeds" "$work/artifacts"
"$build/fuzz/kestrum_fuzz_corpus" "$work/seeds" "$root/tests/data"
mkdir -p "$work/logs"

failed=0

report_failure() { # fuzzer, log
  local name=$1 log=$2
  echo "FAIL: $name found a fault; its report:" >&2
  grep -E -A30 '==[0-9]+==ERROR|runtime error|ERROR: libFuzzer|deadly signal' "$log" | head -n 60 >&2 || tail -n 40 "$log" >&2
  local reproducer
  for reproducer in "$work/artifacts/$name"/*; do
    [[ -e "$reproducer" ]] || continue
    echo "FAIL: reproducer $reproducer" >&2
    echo "      replay: $build/fuzz/$name $reproducer   (KESTRUM_FUZZ_MESSAGES=1 shows the player's messages)" >&2
  done
  failed=1
}

# Every input that once found a fault must now load cleanly.
for name in "${fuzzers[@]}"; do
  inputs=()
  if [[ -d "$root/fuzz/regressions/$name" ]]; then
    mapfile -t inputs < <(find "$root/fuzz/regressions/$name" -type f | sort)
  fi
  [[ ${#inputs[@]} -gt 0 ]] || continue
  log=$work/logs/$name-regressions.log
  mkdir -p "$work/artifacts/$name"
  if "$build/fuzz/$name" "${limits[@]}" -artifact_prefix="$work/artifacts/$name/" "${inputs[@]}" >"$log" 2>&1; then
    echo "$name: ${#inputs[@]} regression inputs replayed"
  else
    echo "FAIL: $name on a regression input; see $log" >&2
    grep -E '^Running: ' "$log" | tail -n 1 >&2 || true
    report_failure "$name" "$log"
  fi
done

run_fuzzer() { # name
  local name=$1
  local corpus=$work/corpus/$name artifacts=$work/artifacts/$name
  mkdir -p "$corpus" "$artifacts"
  local dirs=("$corpus" "$work/seeds/$name")
  [[ -d "$root/fuzz/regressions/$name" ]] && dirs+=("$root/fuzz/regressions/$name")
  "$build/fuzz/$name" "${limits[@]}" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "${dirs[@]}" >"$work/logs/$name.log" 2>&1
}

summary() { # name
  local log=$work/logs/$1.log runs
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  echo "$1: ${runs:-?} executions in ${seconds} s, no faults"
}

# Two at a time: one fuzzer per core.
for ((i = 0; i < ${#fuzzers[@]}; i += 2)); do
  pair=("${fuzzers[@]:i:2}")
  pids=()
  for name in "${pair[@]}"; do
    run_fuzzer "$name" &
    pids+=($!)
  done
  for j in "${!pair[@]}"; do
    if wait "${pids[$j]}"; then
      summary "${pair[$j]}"
    else
      report_failure "${pair[$j]}" "$work/logs/${pair[$j]}.log"
    fi
  done
done

exit "$failed"
