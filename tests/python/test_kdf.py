"""Tests for tavric.kdf (bcrypt_pbkdf).

The expected outputs come from three places that share no code with the
extension: the published bcrypt_pbkdf vector, a slow pure-Python bcrypt_pbkdf
written from the OpenBSD algorithm (reference_pbkdf.py), and OpenSSH, whose
encrypted private keys are keyed with bcrypt_pbkdf (openssh_key.py reads and
writes them).
"""

import functools
import os
import shutil
import subprocess
import sys
import warnings

import pytest

import tavric
from openssh_key import Reader, aes256_ctr, format_private_key, parse_private_key, ssh_keygen_public
from reference_pbkdf import reference_kdf

PUBLISHED_VECTOR = (
    b"password",
    b"salt",
    32,
    4,
    "5bbf0cc293587f1c3635555c27796598d47e579071bf427e9d8fbe842aba34d9",
)


def few_rounds_text(rounds):
    return (
        f"Warning: tavric.kdf() called with only {rounds} round(s). "
        "This few is not secure: the parameter is linear, like PBKDF2."
    )


# --- derived values ----------------------------------------------------------


def test_published_vector():
    password, salt, length, rounds, expected = PUBLISHED_VECTOR
    assert tavric.kdf(password, salt, length, rounds, ignore_few_rounds=True).hex() == expected


def test_reference_reproduces_published_vector():
    # Four rounds also exercise the XOR chain of the reference.
    password, salt, length, rounds, expected = PUBLISHED_VECTOR
    assert reference_kdf(password, salt, length, rounds).hex() == expected


# NUL bytes in both inputs: the lengths, not a terminator, must bound them.
REFERENCE_PASSWORD = b"pass\x00word \xff\xfe" * 3
REFERENCE_SALT = b"\x00salt\x80" * 4


# 257 bytes takes nine blocks and runs past any fixed 256-byte buffer.
@pytest.mark.parametrize("length", [1, 33, 257])
def test_matches_reference(length):
    got = tavric.kdf(REFERENCE_PASSWORD, REFERENCE_SALT, length, 1, ignore_few_rounds=True)
    assert got == reference_kdf(REFERENCE_PASSWORD, REFERENCE_SALT, length, 1)


@pytest.mark.parametrize(
    ("short", "long", "stride"),
    [
        (16, 32, 1),  # up to 32 bytes there is one block, so a shorter key is a prefix
        (32, 64, 2),
        (32, 512, 16),
    ],
)
def test_output_interleaves_blocks(short, long, stride):
    derive = functools.partial(tavric.kdf, b"password", b"salt", rounds=3, ignore_few_rounds=True)
    short_key, long_key = derive(short), derive(long)
    assert len(short_key) == short and len(long_key) == long
    # Byte j of block 1 lands at j * stride.
    assert long_key[::stride][:short] == short_key
    if stride > 1:
        assert long_key[:short] != short_key


# --- few-rounds warning --------------------------------------------------------


@functools.cache
def quiet_key(rounds):
    return tavric.kdf(b"password", b"salt", 16, rounds, ignore_few_rounds=True)


def derive_recording(*args, **kwargs):
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        key = tavric.kdf(*args, **kwargs)
    return key, caught


@pytest.mark.parametrize(
    ("rounds", "options", "warns"),
    [
        (1, {}, True),
        (49, {}, True),
        (49, {"ignore_few_rounds": False}, True),
        (50, {}, False),
        (49, {"ignore_few_rounds": True}, False),
    ],
)
def test_few_rounds_warning(rounds, options, warns):
    key, caught = derive_recording(b"password", b"salt", 16, rounds, **options)
    if warns:
        assert [(w.category, str(w.message)) for w in caught] == [(UserWarning, few_rounds_text(rounds))]
    else:
        assert caught == []
    # The warning changes nothing about the key.
    assert key == quiet_key(rounds)


@pytest.mark.parametrize("ignore", [True, False])
def test_numpy_bool_accepted_for_ignore_few_rounds(ignore):
    numpy = pytest.importorskip("numpy")
    _, caught = derive_recording(b"password", b"salt", 16, 1, ignore_few_rounds=numpy.bool_(ignore))
    assert [str(w.message) for w in caught] == ([] if ignore else [few_rounds_text(1)])


