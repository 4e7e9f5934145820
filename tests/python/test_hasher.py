"""PasswordHasher and parse_hash: hashing, checking, rehashing, stored
formats and their errors."""

import threading

import pytest

import tavric
from independent import libxcrypt  # noqa: F401 (fixture)
from tavric import HashInfo, InvalidHashError, PasswordHasher, parse_hash

TOO_LONG = "password cannot be longer than 72 bytes, truncate manually if necessary (e.g. my_password[:72])"
SALT = "abcdefghijklmnopqrstuu"
CHECKSUM = "A" * 31


@pytest.mark.parametrize("prefix", ["2a", "2b"])
@pytest.mark.parametrize(
    "password, same, other",
    [
        ("correct horse", b"correct horse", "correct horse "),
        ("pässwörd ключ 密码", "pässwörd ключ 密码".encode(), "passwörd ключ 密码"),
        ("", b"", " "),
        ("€" * 24, ("€" * 24).encode(), "€" * 23 + "e"),  # exactly 72 bytes
        (b"\xff\x00binary", b"\xff\x00binary", b"\xff\x00binarY"),
    ],
)
def test_hash_then_verify(prefix, password, same, other):
    hasher = PasswordHasher(rounds=4, prefix=prefix)
    stored = hasher.hash(password)
    assert isinstance(stored, str) and len(stored) == 60
    assert parse_hash(stored) == HashInfo("bcrypt", prefix, 4, stored[7:29])
    assert tavric.checkpw(same, stored.encode()) is True
    assert hasher.verify(password, stored) is True
    assert hasher.verify(same, stored.encode()) is True
    assert hasher.verify(other, stored) is False


def test_every_hash_has_a_fresh_salt():
    hasher = PasswordHasher(rounds=4)
    salts = {parse_hash(hasher.hash("same")).salt for _ in range(8)}
    assert len(salts) == 8


@pytest.mark.parametrize("password", ["a" * 73, "é" * 37, b"\0" * 100])
def test_hash_refuses_passwords_over_72_bytes(password):
    with pytest.raises(ValueError) as raised:
        PasswordHasher(rounds=4).hash(password)
    assert str(raised.value) == TOO_LONG


def test_encoding_decides_the_bytes_of_text_passwords():
    latin = PasswordHasher(rounds=4, encoding="latin-1")
    stored = latin.hash("café")
    assert latin.verify(b"caf\xe9", stored) is True
    assert PasswordHasher(rounds=4).verify("café", stored) is False
    with pytest.raises(UnicodeEncodeError):
        latin.hash("ключ")


def test_long_passwords_verify_on_their_first_72_bytes(libxcrypt):
    # C's crypt, like PHP, Go and htpasswd, hashes the first 72 bytes of a
    # longer password: those hashes must verify with the whole password.
    password = "x" * 70 + "yz" + "tail that bcrypt never sees"
    stored = libxcrypt.plain(password.encode(), "2y", 5)
    hasher = PasswordHasher(rounds=5)
    assert hasher.verify(password, stored) is True
    assert hasher.verify(password[:72], stored) is True
    assert hasher.verify(password[:71], stored) is False
    assert hasher.verify("x" * 70 + "yZ" + "tail that bcrypt never sees", stored) is False


@pytest.mark.parametrize("prefix", ["2a", "2b", "2y"])
@pytest.mark.parametrize("password", [b"hello", "pässwörd".encode(), bytes(range(1, 73))])
def test_hashes_from_libxcrypt_verify_as_text_and_bytes(libxcrypt, prefix, password):
    stored = libxcrypt.plain(password, prefix, 4)
    hasher = PasswordHasher(rounds=4)
    assert hasher.verify(password, stored) is True
    assert hasher.verify(password, stored.encode()) is True
    assert hasher.verify(password[:-1], stored) is False


UNREADABLE = [
    "",
    "garbage",
    f"$2b$12${SALT}",  # a setting, no checksum
    f"$2b$12${SALT}{CHECKSUM}\n",
    f"$2b$12${SALT}{CHECKSUM}A",
    f"$2b$12${SALT}{CHECKSUM[:-1]}",
    f"$$2b$12${SALT}{CHECKSUM}",
    f"2b$12${SALT}{CHECKSUM}",
    f"$2b$4${SALT}{CHECKSUM}",
    f"$2b$03${SALT}{CHECKSUM}",
    f"$2b$32${SALT}{CHECKSUM}",
    f"$2c$12${SALT}{CHECKSUM}",
    f"$2$12${SALT}{CHECKSUM}",
    f"$2b$12${SALT[:-1]}/{CHECKSUM}",  # salt whose last character has stray bits
    f"$2b$12${SALT[:-1]}+{CHECKSUM}",
    f"$2b$1٢${SALT}{CHECKSUM}",  # a non-ASCII digit
    f"$bcrypt-sha256$v=2,t=2b,r=3${SALT}${CHECKSUM}",
    f"$bcrypt-sha256$v=2,t=2y,r=12${SALT}${CHECKSUM}",
    f"$bcrypt-sha256$v=3,t=2b,r=12${SALT}${CHECKSUM}",
    f"$bcrypt-sha256$2b,12${SALT}${CHECKSUM}",  # passlib's version 1
    f"$bcrypt-sha256$v=2,t=2b,r=12${SALT}{CHECKSUM}",
    f"bcrypt_sha256${SALT}{CHECKSUM}",
    f"pbkdf2_sha256$600000${SALT}${CHECKSUM}",
    f"BCRYPT$$2b$12${SALT}{CHECKSUM}",
    "$argon2id$v=19$m=65536,t=3,p=4$c29tZXNhbHQ$RdescudvJCsgt3ub+b+dWRWJTmaaJObG",
    f"$2b$12${SALT}{CHECKSUM}".encode() + b"\xff",
]


