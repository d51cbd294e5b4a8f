#!/usr/bin/env bash
# Builds everything and runs every test:
#  0. a check that the sources are laid out as .clang-format says, first, so
#     that a formatting slip fails before anything is built;
#  1. the platform-independent subsystems natively, under ASan and UBSan;
#  2. the Windows build (mingw-w64, warnings as errors), its tests under Wine
#     in Xvfb;
#  3. everything once more with clang, warnings as errors (nothing of it runs);
#  4. a check that the built programs import only Windows system DLLs.
set -eu -o pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)

scripts/install-deps.sh

echo "== formatting"
scripts/check-format.sh

echo "== native build (sanitizers)"
cmake --preset native-sanitize >/dev/null
cmake --build --preset native-sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/native --output-on-failure -j "$jobs"

echo "== Windows build"
cmake --preset cross >/dev/null
cmake --build --preset cross -j "$jobs"

echo "== Windows build with clang (every target, warnings as errors)"
# Configured afresh (a few seconds; what is built stays built): a cache left
# by an older preset would keep what that preset set, and CMake fills some
# values in once only (the link flags for DLLs the tests build).
cmake --preset cross-clang --fresh >/dev/null
# clang's integrated assembler does not pad the type names and type infos of
# the standard exceptions to 16 bytes as gcc's libstdc++ has them, so the
# linker notes each such pair as a duplicate of "different size" and keeps
# one: the bytes are the same. Only those notes are left out.
cmake --build --preset cross-clang -j "$jobs" 2>&1 |
  { grep -v "duplicate section .*has different size" || true; }

state=$root/build/cross/wine
# The wine_down fixture tears the environment down after the tests; this trap
# covers an interrupted run.
trap 'scripts/wine-env.sh down "$state" >/dev/null 2>&1 || true' EXIT

echo "== system DLL check"
scripts/check-imports.sh build/cross
scripts/check-imports.sh build/clang

echo "== Windows tests under Wine"
ctest --test-dir build/cross --output-on-failure -j "$jobs" --timeout 300
