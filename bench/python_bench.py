"""Times the Python module's validate() on one file's bytes held in memory,
or with --short on many short strings.

usage: python3 python_bench.py MODULE_DIR FILE ENCODING ROUNDS
       python3 python_bench.py MODULE_DIR PIECES ENCODING ROUNDS --short CALLS

MODULE_DIR holds the built extension _codvet (the package around it adds
nothing to the call). Prints the median CPU seconds of one call; with
--short, PIECES holds strings each after its 4-byte little-endian length,
validated CALLS times in turn per round, and it prints the median
nanoseconds per call, elapsed and CPU."""

import statistics
import sys
import time

sys.path.insert(0, sys.argv[1])
import _codvet  # noqa: E402

with open(sys.argv[2], "rb") as f:
    data = f.read()
encoding = sys.argv[3]
rounds = int(sys.argv[4])

if len(sys.argv) > 5 and sys.argv[5] == "--short":
    calls = int(sys.argv[6])
    pieces = []
    at = 0
    while at < len(data):
        length = int.from_bytes(data[at:at + 4], "little")
        pieces.append(data[at + 4:at + 4 + length])
        at += 4 + length
    # The pieces in turn, as many as there are calls.
    work = (pieces * (calls // len(pieces) + 1))[:calls]
    validate = _codvet.validate
    elapsed = []
    cpu = []
    for _ in range(rounds):
        start = time.perf_counter()
        start_cpu = time.process_time()
        for piece in work:
            validate(piece, encoding)
        cpu.append(time.process_time() - start_cpu)
        elapsed.append(time.perf_counter() - start)
    print(statistics.median(elapsed) * 1e9 / calls, statistics.median(cpu) * 1e9 / calls)
    sys.exit(0)

times = []
for _ in range(rounds):
    start = time.process_time()
    problems = _codvet.validate(data, encoding)
    times.append(time.process_time() - start)
    del problems
print(statistics.median(times))
