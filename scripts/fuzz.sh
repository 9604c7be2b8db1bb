#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each one for a bounded
# time, starting from the stored seed corpus (copied, so the repository is
# left as it is). Any finding fails the script; the crashing input is kept in
# the work directory printed at the end.
#
#   scripts/fuzz.sh [SECONDS_PER_TARGET]   (default 30)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
build=${FUZZ_BUILD_DIR:-build-fuzz}
work=$(mktemp -d "${TMPDIR:-/tmp}/codvet-fuzz.XXXXXX")

CC=clang CXX=clang++ cmake -S . -B "$build" -DCODVET_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"

status=0
for target in "$build"/fuzz_*; do
  name=$(basename "$target")
  operation=${name#fuzz_}
  mkdir -p "$work/$operation"
  if [ -d fuzz/corpus/"$operation" ]; then
    cp fuzz/corpus/"$operation"/* "$work/$operation/"
  else  # the library's target starts from every operation's inputs
    for seed in fuzz/corpus/*/*; do
      cp "$seed" "$work/$operation/$(basename "$(dirname "$seed")")-$(basename "$seed")"
    done
  fi
  echo "== $name for ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$work/$name-" \
      "$work/$operation" >"$work/$name.log" 2>&1; then
    status=1
    echo "FINDING in $name:"
    tail -n 40 "$work/$name.log"
  fi
  grep -E '^stat::number_of_executed_units|^stat::average_exec_per_sec|^Done' "$work/$name.log" || true
done
echo "fuzz work directory: $work"
exit $status
