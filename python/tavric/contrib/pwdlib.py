"""A pwdlib hasher computed by tavric, for FastAPI and other users of
`pwdlib.PasswordHash`:

    from pwdlib import PasswordHash
    from tavric.contrib.pwdlib import BcryptHasher

    password_hash = PasswordHash((BcryptHasher(),))
"""

from __future__ import annotations

from pwdlib.exceptions import HashVerificationError
from pwdlib.hashers.base import HasherProtocol, validate_str_or_bytes

from .. import _formats
from .._formats import InvalidHashError
from .._hasher import PasswordHasher

__all__ = ["BcryptHasher"]


class BcryptHasher(HasherProtocol):
    """bcrypt hashes, or with `prehash=True` $bcrypt-sha256$ ones for
    passwords of any length; reads every format tavric reads."""

    def __init__(self, rounds: int = 12, prefix: str = "2b", *, prehash: bool = False) -> None:
        self._hasher = PasswordHasher(rounds, prefix, prehash=prehash)

    @classmethod
    def identify(cls, hash: str | bytes) -> bool:
        validate_str_or_bytes(hash, "hash")
        try:
            _formats.parse(hash)
        except InvalidHashError:
            return False
        return True

    def hash(self, password: str | bytes, *, salt: bytes | None = None) -> str:
        """A new hash; `salt`, if given, is a bcrypt setting string such as
        tavric.gensalt() returns, whose cost and label the hash takes."""
        validate_str_or_bytes(password, "password")
        if salt is None:
            return self._hasher.hash(password)
        return self._hasher._hash_secret(self._hasher._secret(password), _formats.parse_setting(salt))

    def verify(self, password: str | bytes, hash: str | bytes) -> bool:
        validate_str_or_bytes(password, "password")
        validate_str_or_bytes(hash, "hash")
        try:
            return self._hasher.verify(password, hash)
        except InvalidHashError as error:
            raise HashVerificationError() from error

    def check_needs_rehash(self, hash: str | bytes) -> bool:
        validate_str_or_bytes(hash, "hash")
        return self._hasher.needs_rehash(hash)
