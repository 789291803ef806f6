#!/usr/bin/env bash
# Builds and runs every test: the plain build, the Debian package made from it and its checks
# (installed and purged again where CI is set and the script runs as root), the
# AddressSanitizer+UndefinedBehaviorSanitizer build (with a short run of each fuzz target), and
# the ThreadSanitizer build of the threaded code. Installs whatever is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

jobs=$(nproc)
export CTEST_OUTPUT_ON_FAILURE=1
export QT_QPA_PLATFORM=offscreen
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS="suppressions=$PWD/tests/support/tsan.supp halt_on_error=1 second_deadlock_stack=1"

echo "== source checks"
bash scripts/check-source.sh

echo "== plain build (warnings are errors)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTK_WERROR=ON >/dev/null
cmake --build build
ctest --test-dir build -j"$jobs" --timeout 300

echo "== Debian package (from the plain build)"
deb=$(bash scripts/package.sh | sed -n 's/^package: //p')
bash tests/package/check-package.sh "$deb"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DTK_SANITIZE=address -DTK_BUILD_FUZZ=ON -DTK_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
LSAN_OPTIONS=suppressions=$PWD/tests/support/lsan.supp:print_suppressions=0 \
  ctest --test-dir build-asan -j"$jobs" --timeout 600

echo "== ThreadSanitizer build (threaded code)"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DTK_SANITIZE=thread -DTK_THREADED_TESTS_ONLY=ON -DTK_BUILD_BENCH=OFF >/dev/null
cmake --build build-tsan --target threaded_tests
ctest --test-dir build-tsan -j"$jobs" --timeout 600
