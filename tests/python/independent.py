"""Stored hashes made without tavric: libxcrypt's bcrypt (salts included),
and the pre-hashed formats of passlib and Django built over it from their
documented definitions."""

import base64
import binascii
import ctypes
import hashlib
import hmac

import pytest


class Libxcrypt:
    def __init__(self):
        try:
            library = ctypes.CDLL("libcrypt.so.1")
        except OSError:
            pytest.skip("libxcrypt is not installed")
        self._crypt = library.crypt
        self._crypt.restype = ctypes.c_char_p
        self._crypt.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
        self._gensalt = library.crypt_gensalt
        self._gensalt.restype = ctypes.c_char_p
        self._gensalt.argtypes = [ctypes.c_char_p, ctypes.c_ulong, ctypes.c_char_p, ctypes.c_int]

    def setting(self, prefix="2b", cost=4):
        """A setting string with a salt from the operating system's random source."""
        setting = self._gensalt(f"${prefix}$".encode(), cost, None, 0)
        assert setting and setting.startswith(f"${prefix}${cost:02d}$".encode()), setting
        return setting.decode()

    def bcrypt(self, key, setting):
        """bcrypt as C's crypt computes it: a password over 72 bytes counts on its first 72."""
        result = self._crypt(key, setting.encode())
        assert result and not result.startswith(b"*"), result
        return result.decode()

    def passlib_bcrypt_sha256(self, password, prefix="2b", cost=4):
        """passlib's $bcrypt-sha256$ version 2: bcrypt over the base64 (with
        padding) of HMAC-SHA256 keyed by the 22-character salt text; the cost
        written without a leading zero."""
        setting = self.setting(prefix, cost)
        salt = setting[7:]
        key = base64.b64encode(hmac.new(salt.encode(), password, hashlib.sha256).digest())
        digest = self.bcrypt(key, setting)[29:]
        return f"$bcrypt-sha256$v=2,t={prefix},r={cost}${salt}${digest}"

    def django_bcrypt_sha256(self, password, prefix="2b", cost=4):
        """Django's bcrypt_sha256: bcrypt over the hex SHA-256 of the password."""
        key = binascii.hexlify(hashlib.sha256(password).digest())
        return "bcrypt_sha256$" + self.bcrypt(key, self.setting(prefix, cost))

    def django_bcrypt(self, password, prefix="2b", cost=4):
        return "bcrypt$" + self.bcrypt(password, self.setting(prefix, cost))

    def plain(self, password, prefix="2b", cost=4):
        return self.bcrypt(password, self.setting(prefix, cost))


@pytest.fixture(scope="session")
def libxcrypt():
    return Libxcrypt()
