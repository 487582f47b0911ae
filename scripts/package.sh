#!/usr/bin/env bash
# Builds the Debian package of the suite with CPack in build-package and
# prints the path of the .deb as its last line. With --check it also runs
# lintian on the package and validates its desktop entries and metainfo as
# the package installs them.
#   scripts/package.sh [--check]
set -euo pipefail
KV_ROOT="$(cd "$(dirname "$0")/.." && pwd)"
. "$KV_ROOT/scripts/ensure-deps.sh"
check=0
[ "${1:-}" = "--check" ] && check=1
tools=(help2man librsvg2-bin dpkg-dev)
[ "$check" = 1 ] && tools+=(lintian desktop-file-utils appstream)
kv_ensure_deps "${tools[@]}"

BUILD="$KV_ROOT/build-package"
LOG="$BUILD/package.log"
mkdir -p "$BUILD"
# Debian's hardening and optimisation flags, as its own packages get them
# (given on every configure: CMake reads CXXFLAGS only into a new cache).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags="$(dpkg-buildflags --get LDFLAGS)"
echo "Building the package in $BUILD (log: $LOG)" >&2
if ! { cmake -S "$KV_ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
         -DKV_BUILD_TESTS=OFF -DKV_PACKAGE=ON \
         -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
       && cmake --build "$BUILD" -j"$(nproc)" \
       && rm -rf "$BUILD/package" \
       && (cd "$BUILD" && cpack -G DEB); } >"$LOG" 2>&1; then
  tail -n 30 "$LOG" >&2
  echo "Package build failed; the whole log is $LOG" >&2
  exit 1
fi
deb="$(ls "$BUILD"/package/*.deb)"

if [ "$check" = 1 ]; then
  # Any error fails the check; warnings are shown.
  report="$BUILD/lintian.txt"
  lintian_status=0
  lintian --fail-on error "$deb" >"$report" 2>&1 || lintian_status=$?
  grep -v 'root privileges' "$report" >&2 || true
  if [ "$lintian_status" -ne 0 ]; then
    echo "lintian found errors" >&2
    exit 1
  fi
  echo "lintian: no errors, $(grep -c '^W:' "$report" || true) warnings" >&2
  unpacked="$(mktemp -d)"
  trap 'rm -rf "$unpacked"' EXIT
  dpkg-deb -x "$deb" "$unpacked"
  desktop-file-validate "$unpacked"/usr/share/applications/*.desktop >&2
  echo "desktop-file-validate: both entries valid" >&2
  appstreamcli validate --no-net "$unpacked"/usr/share/metainfo/*.metainfo.xml >/dev/null
  echo "appstreamcli validate: both metainfo files valid" >&2
fi
echo "$deb"
