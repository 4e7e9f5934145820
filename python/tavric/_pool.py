"""The threads behind PasswordHasher's awaitable methods.

As many worker threads as the process may use CPUs take jobs from one queue.
A worker takes whatever is queued, up to the four lanes a core runs at once,
and computes it with checkpw_many or hashpw_many: a flood of logins costs a
core about a third of what checking them one by one would.

On the free-threaded build the workers run at the lowest scheduling priority
(nice 19). There, an event loop thread that meets a worker on one of the
interpreter's internal locks spins with sched_yield, which Linux's scheduler
charges it for; against workers of equal priority the loop then waits for
whole hashes (55 to 170 ms stalls at cost 10, measured with
bench/async_verify.py). At the lowest priority the workers still get every
cycle nobody else wants. The standard build keeps them at normal priority:
there a low-priority worker holding the GIL would stall the loop instead.
Pass your own executor to PasswordHasher to choose otherwise.
"""

from __future__ import annotations

import asyncio
import os
import queue
import sys
import sysconfig
import threading
from collections.abc import Callable, Sequence
from typing import Any, NamedTuple

from ._lanes import checkpw_many, hashpw_many
from ._tavric import checkpw, hashpw

_LANES = 4
_FREE_THREADED = bool(sysconfig.get_config_var("Py_GIL_DISABLED"))


class _Job(NamedTuple):
    loop: asyncio.AbstractEventLoop
    future: asyncio.Future[Any]
    batch: Callable[[Sequence[bytes], Sequence[bytes]], list[Any]]
    single: Callable[[bytes, bytes], Any]
    key: bytes
    hashed: bytes  # the stored hash string to check, or the setting to hash under


def _settle(future: asyncio.Future[Any], outcome: Any, failed: bool) -> None:
    if future.done():  # cancelled while it waited
        return
    if failed:
        future.set_exception(outcome)
    else:
        future.set_result(outcome)


def _deliver(job: _Job, outcome: Any, failed: bool = False) -> None:
    try:
        job.loop.call_soon_threadsafe(_settle, job.future, outcome, failed)
    except RuntimeError:  # the loop was closed meanwhile; nobody is waiting
        pass


def _run(jobs: list[_Job]) -> None:
    """Jobs of one kind, in lanes; when one of them is bad, each on its own,
    so that each task gets its own answer or its own error."""
    try:
        results = jobs[0].batch([job.key for job in jobs], [job.hashed for job in jobs])
    except Exception:
        for job in jobs:
            try:
                _deliver(job, job.single(job.key, job.hashed))
            except Exception as error:
                _deliver(job, error, failed=True)
        return
    for job, result in zip(jobs, results):
        _deliver(job, result)


def _lower_priority() -> None:
    if _FREE_THREADED and sys.platform == "linux":
        try:
            os.setpriority(os.PRIO_PROCESS, threading.get_native_id(), 19)
        except OSError:
            pass


class _Pool:
    def __init__(self, workers: int) -> None:
        self._queue: queue.SimpleQueue[_Job] = queue.SimpleQueue()
        for number in range(workers):
            threading.Thread(target=self._work, name=f"tavric-{number}", daemon=True).start()

    def submit(self, job: _Job) -> None:
        self._queue.put(job)

    def _work(self) -> None:
        _lower_priority()
        while True:
            jobs = [self._queue.get()]
            while len(jobs) < _LANES:
                try:
                    jobs.append(self._queue.get_nowait())
                except queue.Empty:
                    break
            # Checks and hashes go into lanes apart.
            kinds: dict[Callable[..., list[Any]], list[_Job]] = {}
            for job in jobs:
                kinds.setdefault(job.batch, []).append(job)
            for group in kinds.values():
                _run(group)


_pool: _Pool | None = None
_pool_lock = threading.Lock()


def shared_pool() -> _Pool:
    """The pool, started on first use."""
    global _pool
    pool = _pool
    if pool is None:
        with _pool_lock:
            if _pool is None:
                _pool = _Pool(os.process_cpu_count() or 1)
            pool = _pool
    return pool


def _forget_pool_in_child() -> None:
    # The parent's worker threads do not exist in a forked child.
    global _pool, _pool_lock
    _pool = None
    _pool_lock = threading.Lock()


os.register_at_fork(after_in_child=_forget_pool_in_child)


async def _submit(batch: Callable[..., list[Any]], single: Callable[[bytes, bytes], Any],
                  key: bytes, hashed: bytes) -> Any:
    loop = asyncio.get_running_loop()
    future: asyncio.Future[Any] = loop.create_future()
    shared_pool().submit(_Job(loop, future, batch, single, key, hashed))
    return await future


async def check(key: bytes, stored: bytes) -> bool:
    """checkpw(key, stored) on the pool."""
    result: bool = await _submit(checkpw_many, checkpw, key, stored)
    return result


async def hash(key: bytes, setting: bytes) -> bytes:
    """hashpw(key, setting) on the pool."""
    result: bytes = await _submit(hashpw_many, hashpw, key, setting)
    return result
