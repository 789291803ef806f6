#!/usr/bin/env bash
# Builds the Debian package commtestkit_<version>_amd64.deb in the tree's top folder, from the
# plain build in build/ (configured as the test command configures it; what the package holds is
# built when missing). Installs whatever the build needs first.
#
# Install it with: apt install ./commtestkit_<version>_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

build=build
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTK_WERROR=ON >/dev/null
cmake --build "$build" --target tk_package_contents

# CPack installs the kit into a staging folder below its own output folder, strips the programs,
# computes the dependencies with dpkg-shlibdeps and writes the package.
output="$build/package"
rm -rf "$output"
cpack --config "$build/CPackConfig.cmake" -B "$output" >"$build/cpack.log" 2>&1 || {
  cat "$build/cpack.log" >&2
  exit 1
}
shopt -s nullglob
debs=("$output"/commtestkit_*.deb)
if [ ${#debs[@]} -ne 1 ]; then
  cat "$build/cpack.log" >&2
  echo "package: expected one package in $output, found ${#debs[@]}" >&2
  exit 1
fi
name=$(basename "${debs[0]}")
mv -f "${debs[0]}" "./$name"
echo "package: $PWD/$name"
