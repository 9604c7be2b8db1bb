# Cross build for 64-bit ARM Linux (arm64) with Debian's g++-aarch64-linux-gnu;
# the programs and tests run here under qemu-user (package qemu-user):
#   cmake -S . -B build-aarch64 -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
# scripts/test-arch.sh aarch64 does this and runs the tests.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CODVET_CROSS_TRIPLE aarch64-linux-gnu)
set(CODVET_CROSS_QEMU qemu-aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
