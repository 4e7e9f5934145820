"""The stored hash formats tavric reads, and how each turns a password into
the key that bcrypt hashes.

Every format wraps one bcrypt hash string, so a check always ends in
`checkpw` and its comparison without an early exit.
"""

from __future__ import annotations

import base64
import binascii
import hashlib
import hmac
import re
from dataclasses import dataclass
from typing import Literal

from ._tavric import checkpw, hashpw

Scheme = Literal["bcrypt", "bcrypt-sha256", "django-bcrypt", "django-bcrypt-sha256"]

MAX_KEY_BYTES = 72

_RADIX64_ALPHABET = b"./ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"
_BASE64_ALPHABET = b"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"
_TO_RADIX64 = bytes.maketrans(_BASE64_ALPHABET, _RADIX64_ALPHABET)

# 22 characters carry 132 bits for a 16-byte salt, so the last one has four
# zero bits: one of ".Oeu". hashpw refuses any other.
_SALT = r"(?P<salt>[./A-Za-z0-9]{21}[.Oeu])"
_CHECKSUM = r"(?P<checksum>[./A-Za-z0-9]{31})"
_COST = r"(?P<rounds>0[4-9]|[12][0-9]|3[01])"
_MODULAR = rf"\$(?P<prefix>2[abxy])\${_COST}\${_SALT}"

_BCRYPT = re.compile(_MODULAR + _CHECKSUM)
_SETTING = re.compile(_MODULAR + f"(?:{_CHECKSUM})?")
# passlib writes the cost without a leading zero (r=5); both forms are read.
_PASSLIB_V2 = re.compile(
    r"\$bcrypt-sha256\$v=2,t=(?P<prefix>2[ab]),r=(?P<rounds>0?[4-9]|[12][0-9]|3[01])"
    rf"\${_SALT}\${_CHECKSUM}"
)
_DJANGO = re.compile(rf"(?P<algorithm>bcrypt|bcrypt_sha256)\$(?P<bcrypt>{_MODULAR}{_CHECKSUM})")


class InvalidHashError(ValueError):
    """The value is not a hash that tavric can read."""


@dataclass(frozen=True, slots=True)
class HashInfo:
    """What a stored hash says about how it was made."""

    scheme: Scheme
    prefix: str
    rounds: int
    salt: str


@dataclass(frozen=True, slots=True)
class StoredHash:
    info: HashInfo
    checksum: str

    @property
    def bcrypt_hash(self) -> bytes:
        """The bcrypt hash string inside the stored format."""
        return f"${self.info.prefix}${self.info.rounds:02d}${self.info.salt}{self.checksum}".encode("ascii")

    def key(self, password: bytes) -> bytes:
        """The bcrypt key for this password under this format."""
        return bcrypt_key(self.info.scheme, self.info.salt, password)

    def matches(self, password: bytes) -> bool:
        return checkpw(self.key(password), self.bcrypt_hash)


def bcrypt_key(scheme: Scheme, salt: str, password: bytes) -> bytes:
    if scheme == "bcrypt-sha256":
        # passlib's version 2: keyed by the salt text, so an unsalted SHA-256
        # of the password leaked elsewhere cannot be tested against the hash.
        return base64.b64encode(hmac.digest(salt.encode("ascii"), password, "sha256"))
    if scheme == "django-bcrypt-sha256":
        return binascii.hexlify(hashlib.sha256(password).digest())
    # Every other bcrypt verifier reads only the first 72 bytes, so hashes
    # they made from longer passwords still verify.
    return password[:MAX_KEY_BYTES]


def _text(value: str | bytes, name: str) -> str:
    if isinstance(value, str):
        return value
    if isinstance(value, bytes):
        try:
            return value.decode("ascii")
        except UnicodeDecodeError:
            raise InvalidHashError(f"{name} is not ASCII, so it is not a bcrypt hash") from None
    raise TypeError(f"{name} must be str or bytes, not {type(value).__name__}")


def parse(hash: str | bytes) -> StoredHash:
    text = _text(hash, "hash")
    if match := _BCRYPT.fullmatch(text):
        scheme: Scheme = "bcrypt"
    elif match := _PASSLIB_V2.fullmatch(text):
        scheme = "bcrypt-sha256"
    elif match := _DJANGO.fullmatch(text):
        scheme = "django-bcrypt" if match["algorithm"] == "bcrypt" else "django-bcrypt-sha256"
    else:
        raise InvalidHashError(
            "not a hash tavric can read: expected $2a$/$2b$/$2x$/$2y$ bcrypt, "
            "$bcrypt-sha256$v=2 or Django's bcrypt$/bcrypt_sha256$"
        )
    info = HashInfo(scheme, match["prefix"], int(match["rounds"]), match["salt"])
    return StoredHash(info, match["checksum"])


def parse_setting(salt: str | bytes) -> bytes:
    """The 29-byte setting of a bcrypt setting string or hash string."""
    match = _SETTING.fullmatch(_text(salt, "salt"))
    if match is None:
        raise ValueError("salt must be a bcrypt setting string such as tavric.gensalt() returns")
    return match.group(0)[:29].encode("ascii")


def radix64(data: bytes) -> str:
    """bcrypt's radix-64: base64's bit order over bcrypt's alphabet, no padding."""
    return base64.b64encode(data).translate(_TO_RADIX64).rstrip(b"=").decode("ascii")


def to_text(stored: StoredHash) -> str:
    """The stored hash as its format writes it."""
    info = stored.info
    if info.scheme == "bcrypt-sha256":
        return f"$bcrypt-sha256$v=2,t={info.prefix},r={info.rounds}${info.salt}${stored.checksum}"
    bcrypt_hash = stored.bcrypt_hash.decode("ascii")
    if info.scheme == "django-bcrypt":
        return "bcrypt$" + bcrypt_hash
    if info.scheme == "django-bcrypt-sha256":
        return "bcrypt_sha256$" + bcrypt_hash
    return bcrypt_hash


def _setting_info(scheme: Scheme, setting: bytes) -> HashInfo:
    info = HashInfo(scheme, setting[1:3].decode("ascii"), int(setting[4:6]), setting[7:29].decode("ascii"))
    if scheme == "bcrypt-sha256" and info.prefix not in ("2a", "2b"):
        raise ValueError(f"$bcrypt-sha256$ hashes are written with $2a$ or $2b$, not ${info.prefix}$")
    return info


def new_key(scheme: Scheme, setting: bytes, password: bytes) -> bytes:
    """The key bcrypt hashes for a new stored hash under a setting string.

    Plain bcrypt gets the whole password, so hashpw refuses one over 72 bytes
    instead of storing a hash of a cut copy."""
    info = _setting_info(scheme, setting)
    return password if scheme in ("bcrypt", "django-bcrypt") else bcrypt_key(scheme, info.salt, password)


def assemble(scheme: Scheme, setting: bytes, bcrypt_hash: bytes) -> str:
    """The stored hash, in the scheme's format, around a bcrypt hash string."""
    return to_text(StoredHash(_setting_info(scheme, setting), bcrypt_hash[29:].decode("ascii")))


def write(scheme: Scheme, setting: bytes, password: bytes) -> str:
    """A new stored hash of the password under a setting string."""
    return assemble(scheme, setting, hashpw(new_key(scheme, setting, password), setting))
