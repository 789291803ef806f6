#!/usr/bin/env bash
# Checks that guard the house rules before anything is built:
# - every C++ source and header is formatted as the project's .clang-format says;
# - no file outside platform/ includes a POSIX, Linux or iconv header, so the operating system
#   is reached only through our own layer.
# Exits non-zero and names each offending file and line.
set -euo pipefail
cd "$(dirname "$0")/.."

status=0
mapfile -t sources < <(git ls-files -co --exclude-standard -- '*.h' '*.cpp' | sort)

echo "== clang-format"
if ! clang-format --dry-run --Werror "${sources[@]}"; then
  echo "check-source: files above differ from .clang-format (run clang-format -i on them)" >&2
  status=1
fi

echo "== operating-system headers outside platform/"
# The C library's own POSIX and Linux headers, and iconv. Standard C and C++ headers (<cstdio>,
# <thread>, ...) are the language's and stay allowed everywhere.
system_headers='unistd|fcntl|poll|pty|termios|iconv|dlfcn|pthread|signal|spawn|netdb|glob|dirent|pwd|grp|syslog|utmp|termio|langinfo|nl_types|strings|sched|semaphore|mqueue|aio|ifaddrs|wordexp|fnmatch|ftw|regex|sys/[a-z_0-9]+|linux/[a-z_0-9/]+|asm/[a-z_0-9/]+|asm-generic/[a-z_0-9/]+|arpa/[a-z_0-9]+|netinet/[a-z_0-9]+|net/[a-z_0-9]+|bits/[a-z_0-9/]+'
if offenders=$(printf '%s\n' "${sources[@]}" | grep -v '^platform/' |
  xargs -r grep -nE "^[[:space:]]*#[[:space:]]*include[[:space:]]*<(${system_headers})\.h>" --); then
  echo "$offenders" >&2
  echo "check-source: the lines above include an operating-system header outside platform/" >&2
  status=1
fi

[ "$status" -eq 0 ] && echo "check-source: clean"
exit "$status"
