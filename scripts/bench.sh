#!/usr/bin/env bash
# Builds codvet and its benchmark in build-bench (Release) and runs the
# benchmark: large files, then many small files (--large or --small for one
# of the two); arguments go to codvet_bench (for example --rounds 3).
# The generated inputs (about 2 GB) stay in build-bench/bench-corpus-2; the
# real-text inputs (about 2 GB more) are built into build-bench/real-corpus
# by scripts/real-corpora.sh when its Debian packages are installed, and left
# out otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DCODVET_BENCH=ON -DCODVET_TESTS=OFF >/dev/null
cmake --build build-bench -j2 --target codvet codvet_bench
scripts/real-corpora.sh build-bench/real-corpus ||
  echo "bench: no real-text inputs (apt-get install edict skkdic mecab-ipadic manpages-ja)" >&2
exec build-bench/codvet_bench "$@"
