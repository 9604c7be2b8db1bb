#!/usr/bin/env bash
# Cross-builds codvet.exe, codvet-lint.exe and the test binary for 64-bit Windows with
# mingw-w64, then runs the tests under wine in a wine prefix of their own,
# removed at the end. Installs the Debian packages it needs when missing.
# The end-to-end tests compare the programs with the POSIX ones: give the path
# of codvet (codvet-lint is taken from beside it),
# or it is built into BUILD_DIR/posix.
#
#   scripts/test-windows.sh [BUILD_DIR [POSIX_CODVET]]   (default: build-win)
#   CODVET_E2E_ONLY=1 leaves out the in-memory tests.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-win}
posix=${2:-}

need=()
for pkg in cmake g++-mingw-w64-x86-64-posix googletest locales wine wine64; do
  dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${need[@]}"
fi

cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release -DCODVET_TESTS=ON
cmake --build "$build" -j"$(nproc)"
if [ -z "$posix" ]; then
  cmake -S . -B "$build/posix" -DCMAKE_BUILD_TYPE=Release -DCODVET_TESTS=OFF >/dev/null
  cmake --build "$build/posix" -j"$(nproc)" --target codvet codvet-lint
  posix=$build/posix/codvet
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/codvet-wine.XXXXXX")
export WINEPREFIX=$scratch/prefix
export WINEARCH=win64
# No debug channels, no download prompts for .NET or Gecko, no debugger on a
# crash (its output would land in the tests' streams), no menu entries
# written outside the prefix.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d;winemenubuilder.exe=d"
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$scratch"
}
trap cleanup EXIT

echo "-- creating the wine prefix $WINEPREFIX"
wineboot -i </dev/null >/dev/null 2>&1
wineserver -w
# One server for the whole run: a program then starts in milliseconds instead
# of a second or more.
wineserver -p
# The first program starts wine's background services, which keep its
# standard streams open as long as the server lives; start them with streams
# that nobody waits on.
wine cmd /c exit </dev/null >/dev/null 2>&1

echo "-- running $build/codvet_tests.exe under wine"
[ -n "${CODVET_E2E_ONLY:-}" ] || wine "$build/codvet_tests.exe" </dev/null

echo "-- the program under wine against the POSIX program $posix"
tests/windows_cli_test.sh "$build/codvet.exe" "$posix"