@pytest.mark.parametrize("stored", UNREADABLE)
def test_unreadable_hashes_raise_invalid_hash_error(stored):
    hasher = PasswordHasher(rounds=4)
    for call in (parse_hash, hasher.needs_rehash, lambda h: hasher.verify("pw", h),
                 lambda h: hasher.verify_and_update("pw", h)):
        with pytest.raises(InvalidHashError) as raised:
            call(stored)
        assert isinstance(raised.value, ValueError)
        # The stored value may be sensitive; it does not end up in logs.
        assert str(stored) not in str(raised.value) or not stored


@pytest.mark.parametrize(
    "call",
    [
        lambda h: h.hash(None),
        lambda h: h.hash(bytearray(b"pw")),
        lambda h: h.verify(None, f"$2b$04${SALT}{CHECKSUM}"),
        lambda h: h.verify("pw", None),
        lambda h: h.verify("pw", memoryview(f"$2b$04${SALT}{CHECKSUM}".encode())),
        lambda h: h.needs_rehash(60),
        lambda h: parse_hash(None),
    ],
)
def test_wrong_types_raise_type_error(call):
    with pytest.raises(TypeError, match="must be str or bytes"):
        call(PasswordHasher(rounds=4))


@pytest.mark.parametrize(
    "stored, info",
    [
        (f"$2y$31${SALT}{CHECKSUM}", HashInfo("bcrypt", "2y", 31, SALT)),
        (f"$2x$04${SALT}{CHECKSUM}".encode(), HashInfo("bcrypt", "2x", 4, SALT)),
        (f"$bcrypt-sha256$v=2,t=2b,r=5${SALT}${CHECKSUM}", HashInfo("bcrypt-sha256", "2b", 5, SALT)),
        (f"$bcrypt-sha256$v=2,t=2a,r=05${SALT}${CHECKSUM}", HashInfo("bcrypt-sha256", "2a", 5, SALT)),
        (f"$bcrypt-sha256$v=2,t=2b,r=12${SALT}${CHECKSUM}", HashInfo("bcrypt-sha256", "2b", 12, SALT)),
        (f"bcrypt$$2b$10${SALT}{CHECKSUM}", HashInfo("django-bcrypt", "2b", 10, SALT)),
        (f"bcrypt_sha256$$2a$12${SALT}{CHECKSUM}", HashInfo("django-bcrypt-sha256", "2a", 12, SALT)),
    ],
)
def test_parse_hash_reads_each_format(stored, info):
    assert parse_hash(stored) == info


@pytest.mark.parametrize(
    "hasher, stored, expected",
    [
        (PasswordHasher(5), f"$2b$05${SALT}{CHECKSUM}", False),
        (PasswordHasher(5), f"$2b$04${SALT}{CHECKSUM}", True),
        (PasswordHasher(5), f"$2b$06${SALT}{CHECKSUM}", True),  # a lowered cost is a change too
        (PasswordHasher(5), f"$2a$05${SALT}{CHECKSUM}", True),
        (PasswordHasher(5), f"$2y$05${SALT}{CHECKSUM}", True),
        (PasswordHasher(5, "2a"), f"$2a$05${SALT}{CHECKSUM}", False),
        (PasswordHasher(5), f"$bcrypt-sha256$v=2,t=2b,r=5${SALT}${CHECKSUM}", True),
        (PasswordHasher(5), f"bcrypt$$2b$05${SALT}{CHECKSUM}", True),
        (PasswordHasher(5, prehash=True), f"$bcrypt-sha256$v=2,t=2b,r=5${SALT}${CHECKSUM}", False),
        (PasswordHasher(5, prehash=True), f"$bcrypt-sha256$v=2,t=2b,r=4${SALT}${CHECKSUM}", True),
        (PasswordHasher(5, prehash=True), f"$bcrypt-sha256$v=2,t=2a,r=5${SALT}${CHECKSUM}", True),
        (PasswordHasher(5, prehash=True), f"$2b$05${SALT}{CHECKSUM}", True),
        (PasswordHasher(5, prehash=True), f"bcrypt_sha256$$2b$05${SALT}{CHECKSUM}", True),
    ],
)
def test_needs_rehash_when_format_label_or_cost_differs(hasher, stored, expected):
    assert hasher.needs_rehash(stored) is expected
    assert hasher.needs_rehash(hasher.hash("pw")) is False


