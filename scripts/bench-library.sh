#!/usr/bin/env bash
# Builds the program, the library benchmark and the Python module in
# build-bench (Release) and runs codvet_library_bench: the library on a buffer
# in memory against the program on a file of the same bytes, and the Python
# call on the same bytes against the C++ call; then a million calls on short
# strings from C++ and from Python (--large or --short for one of the two).
# Arguments go to the benchmark (for example --rounds 3). Needs pybind11-dev
# and python3-dev.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DCODVET_BENCH=ON -DCODVET_TESTS=OFF \
  -DCODVET_PYTHON=ON -DPython3_EXECUTABLE=/usr/bin/python3 >/dev/null
cmake --build build-bench -j2 --target codvet codvet_library_bench _codvet
exec build-bench/codvet_library_bench --python build-bench/python/codvet "$@"
