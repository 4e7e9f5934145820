"""Run inside the clean room, in a fresh venv with only the wheel installed:
the module must load and compute correctly with nothing but the C library."""

import sys
import sysconfig

import tavric

password = b"pass\x00word"
stored = tavric.hashpw(password, tavric.gensalt(4))
assert tavric.checkpw(password, stored), "right password refused"
assert not tavric.checkpw(b"pass", stored), "the bytes after the zero byte were ignored"
assert not tavric.checkpw(b"pass\x00worD", stored), "wrong password accepted"

# Published answers: an OpenBSD bcrypt vector and bcrypt_pbkdf's vector.
assert tavric.hashpw(b"U*U", b"$2a$05$CCCCCCCCCCCCCCCCCCCCC.") == (
    b"$2a$05$CCCCCCCCCCCCCCCCCCCCC.E5YPO9kmyuRGyh0XouQYb4YMJKvyOeW")
assert tavric.kdf(b"password", b"salt", 32, 4, ignore_few_rounds=True).hex() == (
    "5bbf0cc293587f1c3635555c27796598d47e579071bf427e9d8fbe842aba34d9")
assert len(tavric.kdf(b"passphrase", b"salt", 48, 16, ignore_few_rounds=True)) == 48

# The batch module: lanes, and the same answers as one by one.
passwords = [b"pw%d\x00" % i for i in range(5)]
settings = [tavric.gensalt(4) for _ in passwords]
hashes = tavric.hashpw_many(passwords, settings)
assert hashes == [tavric.hashpw(p, s) for p, s in zip(passwords, settings)]
assert tavric.checkpw_many(passwords, hashes) == [True] * 5
assert tavric.checkpw_many([b"wrong"] * 5, hashes) == [False] * 5

if sysconfig.get_config_var("Py_GIL_DISABLED"):
    assert not sys._is_gil_enabled(), "importing tavric switched the GIL on"
hasher = tavric.PasswordHasher(rounds=4)
assert hasher.verify("pässword", hasher.hash("pässword"))

print("clean room:", sys.version.split()[0], sysconfig.get_config_var("Py_GIL_DISABLED") and "free-threaded" or "standard",
      "ok")
