"""hashpw and checkpw over many pairs in interleaved lanes, and single calls
combined under load: the same results, checks and messages as the single
calls, whatever the grouping."""

import random
import sys
import threading

import pytest

import tavric
from tavric import _lanes, _tavric

LABELS = [b"2a", b"2b", b"2x", b"2y"]
MAX_LEN = "password cannot be longer than 72 bytes, truncate manually if necessary (e.g. my_password[:72])"


def random_pairs(count, seed):
    """Passwords of 0 to 72 bytes, zero bytes among them, under every label
    and costs 4 to 6 mixed in one batch."""
    rng = random.Random(seed)
    passwords, settings = [], []
    for i in range(count):
        password = rng.randbytes(rng.randrange(73))
        if i % 3 == 0 and password:
            at = rng.randrange(len(password))
            password = password[:at] + b"\x00" + password[at + 1:]
        setting = _tavric.gensalt(rng.choice([4, 5, 6]))
        passwords.append(password)
        settings.append(b"$" + rng.choice(LABELS) + setting[3:])
    return passwords, settings


def test_hashpw_many_equals_hashpw_on_random_inputs():
    passwords, settings = random_pairs(40, 12)
    assert _lanes.hashpw_many(passwords, settings) == [_tavric.hashpw(p, s) for p, s in zip(passwords, settings)]


def test_checkpw_many_equals_checkpw():
    passwords, settings = random_pairs(24, 34)
    stored = [_tavric.hashpw(p, s) for p, s in zip(passwords, settings)]
    # Right and wrong passwords, a stored string with trailing bytes, and one
    # whose cost is written "5": both hash but never compare equal.
    candidates = passwords[:12] + [p + b"!" for p in passwords[12:]]
    stored[0] += b"x"
    stored[1] = stored[1].replace(b"$05$", b"$5$") if b"$05$" in stored[1] else stored[1][:59] + b"."
    assert _lanes.checkpw_many(candidates, stored) == [_tavric.checkpw(p, h) for p, h in zip(candidates, stored)]
    assert _lanes.checkpw_many(passwords[2:12], stored[2:12]) == [True] * 10


@pytest.mark.parametrize("container", [list, tuple])
def test_empty_and_container_types(container):
    assert _lanes.hashpw_many(container(), container()) == []
    setting = _tavric.gensalt(4)
    assert _lanes.checkpw_many(container([b"pw"]), container([_tavric.hashpw(b"pw", setting)])) == [True]


GOOD = b"$2b$04$abcdefghijklmnopqrstuu"


def single_call_error(function, password, setting):
    with pytest.raises(BaseException) as info:
        function(password, setting)
    return info.value


# Each case has a bad pair among good ones; the batch must raise what the
# single call raises for the first bad pair.
BAD_PAIRS = [
    ("pw", GOOD),
    (b"pw", bytearray(GOOD)),
    (b"pw", None),
    (b"x" * 73, b"garbage"),
    (b"pw", b"$2c$04$abcdefghijklmnopqrstuu"),
    (b"pw", b"$2b$03$abcdefghijklmnopqrstuu"),
    (b"pw", b"$2b$32$abcdefghijklmnopqrstuu"),
    (b"pw", b"$2b$04$abcdefghijklmnopqrstu/"),
]


@pytest.mark.parametrize("password, setting", BAD_PAIRS)
@pytest.mark.parametrize("batch, single", [(_lanes.hashpw_many, _tavric.hashpw), (_lanes.checkpw_many, _tavric.checkpw)])
def test_the_first_bad_pair_raises_what_the_single_call_raises(batch, single, password, setting):
    expected = single_call_error(single, password, setting)
    later_bad = ("also bad", b"$2b$03$abcdefghijklmnopqrstuu")
    with pytest.raises(type(expected)) as info:
        batch([b"ok", password, later_bad[0]], [GOOD, setting, later_bad[1]])
    assert info.value.args == expected.args
    assert info.value.__cause__ is expected.__cause__ is None


@pytest.mark.parametrize(
    "call, error, message",
    [
        (lambda: _lanes.hashpw_many([b"a", b"b"], [GOOD]), ValueError,
         "passwords and salts must have the same length"),
        (lambda: _lanes.checkpw_many([b"a"], []), ValueError,
         "passwords and hashed_passwords must have the same length"),
        (lambda: _lanes.hashpw_many(b"pw", [GOOD]), TypeError,
         "argument 'passwords': 'bytes' object cannot be converted to 'Sequence'"),
        (lambda: _lanes.checkpw_many([b"pw"], iter([GOOD])), TypeError,
         "argument 'hashed_passwords': 'list_iterator' object cannot be converted to 'Sequence'"),
        (lambda: _lanes.hashpw_many([b"pw"]), TypeError, "hashpw_many() missing 1 required positional argument: 'salts'"),
        (lambda: _lanes.hashpw_many([], [], []), TypeError,
         "hashpw_many() takes 2 positional arguments but 3 were given"),
        (lambda: _lanes.checkpw_many([], hashed=[]), TypeError,
         "checkpw_many() got an unexpected keyword argument 'hashed'"),
        (lambda: _lanes.set_combining(1), TypeError, "argument 'enabled': 'int' object cannot be converted to 'PyBool'"),
        (lambda: _lanes.set_combining(), TypeError, "set_combining() missing 1 required positional argument: 'enabled'"),
        (lambda: _lanes.combining_enabled(True), TypeError,
         "combining_enabled() takes 0 positional arguments but 1 was given"),
    ],
)
def test_argument_errors(call, error, message):
    with pytest.raises(error) as info:
        call()
    assert info.value.args == (message,)


