#!/usr/bin/env bash
# Installs what is missing, builds, starts the unit simulator on a
# pseudo-terminal as Com1 and then the configuration program.
set -euo pipefail
KV_ROOT="$(cd "$(dirname "$0")" && pwd)"
. "$KV_ROOT/scripts/ensure-deps.sh"
kv_ensure_deps
kv_build "$KV_ROOT/build"
. "$KV_ROOT/tools/sim/start-sim.sh" "$KV_ROOT/build"
exec "$KV_ROOT/build/bin/KV310" "$@"
