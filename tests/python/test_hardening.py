"""Hostile conditions: a failing key-derivation library, many threads at
once, racing first imports, and reference leaks."""

import sys
import threading
from pathlib import Path

import pytest

from conftest import build_shim, preload, run_python
from tavric import _tavric as m


@pytest.fixture(scope="module")
def sha512_fails(tmp_path_factory):
    # Only a fault-seams build (scripts/sanitize) has a hook to inject into:
    # the shipped module's SHA-512 is linked in statically and cannot fail.
    if b"tavric_seam_sha512_fails" not in Path(m.__file__).read_bytes():
        pytest.skip("needs a build with TAVRIC_FAULT_SEAMS (scripts/sanitize makes one)")
    return build_shim(tmp_path_factory, "sha512_fails")


def test_fault_inside_the_released_derivation_leaves_the_thread_usable(sha512_fails):
    result = run_python(
        """
        import threading, tavric
        try:
            tavric.kdf(b"p", b"s", 32, 50)
        except Exception:
            print("caught by except Exception")
        except BaseException as panic:
            print("PANIC", panic)
        # The thread is attached again: Python code and other calls work.
        print("AFTER", sum(range(10)), tavric.checkpw(b"pw", tavric.hashpw(b"pw", tavric.gensalt(4))))
        t = threading.Thread(target=lambda: None); t.start(); t.join()
        print("THREADS OK")
        """,
        env={"LD_PRELOAD": preload(sha512_fails)},
    )
    assert result.stdout.splitlines() == [
        "PANIC called `Result::unwrap()` on an `Err` value: LibraryFailure",
        "AFTER 45 True",
        "THREADS OK",
    ]
    assert "panicked at src/lib/kdf.cpp:" in result.stderr


SETTING = b"$2b$04$abcdefghijklmnopqrstuu"


def expected_outcomes():
    """One call of each function on a success and an error path, with what it
    must give, computed once on a single thread."""
    good_hash = m.hashpw(b"secret", SETTING)
    key = m.kdf(b"secret", b"salt", 40, 2, True)
    return [
        (lambda: m.hashpw(b"secret", SETTING), good_hash),
        (lambda: m.hashpw(b"secret", b"$2b$04$short"), ValueError("Invalid salt")),
        (lambda: m.checkpw(b"secret", good_hash), True),
        (lambda: m.checkpw(b"wrong", good_hash), False),
        (lambda: m.checkpw("secret", good_hash), TypeError("argument 'password': 'str' object cannot be converted to 'PyBytes'")),
        (lambda: m.kdf(b"secret", b"salt", 40, 2, True), key),
        (lambda: m.kdf(b"secret", b"", 40, 2, True), ValueError("password and salt must not be empty")),
        (lambda: len(m.gensalt(5, b"2a")), 29),
        (lambda: m.gensalt(3), ValueError("Invalid rounds")),
        (lambda: m.gensalt(1, 2, 3), TypeError("gensalt() takes from 0 to 2 positional arguments but 3 were given")),
    ]


def outcome(call):
    try:
        return call()
    except Exception as error:  # noqa: BLE001 - errors are outcomes here
        return error


def same(got, want):
    if isinstance(want, Exception):
        return type(got) is type(want) and got.args == want.args
    return got == want


def test_many_threads_mixing_all_functions():
    cases = expected_outcomes()
    threads, rounds = 8, 6
    failures = []
    barrier = threading.Barrier(threads)

    def work(offset):
        barrier.wait()
        for i in range(rounds * len(cases)):
            call, want = cases[(i + offset) % len(cases)]
            got = outcome(call)
            if not same(got, want):
                failures.append((want, got))

    workers = [threading.Thread(target=work, args=(n,)) for n in range(threads)]
    for worker in workers:
        worker.start()
    for worker in workers:
        worker.join()
    assert failures == []


def test_concurrent_first_imports():
    # Every thread of a fresh process imports at the same moment; all must
    # get the one module object, fully registered.
    code = """
    import sys, threading
    barrier = threading.Barrier(8)
    modules = []
    def load():
        barrier.wait()
        import tavric._tavric as module
        modules.append(module)
    threads = [threading.Thread(target=load) for _ in range(8)]
    for t in threads: t.start()
    for t in threads: t.join()
    assert len(modules) == 8 and all(module is modules[0] for module in modules)
    assert len(modules[0].__all__) == 12
    print(modules[0].checkpw(b"x", modules[0].hashpw(b"x", modules[0].gensalt(4))))
    """
    for _ in range(10):
        assert run_python(code).stdout.strip() == "True"


def test_calls_keep_argument_reference_counts():
    password, stored, salt = b"refcount password", m.hashpw(b"refcount password", SETTING), b"refcount salt"
    bad = b"not a setting"
    arguments = [password, stored, salt, bad, SETTING]
    before = [sys.getrefcount(a) for a in arguments]
    for _ in range(200):
        m.hashpw(password, SETTING)
        m.checkpw(password, stored)
        m.kdf(password, salt, 16, 1, True)
        for call in (lambda: m.hashpw(password, bad), lambda: m.checkpw(bad * 10, stored), lambda: m.kdf(password, b"", 8, 1)):
            with pytest.raises(ValueError):
                call()
    assert [sys.getrefcount(a) for a in arguments] == before
