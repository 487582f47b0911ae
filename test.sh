#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless.
set -euo pipefail
KV_ROOT="$(cd "$(dirname "$0")" && pwd)"
. "$KV_ROOT/scripts/ensure-deps.sh"
kv_ensure_deps
kv_build "$KV_ROOT/build"
cd "$KV_ROOT/build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
