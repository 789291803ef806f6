#!/usr/bin/env bash
# Installs everything the build, the tests and the benchmarks need on a bare Debian 12 machine.
# Safe to run again: when every package is present it does nothing.
set -euo pipefail

packages=(
  build-essential g++ clang-14 libclang-rt-14-dev cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  qt6-declarative-dev
  libwebkit2gtk-4.1-dev libjavascriptcoregtk-4.1-dev
  fonts-ipafont-gothic fonts-ipafont-mincho fontconfig
  xvfb xauth imagemagick socat clang-format
  dpkg-dev lintian desktop-file-utils appstream file man-db
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "setup: installing needs root; missing: ${missing[*]}" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
# Another apt run (an unattended upgrade, say) may hold the lock for a while: apt waits for it
# up to ten minutes, and a run that still fails for the lock is tried again.
apt_run() {
  local attempt
  for attempt in 1 2 3; do
    apt-get -o DPkg::Lock::Timeout=600 "$@" && return 0
    echo "setup: apt-get $1 failed (attempt $attempt), trying again" >&2
    sleep 10
  done
  return 1
}
apt_run update -qq
apt_run install -y -qq --no-install-recommends "${missing[@]}"
