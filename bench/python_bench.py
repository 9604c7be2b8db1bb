"""Times the Python module's validate() on one file's bytes held in memory.

usage: python3 python_bench.py MODULE_DIR FILE ENCODING ROUNDS

MODULE_DIR holds the built extension _codvet (the package around it adds
nothing to the call). Prints the median CPU seconds of one call."""

import statistics
import sys
import time

sys.path.insert(0, sys.argv[1])
import _codvet  # noqa: E402

with open(sys.argv[2], "rb") as f:
    data = f.read()
times = []
for _ in range(int(sys.argv[4])):
    start = time.process_time()
    problems = _codvet.validate(data, sys.argv[3])
    times.append(time.process_time() - start)
    del problems
print(statistics.median(times))
