#!/usr/bin/env bash
# Builds everything and runs every test:
#  1. the platform-independent subsystems natively, under ASan and UBSan;
#  2. the Windows build (mingw-w64), its tests under Wine in Xvfb;
#  3. a check that the built programs import only Windows system DLLs.
set -eu
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)

scripts/install-deps.sh

echo "== native build (sanitizers)"
cmake --preset native-sanitize >/dev/null
cmake --build --preset native-sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/native --output-on-failure -j "$jobs"

echo "== Windows build"
cmake --preset cross >/dev/null
cmake --build --preset cross -j "$jobs"

state=$root/build/cross/wine
# The wine_down fixture tears the environment down after the tests; this trap
# covers an interrupted run.
trap 'scripts/wine-env.sh down "$state" >/dev/null 2>&1 || true' EXIT

echo "== system DLL check"
scripts/check-imports.sh build/cross

echo "== Windows tests under Wine"
ctest --test-dir build/cross --output-on-failure -j "$jobs" --timeout 300
