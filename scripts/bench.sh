#!/usr/bin/env bash
# Builds codvet and its benchmark in build-bench (Release) and runs the
# benchmark: large files, then many small files (--large or --small for one
# of the two); arguments go to codvet_bench (for example --rounds 3).
# The generated inputs (about 2 GB) stay in build-bench/bench-corpus-2.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DCODVET_BENCH=ON -DCODVET_TESTS=OFF >/dev/null
cmake --build build-bench -j2 --target codvet codvet_bench
exec build-bench/codvet_bench "$@"
