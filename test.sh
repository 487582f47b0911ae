#!/usr/bin/env bash
# Installs what is missing, builds everything, and runs every test headless.
set -euo pipefail
KV_ROOT="$(cd "$(dirname "$0")" && pwd)"
. "$KV_ROOT/scripts/ensure-deps.sh"
kv_have_display || echo "No display (DISPLAY is not set): the tests run offscreen and need none"
# The validators check the desktop entries and metainfo the package installs;
# ser2net is the serial server the network port tests run against.
kv_ensure_deps desktop-file-utils appstream ser2net
kv_build "$KV_ROOT/build"
cd "$KV_ROOT/build"
# The tests mostly wait on the line's timers (about a tenth of the time is
# CPU), so several run per core.
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(( $(nproc) * 4 ))"
