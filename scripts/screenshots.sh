#!/usr/bin/env bash
# Starts each tool under a virtual X server and saves a picture of its main window into docs/:
#   docs/tarnwick-window.png (TCP/IP tool), docs/pellamar-window.png (RS-232C tool), and
#   docs/tarnwick-traffic.png: the TCP/IP tool as a server after two peers connected and sent
#   data, so that the padded columns of its traffic lines can be seen; docs/pellamar-traffic.png:
#   the RS-232C tool with its port open on a socat pair after some traffic.
# Usage: scripts/screenshots.sh [build folder]   (default: build; the tools must be built)
# Needs xvfb, xauth, imagemagick and socat (scripts/setup.sh installs them).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
mkdir -p "$root/docs"

shoot() {
  local program=$1 picture=$2 settings=${3:-} traffic=${4:-}
  local work
  work=$(mktemp -d)
  local ini=Brisolt1.ini
  [ "$(basename "$program")" = Pellamar ] && ini=Pellamar1.ini
  [ -n "$settings" ] && printf '%b' "$settings" >"$work/$ini"
  # Each tool runs in a fresh folder of its own, so it starts with the default settings at the
  # top-left corner of the screen; it is stopped without saving anything back.
  (
    cd "$work"
    xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
      "$1" & pid=$!
      sleep 3
      [ -n "$3" ] && { eval "$3" || true; }
      # No window manager draws a frame here: the client area of dialog 102 (265 x 261 dialog
      # units at the 7 x 12 base units of the dialog font) is 464 x 392 pixels at the corner.
      import -window root -crop 464x392+0+0 +repage "$2"
      kill "$pid"
      wait "$pid" 2>/dev/null || true
    ' shoot "$program" "$picture" "$traffic"
  )
  rm -rf "$work"
  echo "saved $picture"
}

shoot "$build/tcpip/Tarnwick" "$root/docs/tarnwick-window.png"
shoot "$build/serial/Pellamar" "$root/docs/pellamar-window.png"

# Two peers of the server on a port of its own: the first sends a framed block, the second a
# text in CP932 ("日本語"), then the first closes.
port=47613
peers="exec 3<>/dev/tcp/127.0.0.1/$port; printf '\\x02ABC\\x03hello' >&3; sleep 0.5
  exec 4<>/dev/tcp/127.0.0.1/$port; printf '\\x93\\xfa\\x96\\x7b\\x8c\\xea' >&4; sleep 0.5
  exec 3>&-; sleep 1"
shoot "$build/tcpip/Tarnwick" "$root/docs/tarnwick-traffic.png" \
  "[TCPIP]\r\nPORT=$port\r\n[START]\r\nCONECT=1\r\n" "$peers"

# The RS-232C tool with its port open on one end of a virtual null-modem pair; the other end
# sends a framed block and a text line.
pair=$(mktemp -d)
socat pty,raw,echo=0,link="$pair/tool" pty,raw,echo=0,link="$pair/peer" &
socat_pid=$!
for _ in $(seq 50); do [ -e "$pair/peer" ] && break; sleep 0.1; done
line="printf '\\x02ABC\\x03' >'$pair/peer'; sleep 0.5; printf 'OK\\r\\n' >'$pair/peer'; sleep 0.5"
shoot "$build/serial/Pellamar" "$root/docs/pellamar-traffic.png" \
  "[COM]\r\nPORT=$pair/tool\r\n[START]\r\nCONECT=1\r\n" "$line"
kill "$socat_pid" 2>/dev/null || true
rm -rf "$pair"
