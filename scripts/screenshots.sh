#!/usr/bin/env bash
# Takes the README's screenshots under Xvfb: the configuration program
# connected to the simulated unit after a download (kv310-main.png), with
# the action editor open over the lists and the unit's text in the terminal
# (kv310-editor.png), at its minimum and at a large size (kv310-minimum.png,
# kv310-large.png), waiting while the firmware loader runs beside it
# (kv310-loader.png), and the loader with a firmware file chosen
# (fwloader.png). All in docs/.
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
Xvfb "$DISPLAY" -screen 0 1700x1000x24 -nolisten tcp >/dev/null 2>&1 & pids+=($!)
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

# There is no window manager: the window sits at 0,0 in its default size,
# and clicks go to places in it.
main="$(xdotool search --onlyvisible --name '^KV-310 v' | head -1)"
xdotool mousemove --window "$main" 776 144 click 1   # "Ser Echo": the unit says so
sleep 1
xdotool mousemove --window "$main" 300 470 click 1   # the terminal: typing is echoed
xdotool type --delay 40 "hello unit"
sleep 1
xdotool mousemove --window "$main" 160 81 click 1    # sequence 03: the action editor
sleep 1
grab '^KV-310 v' "$DOCS/kv310-editor.png"
xdotool mousemove --window "$main" 615 480 click 1   # its Cancel
sleep 0.5
xdotool windowsize "$main" 824 510   # the least the window allows
sleep 1
grab '^KV-310 v' "$DOCS/kv310-minimum.png"
xdotool windowsize "$main" 1400 900
sleep 1
grab '^KV-310 v' "$DOCS/kv310-large.png"
xdotool windowsize "$main" 920 600
sleep 1
# Upload Everything after an edit: what it will change is listed first,
# and Cancel leaves the unit as it is.
xdotool mousemove --window "$main" 340 109 click 1   # ASCII string 05
sleep 0.5
xdotool key F2   # its cell editor, the text selected
sleep 0.5
xdotool type --delay 30 "ATDT5551234"
xdotool key Return
sleep 0.5
xdotool mousemove --window "$main" 686 351 click 1   # Upload: its menu
sleep 0.7
xdotool key Up   # Upload Everything, the last entry
sleep 0.3
xdotool key Return
xdotool search --sync --onlyvisible --name '^KV-310$' >/dev/null   # save the changes first?
sleep 0.5
xdotool key alt+n
xdotool search --sync --onlyvisible --name '^Upload$' >/dev/null   # after reading the unit
sleep 1
grab '^Upload$' "$DOCS/kv310-upload-preview.png"
xdotool key Escape
sleep 1
# Update Firmware: the window keeps painting but waits while the loader runs.
xdotool mousemove --window "$main" 95 8 click 1
loader="$(xdotool search --sync --onlyvisible --name "Firmware Updater" | head -1)"
xdotool windowmove "$loader" 940 40
sleep 1
xwd -silent -root | xwdtopnm 2>/dev/null | pnmcut -left 0 -top 0 -width 1260 -height 600 | pnmtopng >"$DOCS/kv310-loader.png"
echo "wrote $DOCS/kv310-loader.png"
xdotool mousemove --window "$loader" 250 140 click 1   # the loader's Exit
sleep 1
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
