#!/usr/bin/env bash
# Installs what is missing, builds, and starts the configuration program.
set -euo pipefail
KV_ROOT="$(cd "$(dirname "$0")" && pwd)"
. "$KV_ROOT/scripts/ensure-deps.sh"
kv_ensure_deps
kv_build "$KV_ROOT/build"
exec "$KV_ROOT/build/bin/KV310" "$@"
