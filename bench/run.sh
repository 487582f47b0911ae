#!/usr/bin/env bash
# Builds and runs every benchmark and prints their figures as one table.
# Each benchmark's full output goes to build/bench-logs/<name>.log.
#   bench/run.sh [BENCHMARK...]      (default: all of them)
set -euo pipefail
KV_ROOT="$(cd "$(dirname "$0")/.." && pwd)"
. "$KV_ROOT/scripts/ensure-deps.sh"
kv_ensure_deps
ALL=(startup_bench files_bench fw_bench link_download_bench link_upload_bench terminal_bench)
BENCHES=("${@:-${ALL[@]}}")
BUILD="$KV_ROOT/build"
cmake -S "$KV_ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" --target "${BENCHES[@]}" -j"$(nproc)" >/dev/null
LOGS="$BUILD/bench-logs"
mkdir -p "$LOGS"

status=0
rows=()
for b in "${BENCHES[@]}"; do
  echo "running $b..." >&2
  if ! QT_QPA_PLATFORM=offscreen "$BUILD/bin/$b" >"$LOGS/$b.log" 2>&1; then
    rows+=("$b | did not finish (see $LOGS/$b.log) | - | FAILED")
    status=1
  fi
  while IFS= read -r line; do rows+=("${line#figure: }"); done < <(grep '^figure: ' "$LOGS/$b.log" || true)
done

printf '| %s |\n' "measure | value | target | verdict" "--- | --- | --- | ---" "${rows[@]}"
if printf '%s\n' "${rows[@]}" | grep -q '| MISSED$'; then status=1; fi
exit $status
