#!/usr/bin/env bash
# Builds the kit and starts the TCP/IP tool in the current folder, passing on its arguments (an
# instance identifier, for example). Installs whatever is missing first. Without a display the
# window is drawn off screen.
set -euo pipefail
here=$(pwd)
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target Tarnwick
tool=$PWD/build/tcpip/Tarnwick
cd "$here"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
fi
exec "$tool" "$@"