@pytest.fixture(scope="module")
def cost4():
    return PasswordHasher(rounds=4).hash("secret")


@pytest.mark.parametrize(
    "hasher, password, matched, new_start",
    [
        (PasswordHasher(4), "secret", True, None),
        (PasswordHasher(4), "Secret", False, None),
        (PasswordHasher(5), "Secret", False, None),
        (PasswordHasher(5), "secret", True, "$2b$05$"),
        (PasswordHasher(4, "2a"), "secret", True, "$2a$04$"),
        (PasswordHasher(4, prehash=True), "secret", True, "$bcrypt-sha256$v=2,t=2b,r=4$"),
    ],
)
def test_verify_and_update(cost4, hasher, password, matched, new_start):
    result = hasher.verify_and_update(password, cost4)
    assert result[0] is matched
    if new_start is None:
        assert result[1] is None
    else:
        assert result[1].startswith(new_start)
        assert hasher.verify(password, result[1]) and not hasher.needs_rehash(result[1])


def test_verify_and_update_of_a_long_password(libxcrypt):
    password = "long passphrase " * 6  # 96 bytes; its first 72 made the stored hash
    stored = libxcrypt.plain(password.encode(), "2b", 4)
    assert PasswordHasher(5).verify_and_update(password, stored) == (True, None)
    prehashing = PasswordHasher(4, prehash=True)
    matched, new = prehashing.verify_and_update(password, stored)
    assert matched and new.startswith("$bcrypt-sha256$")
    assert prehashing.verify(password, new) and not prehashing.verify(password[:72], new)


def test_dummy_verify_does_a_real_check_of_the_hashers_cost(monkeypatch):
    checked = []
    real_checkpw = tavric._formats.checkpw

    def spy(key, stored):
        checked.append((key, stored))
        return real_checkpw(key, stored)

    monkeypatch.setattr(tavric._formats, "checkpw", spy)
    for hasher, setting, prehashed in [
        (PasswordHasher(6, "2a"), b"$2a$06$", False),
        (PasswordHasher(5, prehash=True), b"$2b$05$", True),
    ]:
        for password in ["password", "", "p" * 100]:
            checked.clear()
            assert hasher.dummy_verify(password) is False
            [(key, stored)] = checked
            assert stored.startswith(setting) and len(stored) == 60
            # The key is derived from the password as a real check derives it.
            assert len(key) == 44 if prehashed else key == password.encode()[:72]


@pytest.mark.parametrize(
    "arguments, error, message",
    [
        ({"rounds": 3}, ValueError, "rounds must be 4 to 31, not 3"),
        ({"rounds": 32}, ValueError, "rounds must be 4 to 31, not 32"),
        ({"rounds": "12"}, TypeError, "rounds must be an int, not str"),
        ({"rounds": True}, TypeError, "rounds must be an int, not bool"),
        ({"prefix": "2y"}, ValueError, "prefix must be '2a' or '2b', not '2y'"),
        ({"prefix": b"2b"}, ValueError, "prefix must be '2a' or '2b', not b'2b'"),
        ({"encoding": "no-such-codec"}, LookupError, "unknown encoding: no-such-codec"),
        ({"prehash": 1}, TypeError, "prehash must be True or False, not 1"),
        ({"executor": object()}, TypeError, "executor must be a concurrent.futures.Executor, not object"),
    ],
)
def test_bad_settings_are_refused(arguments, error, message):
    with pytest.raises(error) as raised:
        PasswordHasher(**arguments)
    assert str(raised.value) == message


def test_hasher_is_immutable():
    hasher = PasswordHasher(rounds=5, prefix="2a", prehash=True)
    for name in ["rounds", "_rounds", "prefix", "_dummy_hash", "new_attribute"]:
        with pytest.raises(AttributeError):
            setattr(hasher, name, 31)
        with pytest.raises(AttributeError):
            delattr(hasher, name)
    assert (hasher.rounds, hasher.prefix, hasher.encoding, hasher.prehash) == (5, "2a", "utf-8", True)
    assert repr(hasher) == "PasswordHasher(rounds=5, prefix='2a', encoding='utf-8', prehash=True)"


def test_one_hasher_shared_by_threads():
    hasher = PasswordHasher(rounds=4)
    outcomes = {}
    barrier = threading.Barrier(8)

    def work(index):
        barrier.wait()
        mine = f"password {index}"
        stored = hasher.hash(mine)
        outcomes[index] = (hasher.verify(mine, stored), hasher.verify(f"password {index + 1}", stored),
                           hasher.dummy_verify(mine), hasher.needs_rehash(stored))

    threads = [threading.Thread(target=work, args=(i,)) for i in range(8)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert outcomes == {i: (True, False, False, False) for i in range(8)}
