#!/usr/bin/env bash
# Installs what is missing, builds the two programs and the unit simulator
# (not the tests), starts the simulator on a pseudo-terminal as Com1 and
# then the configuration program.
set -euo pipefail
KV_ROOT="$(cd "$(dirname "$0")" && pwd)"
. "$KV_ROOT/scripts/ensure-deps.sh"
if ! kv_have_display; then
  echo "No display (DISPLAY is not set): run ./run.sh in a graphical session, under xvfb-run, or with QT_QPA_PLATFORM=offscreen" >&2
  exit 1
fi
kv_ensure_deps
kv_build_targets "$KV_ROOT/build" KV310 NV_FWLoader kv310-sim
. "$KV_ROOT/tools/sim/start-sim.sh" "$KV_ROOT/build"
echo "Starting KV310 with Com1 on the simulated unit ($KV310_COM1)"
exec "$KV_ROOT/build/bin/KV310" "$@"
