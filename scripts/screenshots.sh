#!/usr/bin/env bash
# Takes the README's screenshots under Xvfb: the configuration program
# connected to the simulated unit after a download, and the firmware loader
# with a firmware file chosen. Writes docs/kv310-main.png, docs/fwloader.png.
set -euo pipefail
KV_ROOT="$(cd "$(dirname "$0")/.." && pwd)"
. "$KV_ROOT/scripts/ensure-deps.sh"
kv_ensure_deps xvfb x11-apps netpbm xdotool
kv_build_targets "$KV_ROOT/build" KV310 NV_FWLoader kv310-sim kv310ctl
BIN="$KV_ROOT/build/bin"
DOCS="$KV_ROOT/docs"
mkdir -p "$DOCS"

# The programs run from a folder of their own, so Locals.ini and the
# default file of this run stay out of the build.
WORK="$(mktemp -d)"
cp "$BIN/KV310" "$BIN/NV_FWLoader" "$WORK/"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$WORK"
}
trap cleanup EXIT

export DISPLAY=:57
Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 & pids+=($!)
sleep 1

# Grabs the top-level window whose title matches as a PNG.
grab() {
  local title="$1" out="$2" id
  id="$(xdotool search --sync --onlyvisible --name "$title" | head -1)"
  xwd -silent -id "$id" | xwdtopnm 2>/dev/null | pnmtopng >"$out"
  echo "wrote $out"
}

# The configuration program: the first start asks to download the
# defaults' unit at once; Yes connects to the simulator and reads it.
. "$KV_ROOT/tools/sim/start-sim.sh" "$KV_ROOT/build"
pids+=("$KV310_SIM_PID")
"$WORK/KV310" & pids+=($!)
# The splash carries the bare title too: wait for the main window first.
xdotool search --sync --onlyvisible --name '^KV-310 v' >/dev/null
sleep 1
xdotool search --sync --onlyvisible --name '^KV-310$' >/dev/null
sleep 1
xdotool key Return   # the question has the focus; Yes is its default
sleep 8   # connect and download at 9600 baud
grab '^KV-310 v' "$DOCS/kv310-main.png"
kill "${pids[-1]}" 2>/dev/null || true

# The firmware loader with a firmware file made by kv310ctl.
HEX="$WORK/firmware.hex"
printf ':020000008A284C\r\n:00000001FF\r\n' >"$HEX"
"$BIN/kv310ctl" make-dff "$HEX" --unit KV310 --major 2 --minor 15 --chip 2 --out "$WORK/KV310 v2.15.dff" >/dev/null
"$WORK/NV_FWLoader" & pids+=($!)
loader="$(xdotool search --sync --onlyvisible --name "Firmware Updater" | head -1)"
sleep 1
xdotool mousemove --window "$loader" 155 87 click 1   # Browse for DFF files
xdotool search --sync --onlyvisible --name 'Load Norrvale Firmware File' >/dev/null
sleep 1
xdotool type --delay 20 "$WORK/KV310 v2.15.dff"
xdotool key Return
xdotool search --sync --onlyvisible --name '^NV$' >/dev/null   # "Firmware file for KV310 detected"
sleep 1
xdotool key Return
sleep 1
grab "Firmware Updater" "$DOCS/fwloader.png"
