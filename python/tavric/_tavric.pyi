__all__: list[str]
__title__: str
__summary__: str
__uri__: str
__version_ex__: str
__author__: str
__email__: str
__license__: str
__copyright__: str

def gensalt(rounds: int = 12, prefix: bytes | None = b"2b") -> bytes: ...
def hashpw(password: bytes, salt: bytes) -> bytes: ...
def checkpw(password: bytes, hashed_password: bytes) -> bool: ...
def kdf(
    password: bytes,
    salt: bytes,
    desired_key_bytes: int,
    rounds: int,
    ignore_few_rounds: bool = False,
) -> bytes: ...
