"""tavric.contrib.django inside a Django project: Django's own make_password,
check_password, identify_hasher, acheck_password and a login through
authenticate(), against hashes built without tavric."""

import asyncio
import binascii
import hashlib

import pytest

django = pytest.importorskip("django")

from django.conf import settings  # noqa: E402

from independent import libxcrypt  # noqa: E402, F401 (fixture)
from tavric import InvalidHashError, parse_hash  # noqa: E402

TOO_LONG = "password cannot be longer than 72 bytes, truncate manually if necessary (e.g. my_password[:72])"
PASSWORDS = [b"hunter2", "pässwörd ключ".encode(), ("long passphrase " * 8).encode()]

if not settings.configured:
    settings.configure(
        PASSWORD_HASHERS=[
            "tavric.contrib.django.BCryptSHA256PasswordHasher",
            "tavric.contrib.django.BCryptPasswordHasher",
            "django.contrib.auth.hashers.PBKDF2PasswordHasher",
        ],
        INSTALLED_APPS=["django.contrib.auth", "django.contrib.contenttypes"],
        DATABASES={"default": {"ENGINE": "django.db.backends.sqlite3", "NAME": ":memory:"}},
        USE_TZ=True,
    )
    django.setup()

from django.contrib.auth import hashers  # noqa: E402

from tavric.contrib.django import BCryptPasswordHasher, BCryptSHA256PasswordHasher  # noqa: E402

CONFIGURED_COST = 5


@pytest.fixture(autouse=True)
def configured_cost(monkeypatch):
    # BCryptPasswordHasher inherits the attribute, as in Django.
    monkeypatch.setattr(BCryptSHA256PasswordHasher, "rounds", CONFIGURED_COST)


def _build(libxcrypt, algorithm, password, prefix="2b", cost=CONFIGURED_COST):
    if algorithm == "bcrypt_sha256":
        return libxcrypt.django_bcrypt_sha256(password, prefix, cost)
    return libxcrypt.django_bcrypt(password, prefix, cost)


@pytest.mark.parametrize("algorithm", ["bcrypt_sha256", "bcrypt"])
@pytest.mark.parametrize("password", PASSWORDS)
def test_hashes_built_independently_verify(libxcrypt, algorithm, password):
    stored = _build(libxcrypt, algorithm, password, "2b", 4)
    assert hashers.identify_hasher(stored).__class__.__module__ == "tavric.contrib.django"
    assert hashers.check_password(password.decode(), stored) is True
    # Plain bcrypt reads the first 72 bytes, as Django's bcrypt hasher did.
    first_72_unchanged = algorithm == "bcrypt" and len(password) >= 72
    assert hashers.check_password(password.decode() + "!", stored) is first_72_unchanged
    assert hashers.check_password("X" + password.decode()[1:], stored) is False


@pytest.mark.parametrize("algorithm", ["bcrypt_sha256", "bcrypt"])
@pytest.mark.parametrize("password", ["hunter2", "pässwörd ключ"])
def test_make_password_writes_djangos_format(libxcrypt, algorithm, password):
    stored = hashers.make_password(password, hasher=algorithm)
    head, bcrypt_hash = stored.split("$", 1)
    assert head == algorithm and bcrypt_hash.startswith(f"$2b${CONFIGURED_COST:02d}$")
    key = password.encode()
    if algorithm == "bcrypt_sha256":
        key = binascii.hexlify(hashlib.sha256(key).digest())
    assert libxcrypt.bcrypt(key, bcrypt_hash) == bcrypt_hash
    assert isinstance(hashers.identify_hasher(stored), BCryptSHA256PasswordHasher)
    assert hashers.check_password(password, stored) is True


@pytest.mark.parametrize(
    "algorithm, prefix, cost, password, matches, updated",
    [
        ("bcrypt_sha256", "2b", CONFIGURED_COST, "hunter2", True, False),
        ("bcrypt_sha256", "2b", 4, "hunter2", True, True),  # cheaper than configured
        ("bcrypt_sha256", "2b", 6, "hunter2", True, True),  # dearer than configured
        ("bcrypt_sha256", "2a", CONFIGURED_COST, "hunter2", True, True),
        ("bcrypt_sha256", "2b", 4, "hunter3", False, False),
        ("bcrypt", "2b", CONFIGURED_COST, "hunter2", True, True),  # not the preferred hasher
        ("bcrypt", "2b", CONFIGURED_COST, "hunter3", False, False),
    ],
)
def test_check_password_calls_the_setter_to_upgrade(libxcrypt, algorithm, prefix, cost, password, matches, updated):
    stored = _build(libxcrypt, algorithm, b"hunter2", prefix, cost)
    new_hashes = []

    def setter(raw):
        new_hashes.append(hashers.make_password(raw))

    assert hashers.check_password(password, stored, setter) is matches
    assert len(new_hashes) == updated
    for new in new_hashes:
        info = parse_hash(new)
        assert (info.scheme, info.prefix, info.rounds) == ("django-bcrypt-sha256", "2b", CONFIGURED_COST)
        assert hashers.check_password(password, new) is True


