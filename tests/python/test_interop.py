"""Hash strings exchanged with other systems that store them."""

import ctypes
import ctypes.util
import shutil
import subprocess

import pytest

from tavric import _tavric as m

PASSWORDS = [b"hello", b"p\xc3\xa4ssw\xc3\xb6rd", bytes(range(128, 200)), b"x" * 72, b""]


@pytest.fixture(scope="module")
def crypt():
    try:
        library = ctypes.CDLL("libcrypt.so.1")
    except OSError:
        pytest.skip("libxcrypt is not installed")
    function = library.crypt
    function.restype = ctypes.c_char_p
    function.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
    return function


@pytest.mark.parametrize("label", [b"2a", b"2b", b"2y"])
@pytest.mark.parametrize("password", PASSWORDS)
def test_libxcrypt_both_ways(crypt, label, password):
    ours = m.hashpw(password, b"$" + label + m.gensalt(5)[3:])
    assert crypt(password, ours) == ours
    setting = b"$" + label + b"$05$" + m.gensalt(4)[7:]
    theirs = crypt(password, setting)
    assert theirs.startswith(setting)
    assert m.checkpw(password, theirs) is True
    assert m.checkpw(password + b"?" if len(password) < 72 else password[:71], theirs) is False


def test_libxcrypt_2x_differs_only_for_high_bytes(crypt):
    # libxcrypt keeps the historic sign-extension bug under $2x$; we compute
    # every label the same way, so only 7-bit passwords agree there.
    setting = b"$2x$05$" + m.gensalt(4)[7:]
    assert m.checkpw(b"plain ascii", crypt(b"plain ascii", setting)) is True
    assert m.checkpw(b"\xa3", crypt(b"\xa3", setting)) is False


htpasswd = pytest.mark.skipif(shutil.which("htpasswd") is None, reason="apache2-utils is not installed")


@htpasswd
@pytest.mark.parametrize("password", [b"hello", b"p\xc3\xa4ssw\xc3\xb6rd", b"y" * 72])
def test_htpasswd_hashes_verify(password):
    line = subprocess.run(
        ["htpasswd", "-nbB", "-C", "5", "user", password], check=True, capture_output=True
    ).stdout.strip()
    stored = line.split(b":", 1)[1]
    assert stored.startswith(b"$2y$05$")
    assert m.checkpw(password, stored) is True
    assert m.checkpw(b"wrong", stored) is False


@htpasswd
@pytest.mark.parametrize("prefix", [b"2a", b"2b"])
def test_our_hashes_verify_in_htpasswd(tmp_path, prefix):
    password_file = tmp_path / "htpasswd"
    password_file.write_bytes(b"user:" + m.hashpw(b"secret", m.gensalt(5, prefix)) + b"\n")
    right = subprocess.run(["htpasswd", "-vb", password_file, "user", "secret"], capture_output=True)
    wrong = subprocess.run(["htpasswd", "-vb", password_file, "user", "Secret"], capture_output=True)
    assert right.returncode == 0, right.stderr
    assert wrong.returncode != 0
