#!/usr/bin/env bash
# Checks the Debian package that scripts/package.sh built:
#   tests/package/check-package.sh commtestkit_<version>_amd64.deb
#
# Everywhere: lintian finds no error; the desktop entries and the software-centre metadata
# validate; the package holds exactly the expected files (tests/package/expected-files.txt and the
# tree's examples); its version is the kit's; its dependencies were computed from the programs and
# name the fonts; the programs are stripped, the icons have their sizes, the manual pages format
# without a warning, and the class registry names the installed library.
#
# As root with CI set, also on the machine itself: installs the package with apt, runs an installed
# example against a loopback peer with a fresh home folder and no registration of the user's,
# starts both tools from their desktop entries' command lines (offscreen) and purges the package,
# checking that installing wrote nothing under the home folder and that purging left nothing.
set -euo pipefail

deb=$(realpath "$1")
tree=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
children=()
cleanup() {
  local pid
  for pid in "${children[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
  echo "package check FAILED: $*" >&2
  failures=$((failures + 1))
}
pass() { echo "package check: $*"; }

multiarch=x86_64-linux-gnu
moduledir=/usr/lib/$multiarch/commtestkit
registry=/usr/share/commtestkit/classes.reg
desktop_ids=(org.commtestkit.tarnwick org.commtestkit.pellamar)
icon_sizes=(16 22 24 32 48 64 128 256)

# --- the package file --------------------------------------------------------------------------

version=$(sed -n 's/.*kKitVersion\[\] = "\([^"]*\)".*/\1/p' "$tree/core/build_info.cpp")
[ "$(basename "$deb")" = "commtestkit_${version}_amd64.deb" ] ||
  fail "file name $(basename "$deb"), expected commtestkit_${version}_amd64.deb"
for field in Package:commtestkit Version:"$version" Architecture:amd64; do
  actual=$(dpkg-deb -f "$deb" "${field%%:*}")
  [ "$actual" = "${field#*:}" ] || fail "${field%%:*} is '$actual', expected '${field#*:}'"
done
depends=$(dpkg-deb -f "$deb" Depends)
# Computed from the programs: the C library and Qt's libraries are found only by looking at them.
depends_names=$(sed 's/([^)]*)//g; s/,/\n/g' <<<"$depends" | tr -d ' ')
for needed in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6qml6 \
  fonts-ipafont-gothic fonts-ipafont-mincho qt6-qpa-plugins; do
  grep -Fxq "$needed" <<<"$depends_names" || fail "Depends lacks $needed: $depends"
done
pass "control: $(dpkg-deb -f "$deb" Package Version Architecture | tr '\n' ' ')"
pass "depends: $depends"

# Errors fail the check; warnings are shown.
lintian_out=$work/lintian.txt
if lintian --fail-on error --display-level ">=warning" "$deb" >"$lintian_out" 2>&1; then
  pass "lintian: no errors$( [ -s "$lintian_out" ] && echo ", warnings:")"
  sed 's/^/  /' "$lintian_out"
else
  fail "lintian:"
  cat "$lintian_out" >&2
fi

root=$work/root
dpkg-deb -x "$deb" "$root"

# The file list: everything but folders.
expected=$work/expected.txt
{
  cat "$tree/tests/package/expected-files.txt"
  (cd "$tree/examples" && find . -type f -printf '/usr/share/doc/commtestkit/examples/%P\n')
} | LC_ALL=C sort >"$expected"
(cd "$root" && find . ! -type d -printf '/%P\n') | LC_ALL=C sort >"$work/actual.txt"
if diff -u "$expected" "$work/actual.txt" >"$work/files.diff"; then
  pass "files: $(wc -l <"$expected") as expected"
else
  fail "files differ from the expected list (- expected, + in the package):"
  cat "$work/files.diff" >&2
fi

for id in "${desktop_ids[@]}"; do
  desktop=$root/usr/share/applications/$id.desktop
  if out=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$out" ]; then
    pass "desktop-file-validate $id.desktop"
  else
    fail "desktop-file-validate $id.desktop: $out"
  fi
  if out=$(appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" 2>&1); then
    pass "appstreamcli validate $id.metainfo.xml"
  else
    fail "appstreamcli validate $id.metainfo.xml: $out"
  fi
  for size in "${icon_sizes[@]}"; do
    icon=$root/usr/share/icons/hicolor/${size}x${size}/apps/$id.png
    file -b "$icon" | grep -q "^PNG image data, $size x $size, 8-bit/color RGBA" ||
      fail "icon $icon: $(file -b "$icon")"
  done
done

for program in Tarnwick Pellamar quorvane-script quorvane-register; do
  info=$(file -b "$root/usr/bin/$program")
  [[ $info == ELF\ 64-bit*x86-64*stripped && $info != *"not stripped"* ]] ||
    fail "/usr/bin/$program: $info"
  page=$root/usr/share/man/man1/$program.1.gz
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null || true)
  [ -z "$warnings" ] || fail "manual page $program.1: $warnings"
  zcat "$page" | grep -q "^\.TH .*\"commtestkit $version\"" || fail "$program.1 names no version $version"
