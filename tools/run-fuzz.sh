#!/usr/bin/env bash
# Runs every fuzz target (fuzz/NAME_fuzz.cpp, built into BUILD_DIR/fuzz) for
# SECONDS seconds on a copy of its corpus (fuzz/corpus/NAME), two at a time.
# Fails when a target crashes or a sanitizer reports; the input that did it is
# printed in hex. Usage: run-fuzz.sh BUILD_DIR [SECONDS]
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "$1" && pwd)"
seconds="${2:-60}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"

fuzz_one() {
  local name="$1" corpus="$work/$1/corpus" log="$work/$1/log"
  mkdir -p "$corpus" "$work/$1/crash"
  [ -d "$top/fuzz/corpus/${name%_fuzz}" ] && cp -r "$top/fuzz/corpus/${name%_fuzz}/." "$corpus/"
  if (cd "$work/$name" && "$build/fuzz/$name" -max_total_time="$seconds" -timeout=20 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/$name/crash/" \
        "$corpus" >"$log" 2>&1); then
    echo "run-fuzz: $name: $(grep -E '^stat::number_of_executed_units' "$log" | awk '{print $2}') runs, no crash"
  else
    echo "run-fuzz: $name FAILED"
    tail -n 60 "$log"
    for f in "$work/$name"/crash/*; do
      [ -f "$f" ] && { echo "input $f:"; od -A x -t x1z -v "$f" | head -n 64; }
    done
    return 1
  fi
}

names=()
for src in "$top"/fuzz/*_fuzz.cpp; do names+=("$(basename "$src" .cpp)"); done
failed=0
pids=()
for name in "${names[@]}"; do
  fuzz_one "$name" &
  pids+=($!)
  if [ ${#pids[@]} -ge 2 ]; then
    wait "${pids[0]}" || failed=1
    pids=("${pids[@]:1}")
  fi
done
for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
exit $failed
