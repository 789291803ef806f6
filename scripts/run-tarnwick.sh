#!/usr/bin/env bash
# Builds the kit and starts the TCP/IP tool in the current folder, passing on its arguments (an
# instance identifier, for example). Installs whatever is missing first. Without a display the
# tool runs with its window drawn off screen, and says so.
set -euo pipefail
here=$(pwd)
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target Tarnwick
tool=$PWD/build/tcpip/Tarnwick
cd "$here"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  # One line on standard error, then the tool runs until it is stopped.
  export QT_QPA_PLATFORM=offscreen
  if [ $# -gt 0 ]; then n=$1 which=""; else n="<n>" which=" (<n>: the first free instance, 1 to 9)"; fi
  echo "Tarnwick: no display, so it runs without a window; settings $here/Brisolt$n.ini," \
    "data $here/Dat$n/, logs $here/Log$n/$which; stop it with Ctrl+C or kill $$" >&2
fi
exec "$tool" "$@"
