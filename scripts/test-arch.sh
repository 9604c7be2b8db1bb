#!/usr/bin/env bash
# Cross-builds the program and its tests for another processor with Debian's
# cross compilers (cmake/ARCH-linux-gnu.cmake) and runs them: the whole ctest
# suite with the long tests over inputs beyond 4 GiB (CODVET_LONG_TESTS=1),
# then the program on every sample against samples/expected/. aarch64 and
# s390x (big-endian) run under qemu-user, which needs no binfmt_misc handler
# here: ctest and the tests put it in front of each program. i686 runs
# directly on this x86-64 machine's kernel, the one place where a 32-bit
# program meets the real 32-bit system calls (files of 2 GiB and more).
# Installs the Debian packages it needs when missing.
#
#   scripts/test-arch.sh aarch64|s390x|i686 [BUILD_DIR]   (default: build-ARCH)
set -euo pipefail
cd "$(dirname "$0")/.."

arch=${1:-}
# The ELF class and byte order the program must have: 1 for 32-bit or
# little-endian, 2 for 64-bit or big-endian.
case $arch in
  aarch64) qemu=qemu-aarch64 elf="2 1" ;;
  s390x) qemu=qemu-s390x elf="2 2" ;;
  i686) qemu="" elf="1 1" ;;
  *)
    echo "usage: $0 aarch64|s390x|i686 [BUILD_DIR]" >&2
    exit 2
    ;;
esac
triple=$arch-linux-gnu
build=${2:-build-$arch}

# GoogleTest is built from the sources the package googletest ships.
need=()
for pkg in cmake "g++-$triple" googletest ${qemu:+qemu-user}; do
  dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${need[@]}" >/dev/null
fi

cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="cmake/$triple.cmake" -DCMAKE_BUILD_TYPE=Release \
  -DCODVET_TESTS=ON >/dev/null
cmake --build "$build" -j"$(nproc)"

# How the program is started here.
run=()
if [ -n "$qemu" ]; then
  run=("$(command -v "$qemu")" -L "/usr/$triple")
fi
# The program is what was asked for, not one for this machine.
read -r class order < <(od -An -tu1 -j4 -N2 "$build/codvet")
if [ "$class $order" != "$elf" ]; then
  echo "$build/codvet: ELF class $class, byte order $order; expected $elf for $arch" >&2
  exit 1
fi
bits=64 endian=big
[ "$class" -eq 1 ] && bits=32
[ "$order" -eq 1 ] && endian=little
echo "-- $arch: $build/codvet is $bits-bit, $endian-endian; run ${run[*]:-directly}"

CODVET_LONG_TESTS=1 ctest --test-dir "$build" --output-on-failure -j"$(nproc)"

# Each sample gives its expected output, with status 2 where it has any and
# 0 where it has none, run from the top directory as README.md shows.
passed=0 failed=0
for sample in samples/*.txt; do
  name=$(basename "$sample" .txt)
  expected=samples/expected/$name.out
  want=0
  [ -s "$expected" ] && want=2
  status=0
  "${run[@]}" "$build/codvet" "${name%-*}" "$sample" >"$build/sample.out" || status=$?
  if [ "$status" -eq "$want" ] && cmp -s "$build/sample.out" "$expected"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $sample (status $status, expected $want)"
    diff <(iconv -f CP932 -t UTF-8 "$expected") <(iconv -f CP932 -t UTF-8 "$build/sample.out") || true
  fi
done
echo "samples on $arch: $passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
