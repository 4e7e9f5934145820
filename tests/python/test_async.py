"""The awaitable methods: same answers as the plain ones, computed on a
bounded pool of threads while the event loop goes on."""

import asyncio
import os
import threading
from concurrent.futures import ThreadPoolExecutor

import pytest

import tavric
from conftest import run_python
from tavric import InvalidHashError, PasswordHasher

TOO_LONG = "password cannot be longer than 72 bytes, truncate manually if necessary (e.g. my_password[:72])"


@pytest.fixture
def worker_threads(monkeypatch):
    """The threads that ran bcrypt, and the most that ran it at once."""
    seen = {"threads": set(), "running": 0, "most": 0, "batches": []}
    lock = threading.Lock()
    real_checkpw = tavric._formats.checkpw

    def counting_checkpw(key, stored):
        with lock:
            seen["threads"].add(threading.current_thread().name)
            seen["running"] += 1
            seen["most"] = max(seen["most"], seen["running"])
        try:
            return real_checkpw(key, stored)
        finally:
            with lock:
                seen["running"] -= 1

    def counting_checkpw_many(keys, stored):
        with lock:
            seen["batches"].append(len(keys))
        return [counting_checkpw(key, hashed) for key, hashed in zip(keys, stored)]

    monkeypatch.setattr(tavric._formats, "checkpw", counting_checkpw)
    monkeypatch.setattr(tavric._pool, "checkpw_many", counting_checkpw_many)
    monkeypatch.setattr(tavric._pool, "checkpw", counting_checkpw)
    return seen


def test_awaitables_agree_with_the_plain_methods():
    hasher = PasswordHasher(rounds=4)
    newer = PasswordHasher(rounds=5)

    async def main():
        stored = await hasher.ahash("secret")
        return stored, await asyncio.gather(
            hasher.averify("secret", stored),
            hasher.averify("Secret", stored.encode()),
            newer.averify_and_update("secret", stored),
            newer.averify_and_update("Secret", stored),
            hasher.averify_and_update("secret", stored),
            hasher.adummy_verify("secret"),
        )

    stored, results = asyncio.run(main())
    assert hasher.verify("secret", stored)
    [right, wrong, (updated, new), rejected, current, dummy] = results
    assert (right, wrong, updated, rejected, current, dummy) == (True, False, True, (False, None), (True, None), False)
    assert new.startswith("$2b$05$") and newer.verify("secret", new)


@pytest.mark.parametrize(
    "call, error, message",
    [
        (lambda h: h.ahash("x" * 73), ValueError, TOO_LONG),
        (lambda h: h.averify("pw", "not a hash"), InvalidHashError, None),
        (lambda h: h.averify_and_update(None, "$2b$04$abcdefghijklmnopqrstuu" + "A" * 31), TypeError, None),
    ],
)
def test_errors_reach_the_awaiting_task(call, error, message):
    with pytest.raises(error) as raised:
        asyncio.run(call(PasswordHasher(rounds=4)))
    assert message is None or str(raised.value) == message


def test_a_flood_of_checks_runs_on_a_bounded_pool(worker_threads):
    hasher = PasswordHasher(rounds=6)
    stored = hasher.hash("pw")
    ticks = 0

    async def ticker(done):
        nonlocal ticks
        while not done.is_set():
            ticks += 1
            await asyncio.sleep(0)

    async def main():
        done = asyncio.Event()
        ticking = asyncio.create_task(ticker(done))
        results = await asyncio.gather(*(hasher.averify("pw", stored) for _ in range(48)))
        done.set()
        await ticking
        return results

    assert asyncio.run(main()) == [True] * 48
    limit = os.process_cpu_count()
    assert 1 <= len(worker_threads["threads"]) <= limit
    assert worker_threads["most"] <= limit
    assert all(name.startswith("tavric") for name in worker_threads["threads"])
    # The loop went on while the pool hashed: far more turns than checks.
    assert ticks > 48
    # Queued checks were taken together, into the lanes of one call.
    assert sum(worker_threads["batches"]) == 48
    assert max(worker_threads["batches"]) > 1 and max(worker_threads["batches"]) <= 4


def test_one_bad_job_in_a_lane_group_fails_alone():
    hasher = PasswordHasher(rounds=4)

    async def main():
        return await asyncio.gather(*(hasher.ahash("x" * n) for n in (8, 73, 9, 10, 11)),
                                    return_exceptions=True)

    results = asyncio.run(main())
    assert isinstance(results[1], ValueError) and str(results[1]) == TOO_LONG
    for n, result in zip((8, 9, 10, 11), results[:1] + results[2:]):
        assert hasher.verify("x" * n, result)


def test_a_given_executor_is_used(worker_threads):
    with ThreadPoolExecutor(max_workers=1, thread_name_prefix="mine") as executor:
        hasher = PasswordHasher(rounds=4, executor=executor)
        stored = hasher.hash("pw")

        async def main():
            return await asyncio.gather(*(hasher.averify("pw", stored) for _ in range(6)))

        assert asyncio.run(main()) == [True] * 6
    assert {name.split("_")[0] for name in worker_threads["threads"]} == {"mine"}
    assert worker_threads["most"] == 1


@pytest.mark.skipif(not hasattr(os, "fork"), reason="needs fork")
def test_the_pool_works_again_in_a_forked_child():
    # Without a fresh pool the child would queue work for threads that only
    # exist in the parent, and wait for ever.
    result = run_python(
        """
        import asyncio, os, warnings
        import tavric

        warnings.simplefilter("ignore", DeprecationWarning)  # fork of a threaded process
        hasher = tavric.PasswordHasher(rounds=4)
        stored = hasher.hash("pw")
        assert asyncio.run(hasher.averify("pw", stored))
        pid = os.fork()
        if pid == 0:
            os._exit(0 if asyncio.run(hasher.averify("pw", stored)) else 1)
        print(os.waitstatus_to_exitcode(os.waitpid(pid, 0)[1]))
        """
    )
    assert result.stdout.strip() == "0"