done

reg=$root$registry
failures_before=$failures
tr -d '\r' <"$reg" >"$work/registry.txt"  # the registry's lines end in CR LF
grep -q "^@=$moduledir/Quorvane.so$" "$work/registry.txt" ||
  fail "$registry does not name $moduledir/Quorvane.so"
if grep -q "_CPack_Packages\|$work" "$reg"; then fail "$registry names a staging folder"; fi
grep -q '^\[Quorvane.Winsock\\CLSID\]$' "$work/registry.txt" || fail "$registry holds no Quorvane.Winsock"
grep -q '^\[Quorvane.MSComm\\CLSID\]$' "$work/registry.txt" || fail "$registry holds no Quorvane.MSComm"
# The shipped registry is what the packaged library writes when it registers, with its path
# where the package puts it.
reg_home=$work/registering
XDG_DATA_HOME=$reg_home XDG_DATA_DIRS=$work/none \
  "$root/usr/bin/quorvane-register" "$root$moduledir/Quorvane.so" >/dev/null ||
  fail "the packaged quorvane-register cannot register the packaged library"
sed "s#$(realpath "$root$moduledir")/#$moduledir/#g" "$reg_home/commtestkit/classes.reg" |
  cmp -s - "$reg" || fail "$registry differs from a registration of the packaged library"
[ "$failures" -eq "$failures_before" ] &&
  pass "class registry names $moduledir/Quorvane.so, as the library registers itself"

# --- on the machine: install, use, purge --------------------------------------------------------

if [ "${CI:-}" = "" ] || [ "$(id -u)" -ne 0 ]; then
  echo "package check: not installing (that runs as root with CI set)"
  [ "$failures" -eq 0 ] || exit 1
  exit 0
fi
if dpkg-query -W -f='${Status}' commtestkit 2>/dev/null | grep -q 'install ok installed'; then
  echo "package check: commtestkit is installed already; purging it before the check"
  apt-get -o DPkg::Lock::Timeout=600 purge -y -qq commtestkit >/dev/null
fi

# Installing runs with a fresh home folder; nothing may appear in it or in any other home folder.
install_home=$work/install-home
mkdir -p "$install_home"
touch "$work/stamp"
sleep 1
if ! HOME=$install_home DEBIAN_FRONTEND=noninteractive \
  apt-get -o DPkg::Lock::Timeout=600 install -y -qq "$deb" >"$work/apt.log" 2>&1; then
  fail "apt-get install:"
  cat "$work/apt.log" >&2
  exit 1
fi
pass "installed with apt"
[ -z "$(ls -A "$install_home")" ] || fail "installing wrote into the home folder: $(ls -A "$install_home")"
written=$(find /root /home -newer "$work/stamp" -path '*commtestkit*' 2>/dev/null || true)
[ -z "$written" ] || fail "installing wrote under a home folder: $written"

# A user who never registered anything: a fresh home folder and the default XDG folders.
user_home=$work/user-home
mkdir -p "$user_home"
as_user() {
  env -i PATH=/usr/bin:/bin HOME="$user_home" LANG=C.UTF-8 "$@"
}

