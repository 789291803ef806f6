#!/usr/bin/env bash
# A tool started where no display can be opened: one line on standard error naming the program,
# exit code 1 (not Qt's abort), and nothing made in the working folder.
# Usage: without_display_test.sh <tool binary> <program name>
set -uo pipefail
tool=$1 name=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

check() {
  local what=$1
  shift
  (cd "$work" && env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@" timeout 30 "$tool" \
    >"$work/.out" 2>"$work/.err")
  local status=$?
  local lines
  lines=$(wc -l <"$work/.err")
  if [ "$status" -ne 1 ] || [ "$lines" -ne 1 ] || ! grep -q "^$name: cannot open its window" "$work/.err"; then
    echo "$what: exit code $status, standard error:"
    cat "$work/.err"
    exit 1
  fi
  if [ -n "$(ls -A "$work" | grep -v '^\.out$\|^\.err$')" ]; then
    echo "$what: files were made:"
    ls -A "$work"
    exit 1
  fi
  echo "$what: $(cat "$work/.err")"
}

check "no display set" -u DISPLAY
# A display that no server answers.
check "display without a server" DISPLAY=:97