def test_acheck_password_with_an_async_setter(libxcrypt):
    stored = _build(libxcrypt, "bcrypt_sha256", b"hunter2", "2b", 4)
    new_hashes = []

    async def setter(raw):
        new_hashes.append(await asyncio.to_thread(hashers.make_password, raw))

    async def main():
        return (await hashers.acheck_password("hunter3", stored, setter),
                await hashers.acheck_password("hunter2", stored, setter))

    assert asyncio.run(main()) == (False, True)
    [new] = new_hashes
    assert new.startswith(f"bcrypt_sha256$$2b${CONFIGURED_COST:02d}$")


def test_decode_and_safe_summary():
    stored = "bcrypt_sha256$$2a$04$abcdefghijklmnopqrstuu" + "0123456789" * 3 + "A"
    hasher = BCryptSHA256PasswordHasher()
    assert hasher.decode(stored) == {
        "algorithm": "bcrypt_sha256",
        "algostr": "2a",
        "checksum": "0123456789" * 3 + "A",
        "salt": "abcdefghijklmnopqrstuu",
        "work_factor": 4,
    }
    assert hasher.safe_summary(stored) == {
        "algorithm": "bcrypt_sha256",
        "work factor": 4,
        "salt": "abcdef****************",
        "checksum": "012345*************************",
    }
    assert BCryptPasswordHasher().decode(stored.replace("bcrypt_sha256$", "bcrypt$"))["algorithm"] == "bcrypt"


@pytest.mark.parametrize("stored_cost, topped_up_at", [(4, [4, 5]), (5, [5]), (6, []), (7, [])])
def test_harden_runtime_tops_up_to_the_configured_cost(monkeypatch, stored_cost, topped_up_at):
    monkeypatch.setattr(BCryptSHA256PasswordHasher, "rounds", 6)
    costs = []
    monkeypatch.setattr("tavric.contrib.django.hashpw", lambda key, setting: costs.append(int(setting[4:6])))
    stored = f"bcrypt_sha256$$2b${stored_cost:02d}$abcdefghijklmnopqrstuu" + "A" * 31
    BCryptSHA256PasswordHasher().harden_runtime("wrong", stored)
    # 2**4 + 2**4 + 2**5 == 2**6: one hash at each cost from the stored one
    # up to the configured one adds the work a check at that cost lacks.
    assert costs == topped_up_at


@pytest.mark.parametrize(
    "call, error, message",
    [
        (lambda: BCryptPasswordHasher().encode("x" * 73, BCryptPasswordHasher().salt()), ValueError, TOO_LONG),
        (lambda: BCryptSHA256PasswordHasher().encode("pw", "not a salt"), ValueError,
         "salt must be a bcrypt setting string such as tavric.gensalt() returns"),
        (lambda: BCryptSHA256PasswordHasher().verify("pw", "bcrypt$$2b$04$abcdefghijklmnopqrstuu" + "A" * 31),
         InvalidHashError, "not a Django bcrypt_sha256$ hash"),
        (lambda: hashers.check_password("pw", "bcrypt$$2b$04$too-short"), InvalidHashError, None),
    ],
)
def test_errors(call, error, message):
    with pytest.raises(error) as raised:
        call()
    assert message is None or str(raised.value) == message


def test_long_passwords_hash_whole_with_bcrypt_sha256(libxcrypt):
    long = "long passphrase " * 8
    stored = hashers.make_password(long, hasher="bcrypt_sha256")
    assert hashers.check_password(long, stored) is True
    assert hashers.check_password(long[:72], stored) is False


@pytest.fixture(scope="module")
def database():
    from django.core.management import call_command

    call_command("migrate", verbosity=0)


@pytest.mark.parametrize(
    "algorithm, cost, upgraded",
    [("bcrypt_sha256", 4, True), ("bcrypt", CONFIGURED_COST, True), ("bcrypt_sha256", CONFIGURED_COST, False)],
)
def test_login_upgrades_a_hash_cheaper_or_older_than_configured(database, libxcrypt, algorithm, cost, upgraded):
    from django.contrib.auth import authenticate
    from django.contrib.auth.models import User

    stored = _build(libxcrypt, algorithm, "pässwörd".encode(), "2b", cost)
    user = User.objects.create(username=f"ann-{algorithm}-{cost}", password=stored)
    try:
        assert authenticate(username=user.username, password="passwörd") is None
        assert User.objects.get(pk=user.pk).password == stored
        assert authenticate(username=user.username, password="pässwörd") == user
        now_stored = User.objects.get(pk=user.pk).password
        assert (now_stored != stored) is upgraded
        info = parse_hash(now_stored)
        assert (info.scheme, info.rounds) == (
            ("django-bcrypt-sha256", CONFIGURED_COST) if upgraded else ("django-bcrypt-sha256", cost)
        )
        key = binascii.hexlify(hashlib.sha256("pässwörd".encode()).digest())
        assert libxcrypt.bcrypt(key, now_stored[14:]) == now_stored[14:]
    finally:
        user.delete()
