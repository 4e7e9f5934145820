"""Ordinary use of tavric's API; `mypy --strict` must accept it, and it runs."""

import asyncio
from typing import assert_type

import tavric

setting = tavric.gensalt(4)
assert_type(setting, bytes)
assert_type(tavric.gensalt(), bytes)
assert_type(tavric.gensalt(rounds=5, prefix=b"2a"), bytes)
assert_type(tavric.gensalt(4, None), bytes)

stored = tavric.hashpw(b"correct horse battery staple", setting)
assert_type(stored, bytes)
assert_type(tavric.hashpw(password=b"pw", salt=setting), bytes)

ok = tavric.checkpw(b"correct horse battery staple", stored)
assert_type(ok, bool)
assert_type(tavric.checkpw(password=b"pw", hashed_password=stored), bool)

key = tavric.kdf(b"passphrase", b"salt", 32, 50)
assert_type(key, bytes)
assert_type(
    tavric.kdf(password=b"p", salt=b"s", desired_key_bytes=16, rounds=1, ignore_few_rounds=True),
    bytes,
)

assert_type(tavric.__version__, str)
assert_type(tavric.__all__, list[str])


async def verify(password: bytes, hashed: bytes) -> bool:
    return await asyncio.to_thread(tavric.checkpw, password, hashed)


assert ok and asyncio.run(verify(b"correct horse battery staple", stored))
