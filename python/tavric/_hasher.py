"""PasswordHasher: hashing, checking and rehashing stored passwords, in
threads or from asyncio."""

from __future__ import annotations

import asyncio
import codecs
import os
from collections.abc import Callable
from concurrent.futures import Executor
from typing import Any, NoReturn, TypeVar, final

from . import _formats, _pool
from ._formats import HashInfo, InvalidHashError, Scheme
from ._tavric import gensalt

__all__ = ["HashInfo", "InvalidHashError", "PasswordHasher", "parse_hash"]

_Result = TypeVar("_Result")


def parse_hash(hash: str | bytes) -> HashInfo:
    """The format, label, cost and salt of a stored hash.

    Raises InvalidHashError for anything tavric cannot verify."""
    return _formats.parse(hash).info


@final
class PasswordHasher:
    """Hashes passwords for storage and checks them at login.

    Immutable, so one instance serves every thread and task of a process.
    `rounds` is the bcrypt cost (4 to 31), `prefix` the label of new hashes
    ("2a" or "2b"), `encoding` the one used for `str` passwords. With
    `prehash=True`, new hashes use the $bcrypt-sha256$ format, which takes
    passwords of any length. The awaitable methods run on `executor`, or on a
    pool shared by every hasher with as many threads as the process may use
    CPUs, where concurrent calls share interleaved lanes.
    """

    __slots__ = ("_rounds", "_prefix", "_encoding", "_prehash", "_executor", "_dummy_hash")

    _rounds: int
    _prefix: str
    _encoding: str
    _prehash: bool
    _executor: Executor | None
    _dummy_hash: str

    def __init__(
        self,
        rounds: int = 12,
        prefix: str = "2b",
        encoding: str = "utf-8",
        *,
        prehash: bool = False,
        executor: Executor | None = None,
    ) -> None:
        if not isinstance(rounds, int) or isinstance(rounds, bool):
            raise TypeError(f"rounds must be an int, not {type(rounds).__name__}")
        if not 4 <= rounds <= 31:
            raise ValueError(f"rounds must be 4 to 31, not {rounds}")
        if prefix not in ("2a", "2b"):
            raise ValueError(f"prefix must be '2a' or '2b', not {prefix!r}")
        if not isinstance(encoding, str):
            raise TypeError(f"encoding must be a str, not {type(encoding).__name__}")
        codecs.lookup(encoding)
        if not isinstance(prehash, bool):
            raise TypeError(f"prehash must be True or False, not {prehash!r}")
        if executor is not None and not isinstance(executor, Executor):
            raise TypeError(f"executor must be a concurrent.futures.Executor, not {type(executor).__name__}")
        initial = {"_rounds": rounds, "_prefix": prefix, "_encoding": encoding,
                   "_prehash": prehash, "_executor": executor}
        for name, value in initial.items():
            object.__setattr__(self, name, value)
        # A hash of the hasher's own format and cost with a random checksum:
        # checking against it costs what a failed login costs, and making it
        # costs no bcrypt work, so construction stays cheap.
        setting = gensalt(rounds, prefix.encode("ascii")).decode("ascii")
        dummy = _formats.StoredHash(
            HashInfo(self._scheme, prefix, rounds, setting[7:]), _formats.radix64(os.urandom(23))
        )
        object.__setattr__(self, "_dummy_hash", _formats.to_text(dummy))

    def __setattr__(self, name: str, value: object) -> NoReturn:
        raise AttributeError(f"PasswordHasher is immutable: cannot set {name!r}")

    def __delattr__(self, name: str) -> NoReturn:
        raise AttributeError(f"PasswordHasher is immutable: cannot delete {name!r}")

    def __repr__(self) -> str:
        return (f"PasswordHasher(rounds={self._rounds}, prefix={self._prefix!r}, "
                f"encoding={self._encoding!r}, prehash={self._prehash})")

    @property
    def rounds(self) -> int:
        return self._rounds

    @property
    def prefix(self) -> str:
        return self._prefix

    @property
    def encoding(self) -> str:
        return self._encoding

    @property
    def prehash(self) -> bool:
        return self._prehash

    @property
    def _scheme(self) -> Scheme:
        return "bcrypt-sha256" if self._prehash else "bcrypt"

    def _secret(self, password: str | bytes) -> bytes:
        if isinstance(password, str):
            return password.encode(self._encoding)
        if isinstance(password, bytes):
            return password
        raise TypeError(f"password must be str or bytes, not {type(password).__name__}")

    def _hash_secret(self, secret: bytes, setting: bytes | None = None) -> str:
        if setting is None:
            setting = gensalt(self._rounds, self._prefix.encode("ascii"))
        return _formats.write(self._scheme, setting, secret)

    def _is_current(self, info: HashInfo) -> bool:
        return (info.scheme, info.prefix, info.rounds) == (self._scheme, self._prefix, self._rounds)

    def _rehashes(self, info: HashInfo, secret: bytes) -> bool:
        # A plain hasher cannot hash a password over 72 bytes whole.
        return not self._is_current(info) and (self._prehash or len(secret) <= _formats.MAX_KEY_BYTES)

    def hash(self, password: str | bytes) -> str:
        """A new hash of the password under a fresh salt, to store.

        Without prehash, a password over 72 bytes raises ValueError, as
        hashpw does."""
        return self._hash_secret(self._secret(password))

    def verify(self, password: str | bytes, hash: str | bytes) -> bool:
        """Whether the password matches the stored hash.

        A wrong password gives False; a hash that tavric cannot read raises
        InvalidHashError. For plain bcrypt hashes only the first 72 bytes of
        the password count, as in every other bcrypt verifier."""
        stored = _formats.parse(hash)
        return stored.matches(self._secret(password))

    def needs_rehash(self, hash: str | bytes) -> bool:
        """Whether hash() would now write the stored hash differently: another
        format, label or cost."""
        return not self._is_current(_formats.parse(hash).info)

    def verify_and_update(self, password: str | bytes, hash: str | bytes) -> tuple[bool, str | None]:
        """Whether the password matches, and a new hash to store when it does
        and the stored one needs rehashing (else None).

        A password over 72 bytes that matches a plain bcrypt hash on its first
        72 bytes gets no new hash from a hasher without prehash: that hasher
        cannot hash it whole."""
        stored = _formats.parse(hash)
        secret = self._secret(password)
        if not stored.matches(secret):
            return False, None
        return True, self._hash_secret(secret) if self._rehashes(stored.info, secret) else None

    def dummy_verify(self, password: str | bytes) -> bool:
        """False, after as much work as a failed verify: for a login whose
        user does not exist, so its timing does not tell that apart."""
        self.verify(password, self._dummy_hash)
        return False

    # The awaitable methods read the stored hash and make the bcrypt key on
    # the event loop (microseconds), and leave only the bcrypt work to the
    # pool, where concurrent calls share interleaved lanes.

    async def ahash(self, password: str | bytes) -> str:
        """hash() on the hashing pool."""
        if self._executor is not None:
            return await self._in_executor(self.hash, password)
        setting = gensalt(self._rounds, self._prefix.encode("ascii"))
        key = _formats.new_key(self._scheme, setting, self._secret(password))
        return _formats.assemble(self._scheme, setting, await _pool.hash(key, setting))

    async def averify(self, password: str | bytes, hash: str | bytes) -> bool:
        """verify() on the hashing pool."""
        if self._executor is not None:
            return await self._in_executor(self.verify, password, hash)
        stored = _formats.parse(hash)
        return await _pool.check(stored.key(self._secret(password)), stored.bcrypt_hash)

    async def averify_and_update(self, password: str | bytes, hash: str | bytes) -> tuple[bool, str | None]:
        """verify_and_update() on the hashing pool."""
        if self._executor is not None:
            return await self._in_executor(self.verify_and_update, password, hash)
        stored = _formats.parse(hash)
        secret = self._secret(password)
        if not await _pool.check(stored.key(secret), stored.bcrypt_hash):
            return False, None
        return True, await self.ahash(secret) if self._rehashes(stored.info, secret) else None

    async def adummy_verify(self, password: str | bytes) -> bool:
        """dummy_verify() on the hashing pool."""
        await self.averify(password, self._dummy_hash)
        return False

    async def _in_executor(self, function: Callable[..., _Result], *args: Any) -> _Result:
        return await asyncio.get_running_loop().run_in_executor(self._executor, function, *args)
