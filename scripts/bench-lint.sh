#!/usr/bin/env bash
# codvet-lint against codvet on the same files: many small Shift_JIS files
# (codvet-lint given their directory, codvet every name) with --jobs 1 and 2,
# and one large file. Usage: scripts/bench-lint.sh BUILD_DIR [SCRATCH_DIR]
# (BUILD_DIR holds both programs; the inputs, about 150 MB, go to SCRATCH_DIR).
set -euo pipefail
build=$(realpath "$1")
scratch=${2:-$build/lint-bench}
mkdir -p "$scratch" && scratch=$(realpath "$scratch")
mkdir -p "$scratch/small"
if [ ! -e "$scratch/large.txt" ]; then
  # Kana, kanji of JIS level 1 and ASCII lines, encoded by Python's codecs.
  python3 - "$scratch" <<'PY'
import random, sys
random.seed(1)
chars = [chr(c) for c in range(0x3041, 0x3094)] + [chr(c) for c in range(0x4e00, 0x9fa0)]
chars = [c for c in chars if len(c.encode('shift_jis', 'ignore')) == 2]
def text(n):
    lines = []
    for _ in range(n):
        lines.append(''.join(random.choice(chars) for _ in range(random.randint(10, 40))) + ' ascii 123')
    return ('\r\n'.join(lines) + '\r\n').encode('shift_jis')
for i in range(10000):
    open('%s/small/%05d.txt' % (sys.argv[1], i), 'wb').write(text(40))
block = text(20000)
with open(sys.argv[1] + '/large.txt', 'wb') as f:
    for _ in range(100 * 2**20 // len(block) + 1):
        f.write(block)
PY
fi
best() {  # the best of 5 wall-clock runs, in seconds
  local best=999 start end t
  for _ in 1 2 3 4 5; do
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s.%N)
    t=$(echo "$end - $start" | bc)
    if (($(echo "$t < $best" | bc))); then best=$t; fi
  done
  echo "$best"
}
cd "$scratch"
files=(small/*.txt)
printf '%-32s %s\n' "10000 small files: codvet" "$(best "$build/codvet" shift_jis "${files[@]}")"
for jobs in 1 2; do
  printf '%-32s %s\n' "codvet-lint --jobs $jobs" "$(best "$build/codvet-lint" -e sjis -j$jobs small)"
done
printf '%-32s %s\n' "100 MB file: codvet" "$(best "$build/codvet" shift_jis large.txt)"
printf '%-32s %s\n' "codvet-lint --jobs 1" "$(best "$build/codvet-lint" -e sjis -j1 large.txt)"
