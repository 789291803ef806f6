#!/usr/bin/env bash
# A tool started as its menu entry starts it (offscreen): two copies run side by side as
# instances 1 and 2 in the tool's folder under the home folder, made on the first start, and the
# folder they were started from gets nothing. Without a display a menu start makes nothing at all.
# Usage: menu_start_test.sh <tool binary> <program name>
set -uo pipefail
tool=$(realpath "$1") name=$2
work=$(mktemp -d)
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/home" "$work/runtime" "$work/from"
chmod 700 "$work/runtime"
folder=$work/home/CommTestKit/$name

start() {
  (cd "$work/from" && exec env -u DISPLAY -u WAYLAND_DISPLAY HOME="$work/home" \
    XDG_RUNTIME_DIR="$work/runtime" "$@" "$tool" --menu) >>"$work/out" 2>&1 &
  pids+=($!)
}

# No display: one line and exit code 1, and no folder made in the home folder.
(cd "$work/from" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$work/home" \
  timeout 30 "$tool" --menu) >/dev/null 2>&1
status=$?
if [ "$status" -ne 1 ] || [ -n "$(ls -A "$work/home")" ]; then
  echo "menu start without a display: exit code $status, home folder holds: $(ls -A "$work/home")"
  exit 1
fi

for copy in 1 2; do
  start QT_QPA_PLATFORM=offscreen
  for _ in $(seq 300); do
    [ -d "$folder/Dat$copy" ] && [ -d "$folder/Log$copy" ] && break
    sleep 0.1
  done
  if [ ! -d "$folder/Dat$copy" ] || [ ! -d "$folder/Log$copy" ]; then
    echo "menu start $copy: no Dat$copy and Log$copy in $folder; it holds: $(ls -A "$folder" 2>&1)"
    cat "$work/out"
    exit 1
  fi
done
for pid in "${pids[@]}"; do
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "a menu-started copy ended early:"
    cat "$work/out"
    exit 1
  fi
done
if [ -n "$(ls -A "$work/from")" ] || [ -e "$folder/Dat--menu" ]; then
  echo "menu starts made files where they were started, or took the option as an identifier:"
  ls -A "$work/from" "$folder"
  exit 1
fi
echo "two menu starts: $(cd "$folder" && ls -A | tr '\n' ' ')"
