"""Memory after many calls of each function, on success and error paths.

    .venv/bin/python bench/leaks.py [--calls 100000]

Prints resident set size (from /proc, or the peak from getrusage elsewhere)
and tracemalloc's traced total before and after each batch; a flat line is
the goal.
"""

import argparse
import gc
import resource
import sys
import time
import tracemalloc

import tavric

SETTING = b"$2b$04$abcdefghijklmnopqrstuu"
STORED = tavric.hashpw(b"password", SETTING)


def rss_kib():
    try:
        with open("/proc/self/status") as status:
            for line in status:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return resource.getrusage(resource.RUSAGE_SELF).ru_maxrss


def expect_error(call, error):
    def run():
        try:
            call()
        except error:
            return
        raise AssertionError("no error")

    return run


CASES = [
    ("gensalt()", lambda: tavric.gensalt()),
    ("gensalt(3) error", expect_error(lambda: tavric.gensalt(3), ValueError)),
    ("hashpw cost 4", lambda: tavric.hashpw(b"password", SETTING)),
    ("hashpw bad salt", expect_error(lambda: tavric.hashpw(b"password", b"bad"), ValueError)),
    ("hashpw str arg", expect_error(lambda: tavric.hashpw("password", SETTING), TypeError)),
    ("checkpw cost 4", lambda: tavric.checkpw(b"password", STORED)),
    ("checkpw 73 bytes", expect_error(lambda: tavric.checkpw(b"x" * 73, STORED), ValueError)),
    ("kdf 32 bytes 1 round", lambda: tavric.kdf(b"password", b"salt", 32, 1, True)),
    ("kdf empty salt", expect_error(lambda: tavric.kdf(b"password", b"", 32, 1), ValueError)),
    ("kdf bad flag", expect_error(lambda: tavric.kdf(b"p", b"s", 32, 50, 1), TypeError)),
]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--calls", type=int, default=100_000)
    parser.add_argument("--only", default="", help="run only the cases whose name contains this")
    args = parser.parse_args()
    print(f"Python {sys.version.split()[0]}, {args.calls} calls per case")
    print("| case | RSS before KiB | RSS after KiB | traced before B | traced after B | seconds |")
    print("|---|---|---|---|---|---|")
    tracemalloc.start()
    for name, call in CASES:
        if args.only not in name:
            continue
        for _ in range(1000):  # warm up caches and free lists
            call()
        gc.collect()
        rss_before, traced_before = rss_kib(), tracemalloc.get_traced_memory()[0]
        start = time.perf_counter()
        for _ in range(args.calls):
            call()
        elapsed = time.perf_counter() - start
        gc.collect()
        rss_after, traced_after = rss_kib(), tracemalloc.get_traced_memory()[0]
        print(f"| {name} | {rss_before} | {rss_after} | {traced_before} | {traced_after} | {elapsed:.1f} |", flush=True)


if __name__ == "__main__":
    main()