def test_batch_keeps_its_own_copy_of_a_list_another_thread_changes():
    """Another thread keeps replacing the lists' items with fresh objects
    while the batch runs released: the batch must read the items it took at
    the start, which it keeps alive itself."""
    rng = random.Random(56)
    passwords = [rng.randbytes(rng.randrange(1, 20)) for _ in range(6)]
    settings = [_tavric.gensalt(4) for _ in range(6)]
    possible = {_tavric.hashpw(p, s) for p in passwords for s in settings}
    shared_passwords, shared_settings = list(passwords), list(settings)
    stop = threading.Event()

    def replace_items():
        while not stop.is_set():
            shared_passwords[:] = [bytes(bytearray(p)) for p in reversed(shared_passwords)]
            shared_settings[:] = [bytes(bytearray(s)) for s in reversed(shared_settings)]

    mutator = threading.Thread(target=replace_items)
    mutator.start()
    try:
        for _ in range(20):
            assert set(_lanes.hashpw_many(shared_passwords, shared_settings)) <= possible
    finally:
        stop.set()
        mutator.join()


def test_arguments_keep_their_reference_counts():
    passwords, settings = random_pairs(6, 78)
    stored = [_tavric.hashpw(p, s) for p, s in zip(passwords, settings)]
    watched = passwords + settings + stored
    before = [sys.getrefcount(x) for x in watched]
    for _ in range(20):
        _lanes.hashpw_many(passwords, settings)
        _lanes.checkpw_many(passwords, stored)
        with pytest.raises(ValueError):
            _lanes.hashpw_many(passwords, settings[:-1] + [b"bad"])
    assert [sys.getrefcount(x) for x in watched] == before


@pytest.fixture
def combining_restored():
    yield
    _lanes.set_combining(True)


@pytest.mark.parametrize("enabled", [True, False])
def test_eight_threads_mixing_single_calls_batches_and_errors(enabled, combining_restored):
    """More hashes in flight than cores: single calls are combined in each
    other's lanes (or not, when switched off); every result is unchanged."""
    _lanes.set_combining(enabled)
    assert _lanes.combining_enabled() is enabled
    passwords, settings = random_pairs(16, 90 + enabled)
    expected = [_tavric.hashpw(p, s) for p, s in zip(passwords, settings)]
    failures = []
    barrier = threading.Barrier(8)

    def work(offset):
        barrier.wait()
        for round_ in range(3):
            i = (offset + round_) % len(passwords)
            checks = [
                (lambda: tavric.hashpw(passwords[i], settings[i]), expected[i]),
                (lambda: tavric.checkpw(passwords[i], expected[i]), True),
                (lambda: tavric.checkpw(passwords[i][:71] + b"?", expected[i]), False),
                (lambda: tavric.hashpw_many(passwords[i:i + 3], settings[i:i + 3]), expected[i:i + 3]),
                (lambda: tavric.checkpw_many(passwords[:4], expected[:4]), [True] * 4),
            ]
            for call, want in checks:
                try:
                    got = call()
                except Exception as error:
                    got = error
                if got != want:
                    failures.append((offset, round_, got, want))
            for bad in (lambda: tavric.hashpw(b"pw", b"$2b$99$" + settings[i][7:]),
                        lambda: tavric.checkpw_many([b"x" * 73], [expected[i]])):
                try:
                    bad()
                    failures.append((offset, "no error"))
                except ValueError:
                    pass

    workers = [threading.Thread(target=work, args=(n,)) for n in range(8)]
    for worker in workers:
        worker.start()
    for worker in workers:
        worker.join()
    assert failures == []


def test_package_reexports_the_batch_module():
    assert tavric.hashpw_many is _lanes.hashpw_many and tavric.checkpw_many is _lanes.checkpw_many
    assert tavric.set_combining is _lanes.set_combining and tavric.combining_enabled is _lanes.combining_enabled
    assert _lanes.hashpw_many.__text_signature__ == "(passwords, salts)"
    assert _lanes.__all__ == ["hashpw_many", "checkpw_many", "set_combining", "combining_enabled"]
