#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan and UBSan) into build/fuzz and
# runs each for SECONDS (default 120), starting from the seeds in
# tests/fuzz/corpus/<target>. New inputs collect in build/fuzz/corpus/<target>;
# an input that crashes is left in build/fuzz/artifacts/ and the script fails.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-120}
out=build/fuzz
targets=(payload title password)

CC=clang CXX=clang++ cmake -S tests/fuzz -B "$out" >/dev/null
cmake --build "$out" -j2 >/dev/null

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
for target in "${targets[@]}"; do
  mkdir -p "$out/corpus/$target" "$out/artifacts"
  log=$out/$target.log
  echo "fuzz: $target for ${seconds}s"
  if ! "$out/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -dict="tests/fuzz/$target.dict" -artifact_prefix="$out/artifacts/$target-" \
      "$out/corpus/$target" "tests/fuzz/corpus/$target" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz: $target failed; the input is in $out/artifacts/" >&2
    exit 1
  fi
  grep -aE '^Done|^#[0-9]+.*DONE' "$log" | tail -n 1
done