def test_few_rounds_warning_as_error_raises():
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        with pytest.raises(UserWarning) as raised:
            tavric.kdf(b"password", b"salt", 16, 10)
    assert str(raised.value) == few_rounds_text(10)


def derive_with_few_rounds():
    return tavric.kdf(b"password", b"salt", 16, 10)


def library_entry_point():
    return derive_with_few_rounds()


def test_few_rounds_warning_location():
    # Stack level 3 counted from a C function: level 1 is the Python frame
    # that calls kdf, so the warning lands two frames above it.
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        expected_line = sys._getframe().f_lineno + 1
        library_entry_point()
    assert [(w.filename, w.lineno) for w in caught] == [(__file__, expected_line)]


# --- argument checks -----------------------------------------------------------

EMPTY = "password and salt must not be empty"
BAD_LENGTH = "desired_key_bytes must be 1-512"
BAD_ROUNDS = "rounds must be 1 or more"


@pytest.mark.parametrize(
    ("args", "options", "error", "message"),
    [
        ((b"", b"", 0, 0), {}, ValueError, EMPTY),
        ((b"password", b"", 32, 4), {}, ValueError, EMPTY),
        ((b"", b"salt", 513, 1), {}, ValueError, EMPTY),
        ((b"password", b"salt", 0, 0), {}, ValueError, BAD_LENGTH),
        ((b"password", b"salt", 513, 0), {}, ValueError, BAD_LENGTH),
        ((b"password", b"salt", 32, 0), {}, ValueError, BAD_ROUNDS),
        # Conversion comes before every value check.
        ((b"", b"", -1, 0), {}, OverflowError, None),
        ((b"password", b"salt", 32, 2**32), {}, OverflowError, None),
        (
            (b"", b"", 0, 0),
            {"ignore_few_rounds": 1},
            TypeError,
            "argument 'ignore_few_rounds': 'int' object cannot be converted to 'PyBool'",
        ),
    ],
)
def test_argument_errors(args, options, error, message):
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        with pytest.raises(error) as raised:
            tavric.kdf(*args, **options)
    if message is not None:
        assert str(raised.value) == message
    assert caught == []


# --- OpenSSH encrypted private keys ----------------------------------------------


def test_openssh_private_key_round_trip(tmp_path):
    if shutil.which("ssh-keygen") is None or shutil.which("openssl") is None:
        pytest.skip("needs ssh-keygen and openssl")
    passphrase, new_passphrase, comment, rounds = "first passphrase", "a different one", "kdf-test", 16
    original = tmp_path / "id_ed25519"
    subprocess.run(
        ["ssh-keygen", "-q", "-t", "ed25519", "-N", passphrase, "-a", str(rounds)]
        + ["-f", str(original), "-C", comment],
        check=True,
        capture_output=True,
    )
    key = parse_private_key(original.read_text())
    assert (key["cipher"], key["kdf"], key["count"], key["rounds"]) == (b"aes256-ctr", b"bcrypt", 1, rounds)

    derived = tavric.kdf(passphrase.encode(), key["salt"], 48, rounds, ignore_few_rounds=True)
    plain = aes256_ctr(key["encrypted"], derived, decrypt=True)
    private = Reader(plain)
    check1, check2 = private.uint32(), private.uint32()
    assert check1 == check2
    # The private section repeats the public blob, then holds the secret,
    # the comment and 1, 2, 3... padding.
    assert private.rest().startswith(key["public"])
    for _ in ("key type", "public key", "secret"):
        private.string()
    assert private.string() == comment.encode()
    padding = private.rest()
    assert padding == bytes(range(1, len(padding) + 1))

    key["salt"] = os.urandom(16)
    new_derived = tavric.kdf(new_passphrase.encode(), key["salt"], 48, rounds, ignore_few_rounds=True)
    key["encrypted"] = aes256_ctr(plain, new_derived, decrypt=False)
    # A directory of its own, so ssh-keygen cannot pick up the original .pub.
    rekeyed = tmp_path / "rekeyed" / "id_ed25519"
    rekeyed.parent.mkdir()
    rekeyed.write_text(format_private_key(key))
    rekeyed.chmod(0o600)

    shown = ssh_keygen_public(rekeyed, new_passphrase)
    assert shown.returncode == 0, shown.stderr
    expected = original.with_suffix(".pub").read_text().split()[:2]
    assert shown.stdout.split()[:2] == expected
    assert ssh_keygen_public(rekeyed, passphrase).returncode != 0
