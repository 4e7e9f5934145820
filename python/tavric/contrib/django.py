"""Django password hashers computed by tavric.

They keep Django's own algorithm names, `bcrypt_sha256` and `bcrypt`, so the
rows Django's bcrypt hashers stored verify unchanged, and rows written here
read the same way there. In settings.py:

    PASSWORD_HASHERS = [
        "tavric.contrib.django.BCryptSHA256PasswordHasher",
        "tavric.contrib.django.BCryptPasswordHasher",
        "django.contrib.auth.hashers.PBKDF2PasswordHasher",
    ]

Subclass to change the cost (`rounds`) or the label of new hashes (`prefix`).
"""

from __future__ import annotations

from typing import Any

from django.contrib.auth.hashers import (  # type: ignore[import-untyped, unused-ignore]
    BasePasswordHasher,
    mask_hash,
)
from django.utils.translation import gettext_noop as _  # type: ignore[import-untyped, unused-ignore]

from .. import _formats
from .._formats import InvalidHashError, Scheme
from .._tavric import gensalt, hashpw

__all__ = ["BCryptPasswordHasher", "BCryptSHA256PasswordHasher"]


def _utf8(password: str | bytes) -> bytes:
    # Django's own hashers take str or bytes and encode text as UTF-8.
    return password.encode("utf-8") if isinstance(password, str) else password


class BCryptSHA256PasswordHasher(BasePasswordHasher):  # type: ignore[misc, unused-ignore]
    """Django's `bcrypt_sha256`: bcrypt over the hex SHA-256 of the password,
    so every byte of a password of any length counts."""

    algorithm = "bcrypt_sha256"
    rounds = 12
    prefix = "2b"
    _scheme: Scheme = "django-bcrypt-sha256"

    def salt(self) -> str:
        return gensalt(self.rounds, self.prefix.encode("ascii")).decode("ascii")

    def encode(self, password: str | bytes, salt: str | bytes) -> str:
        return _formats.write(self._scheme, _formats.parse_setting(salt), _utf8(password))

    def decode(self, encoded: str) -> dict[str, Any]:
        stored = self._parse(encoded)
        return {
            "algorithm": self.algorithm,
            "algostr": stored.info.prefix,
            "checksum": stored.checksum,
            "salt": stored.info.salt,
            "work_factor": stored.info.rounds,
        }

    def verify(self, password: str | bytes, encoded: str) -> bool:
        return self._parse(encoded).matches(_utf8(password))

    def safe_summary(self, encoded: str) -> dict[str, Any]:
        decoded = self.decode(encoded)
        return {
            _("algorithm"): decoded["algorithm"],
            _("work factor"): decoded["work_factor"],
            _("salt"): mask_hash(decoded["salt"]),
            _("checksum"): mask_hash(decoded["checksum"]),
        }

    def must_update(self, encoded: str) -> bool:
        info = self._parse(encoded).info
        return (info.rounds, info.prefix) != (self.rounds, self.prefix)

    def harden_runtime(self, password: str | bytes, encoded: str) -> None:
        # A failed check of a cheaper stored hash is topped up to the work of
        # one at our cost: hashes at each cost from the stored one to ours
        # minus one add up to it, in a few calls rather than 2**diff.
        stored = self._parse(encoded)
        key = stored.key(_utf8(password))
        for cost in range(stored.info.rounds, self.rounds):
            hashpw(key, f"${stored.info.prefix}${cost:02d}${stored.info.salt}".encode("ascii"))

    def _parse(self, encoded: str) -> _formats.StoredHash:
        stored = _formats.parse(encoded)
        if stored.info.scheme != self._scheme:
            raise InvalidHashError(f"not a Django {self.algorithm}$ hash")
        return stored


class BCryptPasswordHasher(BCryptSHA256PasswordHasher):
    """Django's `bcrypt`: plain bcrypt. A password over 72 bytes is refused
    when hashing and checked on its first 72 bytes when verifying."""

    algorithm = "bcrypt"
    _scheme: Scheme = "django-bcrypt"
