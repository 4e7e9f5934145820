"""bcrypt password hashing and bcrypt_pbkdf key derivation."""

from ._tavric import (
    __author__,
    __copyright__,
    __email__,
    __license__,
    __summary__,
    __title__,
    __uri__,
    __version_ex__,
    checkpw,
    gensalt,
    hashpw,
    kdf,
)
from ._lanes import checkpw_many, combining_enabled, hashpw_many, set_combining
from ._hasher import HashInfo, InvalidHashError, PasswordHasher, parse_hash

__version__ = __version_ex__

__all__ = [
    "checkpw",
    "gensalt",
    "hashpw",
    "kdf",
    "hashpw_many",
    "checkpw_many",
    "set_combining",
    "combining_enabled",
    "PasswordHasher",
    "HashInfo",
    "InvalidHashError",
    "parse_hash",
    "__title__",
    "__summary__",
    "__uri__",
    "__version__",
    "__author__",
    "__email__",
    "__license__",
    "__copyright__",
]
