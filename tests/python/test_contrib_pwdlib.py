"""tavric.contrib.pwdlib.BcryptHasher inside pwdlib.PasswordHash."""

import pytest

pytest.importorskip("pwdlib")

from pwdlib import PasswordHash  # noqa: E402
from pwdlib.exceptions import HashVerificationError, UnknownHashError  # noqa: E402

from independent import libxcrypt  # noqa: E402, F401 (fixture)
from tavric import gensalt, parse_hash  # noqa: E402
from tavric.contrib.pwdlib import BcryptHasher  # noqa: E402

ARGON2 = "$argon2id$v=19$m=65536,t=3,p=4$c29tZXNhbHQ$RdescudvJCsgt3ub+b+dWRWJTmaaJObG"


@pytest.mark.parametrize(
    "stored, known",
    [
        ("$2y$04$abcdefghijklmnopqrstuu" + "A" * 31, True),
        (b"$2b$31$abcdefghijklmnopqrstuu" + b"A" * 31, True),
        ("$bcrypt-sha256$v=2,t=2b,r=12$n79VH.0Q2TMWmt3Oqt9uku$Kq4Noyk3094Y2QlB8NdRT8SvGiI4ft2", True),
        ("bcrypt_sha256$$2b$12$abcdefghijklmnopqrstuu" + "A" * 31, True),
        ("$2b$04$abcdefghijklmnopqrstuu" + "A" * 30, False),
        (ARGON2, False),
        (b"\xff$2b$", False),
        ("", False),
    ],
)
def test_identify(stored, known):
    assert BcryptHasher.identify(stored) is known


@pytest.mark.parametrize("prehash", [False, True])
def test_verify_and_update_through_password_hash(prehash):
    old = PasswordHash((BcryptHasher(rounds=4, prehash=prehash),))
    new = PasswordHash((BcryptHasher(rounds=5, prehash=prehash),))
    stored = old.hash("hunter2")
    assert old.verify("hunter2", stored) is True
    assert old.verify(b"hunter3", stored) is False
    assert old.verify_and_update("hunter2", stored) == (True, None)
    assert new.verify_and_update("hunter3", stored) == (False, None)
    matched, updated = new.verify_and_update("hunter2", stored)
    assert matched and parse_hash(updated).rounds == 5
    assert new.verify_and_update("hunter2", updated) == (True, None)


def test_moving_to_prehash_rehashes_plain_bcrypt(libxcrypt):
    stored = libxcrypt.plain(b"hunter2", "2y", 4)
    password_hash = PasswordHash((BcryptHasher(rounds=4, prehash=True),))
    matched, updated = password_hash.verify_and_update("hunter2", stored)
    assert matched and updated.startswith("$bcrypt-sha256$v=2,t=2b,r=4$")
    assert password_hash.verify("hunter2", updated) is True


def test_hash_with_a_given_setting():
    setting = gensalt(4, b"2a")
    stored = BcryptHasher(rounds=6).hash("hunter2", salt=setting)
    assert stored.encode().startswith(setting)
    with pytest.raises(ValueError, match="salt must be a bcrypt setting string"):
        BcryptHasher().hash("hunter2", salt=b"0123456789abcdef")


@pytest.mark.parametrize(
    "call, error",
    [
        (lambda: PasswordHash((BcryptHasher(rounds=4),)).verify("pw", ARGON2), UnknownHashError),
        (lambda: BcryptHasher(rounds=4).verify("pw", ARGON2), HashVerificationError),
        (lambda: BcryptHasher(rounds=4).hash(None), TypeError),
        (lambda: BcryptHasher(rounds=4).hash("x" * 73), ValueError),
    ],
)
def test_errors(call, error):
    with pytest.raises(error):
        call()
