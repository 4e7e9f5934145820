"""Instruction counts of checkpw's comparison when the stored hash differs
from the computed one from the first byte on, only at the last byte, and not
at all.

    .venv/bin/python bench/constant_time.py

Runs each case in its own process under valgrind's callgrind, counting only
the instructions spent inside the comparison function. Counts are exact and
repeatable, so equal counts mean the comparison does not depend on where the
strings differ.
"""

import os
import re
import subprocess
import sys
import tempfile

CASE = """
import tavric
good = tavric.hashpw(b"password", b"$2b$04$abcdefghijklmnopqrstuu")
case = {case!r}
if case == "first":
    # Still parses to the same setting (the leading "$" is optional), but
    # differs from the computed string from byte 0 on.
    stored = good[1:] + b"."
elif case == "last":
    stored = good[:59] + (b"." if good[59:] != b"." else b"O")
else:
    stored = good
assert len(stored) == len(good)
for _ in range(100):
    assert tavric.checkpw(b"password", stored) is (case == "equal")
"""

CASES = [("differs from byte 0 on", "first"), ("differs only at byte 59", "last"), ("equal", "equal")]


def count_instructions(case, folder):
    out = os.path.join(folder, f"callgrind.{case}")
    result = subprocess.run(
        [
            "valgrind", "--tool=callgrind", f"--callgrind-out-file={out}",
            "--toggle-collect=*equal_without_early_exit*",
            sys.executable, "-c", CASE.format(case=case),
        ],
        capture_output=True, text=True, env=dict(os.environ, PYTHONHASHSEED="0"),
    )
    if result.returncode != 0:
        raise RuntimeError(result.stderr[-2000:])
    with open(out) as data:
        for line in data:
            match = re.match(r"(?:summary|totals):\s+(\d+)", line)
            if match:
                return int(match.group(1))
    raise RuntimeError("no totals in callgrind output")


def main():
    with tempfile.TemporaryDirectory() as folder:
        print("| case | instructions in the comparison (100 calls) |")
        print("|---|---|")
        counts = []
        for name, case in CASES:
            counts.append(count_instructions(case, folder))
            print(f"| {name} | {counts[-1]} |", flush=True)
    print("equal counts:", len(set(counts)) == 1)


if __name__ == "__main__":
    main()
