#!/usr/bin/env bash
# Starts each tool under a virtual X server and saves a picture of its main window into docs/:
#   docs/tarnwick-window.png (TCP/IP tool), docs/pellamar-window.png (RS-232C tool).
# Usage: scripts/screenshots.sh [build folder]   (default: build; the tools must be built)
# Needs xvfb, xauth and imagemagick (scripts/setup.sh installs them).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
mkdir -p "$root/docs"

shoot() {
  local program=$1 picture=$2
  local work
  work=$(mktemp -d)
  # Each tool runs in a fresh folder of its own, so it starts with the default settings at the
  # top-left corner of the screen; it is stopped without saving anything back.
  (
    cd "$work"
    xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
      "$1" & pid=$!
      sleep 3
      # No window manager draws a frame here: the client area of dialog 102 (265 x 261 dialog
      # units at 6 x 12 base units) is 398 x 392 pixels at the corner.
      import -window root -crop 398x392+0+0 +repage "$2"
      kill "$pid"
      wait "$pid" 2>/dev/null || true
    ' shoot "$program" "$picture"
  )
  rm -rf "$work"
  echo "saved $picture"
}

shoot "$build/tcpip/Tarnwick" "$root/docs/tarnwick-window.png"
shoot "$build/serial/Pellamar" "$root/docs/pellamar-window.png"