# The loopback peer: answers the first line it receives and closes. Port 0 lets the system choose;
# socat tells the port it listens on.
cat >"$work/peer.sh" <<'PEER'
#!/bin/sh
read -r line
printf 'answer to %s\r\n' "$(printf '%s' "$line" | tr -d '\r')"
PEER
chmod +x "$work/peer.sh"
socat -d -d TCP-LISTEN:0,bind=127.0.0.1,reuseaddr EXEC:"$work/peer.sh" 2>"$work/socat.log" &
children+=($!)
port=
for _ in $(seq 100); do
  port=$(sed -n 's/.*listening on AF=2 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/socat.log")
  [ -n "$port" ] && break
  sleep 0.1
done
if [ -z "$port" ]; then
  fail "the loopback peer did not start: $(cat "$work/socat.log")"
else
  out=$(as_user quorvane-script --timeout 20 /usr/share/doc/commtestkit/examples/tcp_client.js \
    127.0.0.1 "$port" '*IDN?' 2>&1) && status=0 || status=$?
  if [ "$status" -eq 0 ] && [ "$out" = 'answer to *IDN?' ]; then
    pass "installed example tcp_client.js against a loopback peer: $out"
  else
    fail "installed example tcp_client.js: exit code $status, output: $out"
  fi
fi
[ -z "$(ls -A "$user_home")" ] || fail "running a script wrote into the home folder: $(ls -A "$user_home")"

# The shipped registry is what registering the installed library gives; a user's registration and
# its removal touch only the user's file.
before=$(md5sum "$registry")
as_user quorvane-register "$moduledir/Quorvane.so" >/dev/null || fail "quorvane-register failed"
cmp -s "$user_home/.local/share/commtestkit/classes.reg" "$registry" ||
  fail "$registry differs from a registration of the installed library"
as_user quorvane-register -u "$moduledir/Quorvane.so" >/dev/null || fail "quorvane-register -u failed"
[ "$(md5sum "$registry")" = "$before" ] || fail "registering changed $registry"
[ -s "$user_home/.local/share/commtestkit/classes.reg" ] &&
  fail "the user's registry is not empty after -u"
pass "quorvane-register and -u touch only the user's registry"
rm -rf "$user_home" && mkdir -p "$user_home"

# Both tools as their menu entries start them, two copies each: instances 1 and 2 side by side
# in the tool's folder under the home folder; the folder they were started from stays empty.
runtime=$work/runtime
mkdir -p "$runtime" && chmod 700 "$runtime"
started_from=$work/started-from
mkdir -p "$started_from"
for id in "${desktop_ids[@]}"; do
  desktop=/usr/share/applications/$id.desktop
  exec_line=$(sed -n 's/^Exec=//p' "$desktop")
  program=${exec_line%% *}
  case $program in
    Tarnwick | Pellamar) ;;
    *) fail "$desktop starts an unknown program: $exec_line"; continue ;;
  esac
  pids=()
  for copy in 1 2; do
    # The command line as the desktop runs it: the Exec words, no field codes in them.
    # shellcheck disable=SC2086
    (cd "$started_from" && exec env -i PATH=/usr/bin:/bin HOME="$user_home" LANG=C.UTF-8 \
      XDG_RUNTIME_DIR="$runtime" QT_QPA_PLATFORM=offscreen $exec_line) \
      >"$work/$program$copy.log" 2>&1 &
    pids+=($!)
    children+=($!)
    folder=$user_home/CommTestKit/$program
    for _ in $(seq 200); do
      [ -d "$folder/Dat$copy" ] && [ -d "$folder/Log$copy" ] && break
      sleep 0.1
    done
  done
  sleep 1
  for copy in 1 2; do
    kill -0 "${pids[$((copy - 1))]}" 2>/dev/null ||
      fail "$program copy $copy ended early: $(cat "$work/$program$copy.log")"
    [ -d "$folder/Dat$copy" ] && [ -d "$folder/Log$copy" ] ||
      fail "$program copy $copy made no Dat$copy and Log$copy in $folder: $(ls -A "$folder" 2>&1)"
  done
  kill "${pids[@]}" 2>/dev/null || true
  wait "${pids[@]}" 2>/dev/null || true
  pass "$exec_line, twice: $(cd "$folder" && ls -A | tr '\n' ' ')"
done
[ -z "$(ls -A "$started_from")" ] || fail "a menu start made files where it was started: $(ls -A "$started_from")"

# Purging leaves none of the package's files or folders.
dpkg-query -L commtestkit | LC_ALL=C sort >"$work/installed.txt"
if ! apt-get -o DPkg::Lock::Timeout=600 purge -y -qq commtestkit >"$work/apt.log" 2>&1; then
  fail "apt-get purge: $(cat "$work/apt.log")"
fi
dpkg-query -W -f='${Status}' commtestkit 2>/dev/null | grep -q 'ok installed\|config-files' &&
  fail "commtestkit is still known to dpkg after purging"
# The folders the package shares with others (/usr/bin) stay; every file and link goes.
left=()
while read -r path; do
  [ -e "$path" ] && [ ! -d "$path" ] && left+=("$path")
done <"$work/installed.txt"
for folder in /usr/share/commtestkit /usr/share/doc/commtestkit "$moduledir"; do
  [ -e "$folder" ] && left+=("$folder")
done
if [ ${#left[@]} -eq 0 ]; then
  pass "purged: nothing left"
else
  fail "purging left: ${left[*]}"
fi

[ "$failures" -eq 0 ] || exit 1
echo "package check: all passed"
