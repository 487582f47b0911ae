#!/usr/bin/env bash
# Starts the simulated unit in the background and points port Com1 at it.
# Source it, so that KV310_COM1 reaches the program started afterwards:
#   . tools/sim/start-sim.sh BUILD_DIR [kv310-sim options]
# The simulator ends with the process that sourced this (also across exec).
kv_start_sim() {
  local build="$1"; shift
  local link="${TMPDIR:-/tmp}/kv310-sim-$$.tty"
  local out
  out="$(mktemp)"
  "$build/bin/kv310-sim" --link "$link" "$@" </dev/null >"$out" &
  KV310_SIM_PID=$!
  # The simulator prints its device once the link is in place.
  local tries=50
  while [ ! -s "$out" ] && [ "$tries" -gt 0 ]; do
    sleep 0.1
    tries=$((tries - 1))
  done
  rm -f "$out"
  if [ ! -e "$link" ]; then
    echo "kv310-sim did not start" >&2
    return 1
  fi
  export KV310_COM1="$link"
}
kv_start_sim "$@"
