"""Pre-hashed formats for passwords of any length: passlib's $bcrypt-sha256$
version 2, written with prehash=True, and Django's bcrypt_sha256$ and
bcrypt$, read by every hasher. Each is checked against hashes built
without tavric."""

import base64
import hashlib
import hmac

import pytest

from independent import libxcrypt  # noqa: F401 (fixture)
from tavric import InvalidHashError, PasswordHasher, parse_hash

# The example in passlib's documentation of bcrypt_sha256, for "password".
PASSLIB_DOCUMENTED = "$bcrypt-sha256$v=2,t=2b,r=12$n79VH.0Q2TMWmt3Oqt9uku$Kq4Noyk3094Y2QlB8NdRT8SvGiI4ft2"

PASSWORDS = [
    b"password",
    "pässwörd ключ 密码".encode(),
    b"",
    b"nul\0inside",  # C's crypt would stop at the zero byte; the pre-hash does not
    b"a" * 72,
    b"a" * 73,
    ("long passphrase " * 20).encode(),
]

HASHERS = [PasswordHasher(4), PasswordHasher(4, prehash=True)]


@pytest.mark.parametrize("hasher", HASHERS, ids=["plain", "prehash"])
def test_passlib_documented_example_verifies(hasher):
    assert hasher.verify("password", PASSLIB_DOCUMENTED) is True
    assert hasher.verify("Password", PASSLIB_DOCUMENTED) is False


def _changed_last_byte(password):
    return password[:-1] + bytes([password[-1] ^ 1]) if password else b"x"


@pytest.mark.parametrize("hasher", HASHERS, ids=["plain", "prehash"])
@pytest.mark.parametrize("password", PASSWORDS)
@pytest.mark.parametrize("build", ["passlib_bcrypt_sha256", "django_bcrypt_sha256"])
def test_prehashed_hashes_built_independently_verify(libxcrypt, hasher, password, build):
    stored = getattr(libxcrypt, build)(password, "2b", 5)
    assert hasher.verify(password, stored) is True
    # Every byte counts, the 73rd and later ones too.
    assert hasher.verify(_changed_last_byte(password), stored) is False


@pytest.mark.parametrize("password", [b"ok", b"a" * 72, ("long passphrase " * 20).encode()])
def test_django_plain_bcrypt_reads_the_first_72_bytes(libxcrypt, password):
    stored = libxcrypt.django_bcrypt(password, "2a", 4)
    hasher = PasswordHasher(4)
    assert hasher.verify(password, stored) is True
    assert hasher.verify(password[:72], stored) is True
    assert hasher.verify(password[:71] + b"!", stored) is False


@pytest.mark.parametrize("prefix", ["2a", "2b"])
@pytest.mark.parametrize("password", PASSWORDS)
def test_prehash_writes_passlib_version_2(libxcrypt, prefix, password):
    hasher = PasswordHasher(5, prefix, prehash=True)
    stored = hasher.hash(password)
    # Recomputed from the format's definition with C's bcrypt.
    head, version, salt, digest = stored.rsplit("$", 3)
    assert (head, version) == ("$bcrypt-sha256", f"v=2,t={prefix},r=5")
    key = base64.b64encode(hmac.new(salt.encode(), password, hashlib.sha256).digest())
    assert libxcrypt.bcrypt(key, f"${prefix}$05${salt}") == f"${prefix}$05${salt}{digest}"
    assert hasher.verify(password, stored) is True
    assert parse_hash(stored).scheme == "bcrypt-sha256"


def test_prehash_takes_text_in_the_hashers_encoding():
    hasher = PasswordHasher(4, encoding="utf-16-le", prehash=True)
    stored = hasher.hash("ключ" * 40)
    assert hasher.verify(("ключ" * 40).encode("utf-16-le"), stored) is True
    assert PasswordHasher(4, prehash=True).verify("ключ" * 40, stored) is False


def test_prehashed_formats_refuse_a_damaged_digest():
    damaged = PASSLIB_DOCUMENTED[:-1]
    with pytest.raises(InvalidHashError):
        PasswordHasher(4, prehash=True).verify("password", damaged)
