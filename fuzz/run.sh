#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer + AddressSanitizer + UBSan)
# and runs each for a bounded time, seeded from files the programs write.
#   fuzz/run.sh [SECONDS_PER_TARGET] [TARGET...]      (default 60 s, all targets)
# Findings land in fuzz/out/findings/<target>/; the last line of each run
# (executions, coverage) is printed in a table at the end.
set -euo pipefail
KV_ROOT="$(cd "$(dirname "$0")/.." && pwd)"
. "$KV_ROOT/scripts/ensure-deps.sh"
kv_ensure_deps clang libclang-rt-14-dev
SECONDS_PER_TARGET="${1:-60}"
shift || true
ALL=(fuzz_datafile fuzz_inifile fuzz_action_text fuzz_ascii_codes fuzz_hex fuzz_dff fuzz_boot_answers)
TARGETS=("${@:-${ALL[@]}}")
BUILD="$KV_ROOT/build-fuzz"
OUT="$KV_ROOT/fuzz/out"

CC=clang CXX=clang++ cmake -S "$KV_ROOT" -B "$BUILD" -DKV_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" --target make_seeds "${TARGETS[@]}" -j"$(nproc)" >/dev/null
mkdir -p "$OUT"
"$BUILD/bin/make_seeds" "$OUT/seeds"

export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1"
export LSAN_OPTIONS="suppressions=$KV_ROOT/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export QT_QPA_PLATFORM=offscreen

run_one() {
  local t="$1"
  mkdir -p "$OUT/corpus/$t" "$OUT/findings/$t"
  [ -d "$OUT/seeds/$t" ] && cp -n "$OUT/seeds/$t"/* "$OUT/corpus/$t/" 2>/dev/null || true
  "$BUILD/bin/$t" -max_total_time="$SECONDS_PER_TARGET" -rss_limit_mb=2048 -timeout=10 \
      -artifact_prefix="$OUT/findings/$t/" -print_final_stats=1 "$OUT/corpus/$t" \
      >"$OUT/$t.log" 2>&1
}

status=0
pids=()
for t in "${TARGETS[@]}"; do
  run_one "$t" & pids+=($!)
  if [ ${#pids[@]} -ge "$(nproc)" ]; then wait "${pids[0]}" || status=1; pids=("${pids[@]:1}"); fi
done
for p in "${pids[@]}"; do wait "$p" || status=1; done

printf '%-20s %12s %8s %8s %s\n' target executions cov ft result
for t in "${TARGETS[@]}"; do
  log="$OUT/$t.log"
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo '?')
  cov=$(grep -oE 'cov: [0-9]+' "$log" | tail -1 | grep -oE '[0-9]+' || echo '?')
  ft=$(grep -oE 'ft: [0-9]+' "$log" | tail -1 | grep -oE '[0-9]+' || echo '?')
  if ls "$OUT/findings/$t"/* >/dev/null 2>&1; then res="FINDINGS"; status=1; else res="clean"; fi
  printf '%-20s %12s %8s %8s %s\n' "$t" "$execs" "$cov" "$ft" "$res"
done
exit $status
