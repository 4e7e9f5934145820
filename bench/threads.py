"""Wall time of N threads each hashing once at a given cost, against one.

    .venv/bin/python bench/threads.py [--cost 10] [--repeat 5]
"""

import argparse
import os
import sys
import threading
import time

import tavric


def wall_time(threads, setting, repeat):
    best = float("inf")
    for _ in range(repeat):
        barrier = threading.Barrier(threads + 1)

        def work():
            barrier.wait()
            tavric.hashpw(b"benchmark password", setting)

        workers = [threading.Thread(target=work) for _ in range(threads)]
        for worker in workers:
            worker.start()
        barrier.wait()
        start = time.perf_counter()
        for worker in workers:
            worker.join()
        best = min(best, time.perf_counter() - start)
    return best


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cost", type=int, default=10)
    parser.add_argument("--repeat", type=int, default=5)
    args = parser.parse_args()
    setting = tavric.gensalt(args.cost)
    gil = sys._is_gil_enabled() if hasattr(sys, "_is_gil_enabled") else True
    print(f"Python {sys.version.split()[0]}, GIL enabled: {gil}, cores: {os.cpu_count()}, cost {args.cost}")
    one = None
    for threads in range(1, (os.cpu_count() or 1) + 1):
        elapsed = wall_time(threads, setting, args.repeat)
        one = one or elapsed
        print(f"{threads} thread(s): {elapsed * 1000:8.1f} ms wall, speedup {threads * one / elapsed:4.2f}")


if __name__ == "__main__":
    main()
