"""Hashes per core in interleaved lanes, side by side with libxcrypt:

- a batch (`hashpw_many`) on one thread against libxcrypt's `crypt` called in
  a loop over the same pairs, at each cost;
- a loaded server: 4 x cores threads each running `checkpw` for a fixed time,
  with combining on, with it off, and with libxcrypt's `crypt_rn` in the same
  threads;
- one thread alone: `checkpw` latency with combining on and off.

    .venv/bin/python bench/lanes.py [--max-cost 12] [--seconds 5]

bench/run.py calls the functions here for docs/bench.md.
"""

import argparse
import ctypes
import json
import os
import threading
import time

import tavric

PASSWORD = b"correct horse battery staple"


def best(calls, repeat):
    """Best time of each call over `repeat` rounds, run by turns in a
    rotating order so that the machine's changes of speed fall on all."""
    times = [[] for _ in calls]
    for round_ in range(repeat):
        for offset in range(len(calls)):
            which = (round_ + offset) % len(calls)
            start = time.perf_counter()
            calls[which]()
            times[which].append(time.perf_counter() - start)
    return [min(t) for t in times]


def libcrypt():
    return ctypes.CDLL("libcrypt.so.1")


def crypt_function():
    function = libcrypt().crypt
    function.restype = ctypes.c_char_p
    function.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
    return function


def crypt_rn_function():
    """libxcrypt's reentrant crypt with a caller-sized work area, one per
    thread: the fair peer for threads."""
    function = libcrypt().crypt_rn
    function.restype = ctypes.c_char_p
    function.argtypes = [ctypes.c_char_p, ctypes.c_char_p, ctypes.c_void_p, ctypes.c_int]
    return function


def batch_size(cost):
    # Enough hashes that a batch takes about 100 ms or more; a multiple of 4.
    return max(8, 4 * (2 ** max(0, 9 - cost)))


def bench_batch_vs_crypt(costs, repeat):
    """Per-core throughput: hashpw_many on one thread against crypt in a loop."""
    crypt = crypt_function()
    rows = []
    for cost in costs:
        n = batch_size(cost)
        passwords = [PASSWORD + b"%d" % i for i in range(n)]
        salts = [tavric.gensalt(cost) for _ in range(n)]
        assert tavric.hashpw_many(passwords, salts) == [crypt(p, s) for p, s in zip(passwords, salts)]
        batch, loop = best([lambda: tavric.hashpw_many(passwords, salts),
                            lambda: [crypt(p, s) for p, s in zip(passwords, salts)]], repeat)
        row = {"cost": cost, "hashes": n, "batch_per_s": n / batch, "crypt_per_s": n / loop, "ratio": loop / batch}
        rows.append(row)
        print(f"cost {cost:2}: hashpw_many {row['batch_per_s']:9.1f}/s, crypt {row['crypt_per_s']:9.1f}/s, "
              f"ratio {row['ratio']:.2f}", flush=True)
    return rows


def run_threads(threads, seconds, work):
    """Hashes per second from `threads` threads each calling work() until the
    time is up."""
    counts = [0] * threads
    barrier = threading.Barrier(threads + 1)
    deadline = [0.0]

    def loop(index):
        barrier.wait()
        done = 0
        while time.perf_counter() < deadline[0]:
            work()
            done += 1
        counts[index] = done

    workers = [threading.Thread(target=loop, args=(i,)) for i in range(threads)]
    for worker in workers:
        worker.start()
    deadline[0] = time.perf_counter() + seconds
    start = time.perf_counter()
    barrier.wait()
    for worker in workers:
        worker.join()
    return sum(counts) / (time.perf_counter() - start)


def bench_loaded_server(cost, seconds, rounds):
    cores = len(os.sched_getaffinity(0)) if hasattr(os, "sched_getaffinity") else os.cpu_count()
    threads = 4 * cores
    stored = tavric.hashpw(PASSWORD, tavric.gensalt(cost))
    crypt_rn = crypt_rn_function()
    areas = threading.local()

    def with_crypt_rn():
        if not hasattr(areas, "buffer"):
            areas.buffer = ctypes.create_string_buffer(1 << 16)
        assert crypt_rn(PASSWORD, stored, areas.buffer, len(areas.buffer)) == stored

    def with_checkpw():
        assert tavric.checkpw(PASSWORD, stored)

    def checkpw_combining(enabled):
        def turn():
            tavric.set_combining(enabled)
            return run_threads(threads, seconds, with_checkpw)
        return turn

    configurations = {
        "combining on": checkpw_combining(True),
        "combining off": checkpw_combining(False),
        "libxcrypt crypt_rn": lambda: run_threads(threads, seconds, with_crypt_rn),
    }
    results = {name: 0.0 for name in configurations}
    names = list(configurations)
    try:
        for round_ in range(rounds):
            for offset in range(len(names)):
                name = names[(round_ + offset) % len(names)]
                results[name] = max(results[name], configurations[name]())
    finally:
        tavric.set_combining(True)
    result = {"cost": cost, "threads": threads, "cores": cores, "seconds": seconds,
              "per_s": results, "ratio_on_crypt": results["combining on"] / results["libxcrypt crypt_rn"],
              "ratio_off_crypt": results["combining off"] / results["libxcrypt crypt_rn"]}
    print(json.dumps(result, indent=1), flush=True)
    return result


def bench_single_latency(cost, repeat):
    stored = tavric.hashpw(PASSWORD, tavric.gensalt(cost))

    def check(enabled):
        def call():
            tavric.set_combining(enabled)
            tavric.checkpw(PASSWORD, stored)
        return call

    try:
        on, off = best([check(True), check(False)], repeat)
    finally:
        tavric.set_combining(True)
    result = {"cost": cost, "on_ms": on * 1e3, "off_ms": off * 1e3, "ratio": on / off}
    print(json.dumps(result, indent=1), flush=True)
    return result


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--max-cost", type=int, default=12)
    parser.add_argument("--repeat", type=int, default=7)
    parser.add_argument("--seconds", type=float, default=5.0)
    args = parser.parse_args()
    bench_batch_vs_crypt(range(4, args.max_cost + 1), args.repeat)
    bench_loaded_server(10, args.seconds, 3)
    bench_single_latency(10, 3 * args.repeat)


if __name__ == "__main__":
    main()
