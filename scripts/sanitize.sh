#!/usr/bin/env bash
# Builds the suite with AddressSanitizer + UndefinedBehaviorSanitizer in
# build-asan and runs every test there.
set -euo pipefail
KV_ROOT="$(cd "$(dirname "$0")/.." && pwd)"
. "$KV_ROOT/scripts/ensure-deps.sh"
kv_ensure_deps
kv_build "$KV_ROOT/build-asan" -DKV_SANITIZE=ON
cd "$KV_ROOT/build-asan"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$KV_ROOT/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# Waiting tests, several per core; fewer than in test.sh, as the checks
# multiply the CPU each one needs.
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(( $(nproc) * 2 ))"
