#!/usr/bin/env bash
# Installs the Debian packages the suite builds and tests with, only those
# that are missing, and builds it. Sourced by run.sh, test.sh and the
# scripts in this folder (they set KV_ROOT first).
kv_ensure_deps() {
  local wanted=(build-essential cmake qt6-base-dev qt6-serialport-dev libgl-dev "$@")
  local missing=()
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

kv_configure() {
  local dir="$1"; shift
  cmake -S "$KV_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
}

# Everything: programs, tests, benchmarks. kv_build DIR [cmake options]
kv_build() {
  local dir="$1"; shift
  kv_configure "$dir" "$@"
  cmake --build "$dir" -j"$(nproc)"
}

# Only the named targets, saying so in one line; the compiler's output goes
# to DIR/build.log and is shown only when the build fails.
#   kv_build_targets DIR TARGET...
kv_build_targets() {
  local dir="$1"; shift
  local log="$dir/build.log"
  echo "Building $* in $dir (log: $log)"
  mkdir -p "$dir"
  if ! { kv_configure "$dir" && cmake --build "$dir" -j"$(nproc)" --target "$@"; } >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    echo "Build failed; the whole log is $log" >&2
    return 1
  fi
}

# True when a window can be shown: an X or Wayland display, or a Qt
# platform chosen by hand (QT_QPA_PLATFORM=offscreen, for instance).
kv_have_display() {
  [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ] || [ -n "${QT_QPA_PLATFORM:-}" ]
}
