"""Ordinary use of tavric's API; `mypy --strict` must accept it, and it runs."""

import asyncio
import importlib.util
from concurrent.futures import ThreadPoolExecutor
from typing import Literal, assert_type

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

hasher = tavric.PasswordHasher(rounds=4, prefix="2a", encoding="utf-8", prehash=False)
stored_text = hasher.hash("correct horse battery staple")
assert_type(stored_text, str)
assert_type(hasher.hash(b"pw"), str)
assert_type(hasher.verify("correct horse battery staple", stored_text), bool)
assert_type(hasher.verify(b"pw", stored_text.encode()), bool)
assert_type(hasher.needs_rehash(stored_text), bool)
assert_type(hasher.verify_and_update("pw", stored_text), tuple[bool, str | None])
assert_type(hasher.dummy_verify("pw"), bool)
assert_type((hasher.rounds, hasher.prefix, hasher.encoding, hasher.prehash), tuple[int, str, str, bool])

info = tavric.parse_hash(stored_text)
assert_type(info, tavric.HashInfo)
assert_type(info.scheme, Literal["bcrypt", "bcrypt-sha256", "django-bcrypt", "django-bcrypt-sha256"])
assert_type((info.prefix, info.rounds, info.salt), tuple[str, int, str])
try:
    tavric.parse_hash(b"not a hash")
except tavric.InvalidHashError as error:
    assert isinstance(error, ValueError)


async def login(attempt: str, stored: str) -> tuple[bool, str | None]:
    assert_type(await hasher.averify(attempt, stored), bool)
    assert_type(await hasher.ahash(attempt), str)
    assert_type(await hasher.adummy_verify(attempt), bool)
    return await hasher.averify_and_update(attempt, stored)


with ThreadPoolExecutor(max_workers=1) as pool:
    pooled = tavric.PasswordHasher(5, executor=pool, prehash=True)
    assert asyncio.run(login("correct horse battery staple", stored_text))[0]
    assert asyncio.run(pooled.averify_and_update("pw", stored_text)) == (False, None)


def use_django_adapter() -> None:
    from tavric.contrib.django import BCryptSHA256PasswordHasher

    class Cheap(BCryptSHA256PasswordHasher):
        rounds = 4

    django_hasher = Cheap()
    encoded = django_hasher.encode("pw", django_hasher.salt())
    assert_type(encoded, str)
    assert_type(django_hasher.verify("pw", encoded), bool)
    assert_type(django_hasher.must_update(encoded), bool)
    django_hasher.harden_runtime("pw", encoded)
    assert django_hasher.decode(encoded)["work_factor"] == 4


def use_pwdlib_adapter() -> None:
    from pwdlib import PasswordHash

    from tavric.contrib.pwdlib import BcryptHasher

    password_hash = PasswordHash((BcryptHasher(rounds=4),))
    assert_type(password_hash.verify_and_update("pw", password_hash.hash("pw")), tuple[bool, str | None])


# The adapters are checked by mypy always, and run where their framework is installed.
for framework, use in [("django", use_django_adapter), ("pwdlib", use_pwdlib_adapter)]:
    if importlib.util.find_spec(framework) is not None:
        use()
