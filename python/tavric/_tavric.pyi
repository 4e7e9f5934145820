from typing import SupportsIndex

__all__ = [
    "checkpw",
    "gensalt",
    "hashpw",
    "kdf",
    "__title__",
    "__summary__",
    "__uri__",
    "__version_ex__",
    "__author__",
    "__email__",
    "__license__",
    "__copyright__",
]

__title__: str
__summary__: str
__uri__: str
__version_ex__: str
__author__: str
__email__: str
__license__: str
__copyright__: str

# Integer arguments go through __index__ at run time, so any SupportsIndex
# (numpy integers included) is accepted, not only int.
def gensalt(rounds: SupportsIndex = 12, prefix: bytes | None = b"2b") -> bytes: ...
def hashpw(password: bytes, salt: bytes) -> bytes: ...
def checkpw(password: bytes, hashed_password: bytes) -> bool: ...
def kdf(
    password: bytes,
    salt: bytes,
    desired_key_bytes: SupportsIndex,
    rounds: SupportsIndex,
    ignore_few_rounds: bool = False,
) -> bytes: ...
