#!/usr/bin/env bash
# Installs the Debian packages the suite builds and tests with, only those
# that are missing. Sourced by run.sh and test.sh.
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

kv_build() {
  local dir="$1"; shift
  cmake -S "$KV_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j"$(nproc)"
}
