"""PasswordHasher.averify under a flood of logins: how long the event loop
stalls while they run, and their throughput against checkpw called from as
many plain threads.

    .venv/bin/python bench/async_verify.py [--cost 10] [--tasks 64] [--rounds 5] [--workers N]

A ticker coroutine sleeps 1 ms at a time while `tasks` averify calls run at
once; the longest lateness of its wake-ups is the longest stall of the loop.
The same ticker then runs as long again on an idle loop, for the stalls the
machine causes by itself. Each round times both sides, in alternating order;
the throughputs are the best round's, the stalls the worst. `--workers`
replaces the hasher's default pool (as many threads as CPUs) with one of N.
"""

from __future__ import annotations

import argparse
import asyncio
import os
import sys
import threading
import time
from concurrent.futures import ThreadPoolExecutor
from typing import Any

import tavric

PASSWORD = b"benchmark password"
TICK_S = 0.001


async def _ticker(stop: asyncio.Event, lateness: list[float]) -> None:
    while not stop.is_set():
        start = time.perf_counter()
        await asyncio.sleep(TICK_S)
        lateness.append(time.perf_counter() - start - TICK_S)


async def _idle_round(seconds: float) -> float:
    """The longest stall of the same ticker with nothing else running: the
    machine's own noise, to read the loaded figure against."""
    stop = asyncio.Event()
    lateness: list[float] = []
    ticking = asyncio.create_task(_ticker(stop, lateness))
    await asyncio.sleep(seconds)
    stop.set()
    await ticking
    return max(lateness)


async def _averify_round(hasher: tavric.PasswordHasher, stored: str, tasks: int) -> tuple[float, float]:
    """(seconds for all checks, longest stall in seconds)."""
    stop = asyncio.Event()
    lateness: list[float] = []
    ticking = asyncio.create_task(_ticker(stop, lateness))
    await asyncio.sleep(TICK_S)  # the ticker is running before the flood starts
    start = time.perf_counter()
    results = await asyncio.gather(*(hasher.averify(PASSWORD, stored) for _ in range(tasks)))
    elapsed = time.perf_counter() - start
    stop.set()
    await ticking
    assert all(results), "a verification failed"
    return elapsed, max(lateness)


def _threads_round(stored: bytes, tasks: int) -> float:
    """Seconds for `tasks` threads to call checkpw once each."""
    barrier = threading.Barrier(tasks + 1)
    failures: list[int] = []

    def check() -> None:
        barrier.wait()
        if not tavric.checkpw(PASSWORD, stored):
            failures.append(1)

    workers = [threading.Thread(target=check) for _ in range(tasks)]
    for worker in workers:
        worker.start()
    barrier.wait()
    start = time.perf_counter()
    for worker in workers:
        worker.join()
    elapsed = time.perf_counter() - start
    assert not failures, "a verification failed"
    return elapsed


def measure(cost: int = 10, tasks: int = 64, rounds: int = 5, workers: int | None = None) -> dict[str, Any]:
    """Figures for one cost and flood size; see the module's text."""
    if workers is None:
        figures = _measure(tavric.PasswordHasher(rounds=cost), tasks, rounds)
    else:
        with ThreadPoolExecutor(max_workers=workers, thread_name_prefix="bench") as pool:
            figures = _measure(tavric.PasswordHasher(rounds=cost, executor=pool), tasks, rounds)
    return {"workers": workers or os.process_cpu_count(), **figures}


def _measure(hasher: tavric.PasswordHasher, tasks: int, rounds: int) -> dict[str, Any]:
    stored = hasher.hash(PASSWORD)
    # An untimed flood first: the pool starts its threads on demand, and
    # starting them is not what is measured.
    asyncio.run(_averify_round(hasher, stored, tasks))
    stalls, idle_stalls, averify_times, thread_times = [], [], [], []
    for turn in range(rounds):
        sides = ["async", "threads"] if turn % 2 == 0 else ["threads", "async"]
        for side in sides:
            if side == "async":
                elapsed, stall = asyncio.run(_averify_round(hasher, stored, tasks))
                averify_times.append(elapsed)
                stalls.append(stall)
                idle_stalls.append(asyncio.run(_idle_round(elapsed)))
            else:
                thread_times.append(_threads_round(stored.encode(), tasks))
    gil = sys._is_gil_enabled() if hasattr(sys, "_is_gil_enabled") else True
    averify_rate = tasks / min(averify_times)
    threads_rate = tasks / min(thread_times)
    return {
        "python": sys.version.split()[0],
        "gil_enabled": gil,
        "cpus": os.process_cpu_count(),
        "cost": hasher.rounds,
        "tasks": tasks,
        "rounds": rounds,
        "longest_stall_ms": max(stalls) * 1000,
        "longest_stall_ms_per_round": [round(stall * 1000, 3) for stall in stalls],
        "idle_longest_stall_ms": max(idle_stalls) * 1000,
        "idle_longest_stall_ms_per_round": [round(stall * 1000, 3) for stall in idle_stalls],
        "averify_per_s": averify_rate,
        "checkpw_threads_per_s": threads_rate,
        "averify_vs_threads": averify_rate / threads_rate,
    }


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--cost", type=int, default=10)
    parser.add_argument("--tasks", type=int, default=64)
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--workers", type=int, default=None, help="threads of the pool (default: the CPUs)")
    args = parser.parse_args()
    figures = measure(args.cost, args.tasks, args.rounds, args.workers)
    print(f"Python {figures['python']}, GIL enabled: {figures['gil_enabled']}, "
          f"CPUs: {figures['cpus']}, pool of {figures['workers']}, cost {figures['cost']}, "
          f"{figures['tasks']} concurrent checks, "
          f"best of {figures['rounds']} rounds")
    print(f"longest event-loop stall: {figures['longest_stall_ms']:.2f} ms "
          f"(per round: {', '.join(f'{s:.2f}' for s in figures['longest_stall_ms_per_round'])})")
    print(f"same ticker, idle loop:   {figures['idle_longest_stall_ms']:.2f} ms "
          f"(per round: {', '.join(f'{s:.2f}' for s in figures['idle_longest_stall_ms_per_round'])})")
    print(f"averify on the pool:      {figures['averify_per_s']:8.1f} verifications/s")
    print(f"checkpw from {figures['tasks']} threads:  {figures['checkpw_threads_per_s']:8.1f} verifications/s")
    print(f"averify / threads:        {figures['averify_vs_threads']:8.2f}")


if __name__ == "__main__":
    main()
