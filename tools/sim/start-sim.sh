#!/usr/bin/env bash
# Starts the simulated unit in the background and points port Com1 at it:
#   . tools/sim/start-sim.sh BUILD_DIR [kv310-sim options]
# (sourced, so KV310_COM1 reaches the program started afterwards). The
# simulator ends with the shell that started it.
kv_start_sim() {
  local build="$1"; shift
  local link="${TMPDIR:-/tmp}/kv310-sim-$$.tty"
  local out="${TMPDIR:-/tmp}/kv310-sim-$$.out"
  "$build/bin/kv310-sim" --link "$link" "$@" </dev/null >"$out" 2>&1 &
  KV310_SIM_PID=$!
  # The simulator prints its device once the link is in place.
  for _ in $(seq 50); do
    [ -s "$out" ] && break
    sleep 0.1
  done
  export KV310_COM1="$link"
  trap 'kill "$KV310_SIM_PID" 2>/dev/null' EXIT
}
kv_start_sim "$@"
