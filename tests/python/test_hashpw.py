import re

import pytest

from tavric import _tavric as m

LONG = b"0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789chars after 72 are ignored"
MAX_LEN = "password cannot be longer than 72 bytes, truncate manually if necessary (e.g. my_password[:72])"
SALT22 = b"abcdefghijklmnopqrstuu"
ALPHABET = b"./ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"

# The classic published bcrypt vectors (cost 05).
VECTORS = [
    (b"U*U", b"$2a$05$CCCCCCCCCCCCCCCCCCCCC.E5YPO9kmyuRGyh0XouQYb4YMJKvyOeW"),
    (b"U*U*", b"$2a$05$CCCCCCCCCCCCCCCCCCCCC.VGOzA784oUp/Z0DY336zx7pLYAy0lwK"),
    (b"U*U*U", b"$2a$05$XXXXXXXXXXXXXXXXXXXXXOAcXxm9kjPGEMsLznoKqmqw7tc8WCx4a"),
    (LONG[:72], b"$2a$05$abcdefghijklmnopqrstuu5s2v8.iXieOjg/.AySBTTZIIVFJeBui"),
    (b"", b"$2a$05$CCCCCCCCCCCCCCCCCCCCC.7uG0VCzI2bS7j6ymqJi9CdcdxiRTWNy"),
    (b"\xa3", b"$2y$05$/OK.fbVrR/bpIqNJ5ianF.Sa7shbm4.OzKpvFnX1pQLmQW96oUlCq"),
    (b"\xa3", b"$2a$05$/OK.fbVrR/bpIqNJ5ianF.Sa7shbm4.OzKpvFnX1pQLmQW96oUlCq"),
    (b"\xff\xff\xa3", b"$2y$05$/OK.fbVrR/bpIqNJ5ianF.CE5elHaaO4EbggVDjb8P19RukzXSM3e"),
    (b"\xff\xff\xa3", b"$2b$05$/OK.fbVrR/bpIqNJ5ianF.CE5elHaaO4EbggVDjb8P19RukzXSM3e"),
]


@pytest.mark.parametrize("password, stored", VECTORS)
def test_published_vectors(password, stored):
    assert m.hashpw(password, stored) == stored
    assert m.hashpw(password, stored[:29]) == stored
    assert m.checkpw(password, stored) is True
    wrong = bytes([password[0] ^ 1]) + password[1:] if password else b"x"
    assert m.checkpw(wrong, stored) is False


def test_hash_string_layout():
    setting = m.gensalt(4)
    h = m.hashpw(b"pw", setting)
    assert len(h) == 60 and h[:29] == setting
    assert [i for i, c in enumerate(h) if c == ord("$")] == [0, 3, 6]
    assert ALPHABET.index(h[-1:]) % 4 == 0
    assert re.fullmatch(rb"\$2b\$04\$[./A-Za-z0-9]{53}", h)


def test_zero_bytes_inside_passwords_count():
    setting = b"$2b$04$" + SALT22
    passwords = (b"ab", b"ab\x00", b"ab\x00cd", b"ab\x00ce", b"\x00ab", b"")
    assert len({m.hashpw(p, setting) for p in passwords}) == len(passwords)


def test_72_byte_limit():
    setting = b"$2b$04$" + SALT22
    base = b"x" * 71
    assert m.hashpw(base + b"y", setting) != m.hashpw(base + b"z", setting)
    for function in (m.hashpw, m.checkpw):
        for salt in (setting, b"garbage"):
            with pytest.raises(ValueError) as info:
                function(base + b"yz", salt)
            assert info.value.args == (MAX_LEN,)


def test_labels_share_one_computation():
    hashes = {label: m.hashpw(b"\xff\xa3pw", b"$" + label + b"$04$" + SALT22) for label in (b"2a", b"2b", b"2x", b"2y")}
    assert {h[29:] for h in hashes.values()} == {hashes[b"2b"][29:]}
    for label, h in hashes.items():
        assert h[1:3] == label


@pytest.mark.parametrize(
    "setting, expected_prefix",
    [
        (b"2b$04$" + SALT22, b"$2b$04$"),
        (b"$$2b$$04$$" + SALT22 + b"$", b"$2b$04$"),
        (b"$2b$4$" + SALT22, b"$2b$04$"),
        (b"$2b$+4$" + SALT22, b"$2b$04$"),
        (b"$2b$0000004$" + SALT22 + b"whatever follows is ignored", b"$2b$04$"),
    ],
)
def test_settings_are_read_leniently_and_written_canonically(setting, expected_prefix):
    canonical = m.hashpw(b"pw", b"$2b$04$" + SALT22)
    h = m.hashpw(b"pw", setting)
    assert h == canonical and h.startswith(expected_prefix)
    # What was read is not what is written, so such stored strings never verify.
    assert m.checkpw(b"pw", setting) is (setting == canonical)


@pytest.mark.parametrize(
    "setting",
    [
        b"", b"bad", b"$2b$04", b"$2b$04$" + SALT22 + b"$more",
        b"$2c$12$" + SALT22, b"$2$12$" + SALT22, b"$2bb$12$" + SALT22,
        b"$2b$03$" + SALT22, b"$2b$32$" + SALT22, b"$2b$99$" + SALT22,
        b"$2b$4294967295$" + SALT22, b"$2b$4294967296$" + SALT22,
        b"$2b$-4$" + SALT22, b"$2b$+$" + SALT22, b"$2b$1a$" + SALT22,
        b"$2b$04$" + SALT22[:21], b"$2b$04$" + SALT22[:21] + b"/",
        b"$2b$04$" + b"=" + SALT22[1:], b"$2b$04$" + b"\xc3\xa9" + SALT22[2:],
    ],
)
def test_malformed_settings(setting):
    for function in (m.hashpw, m.checkpw):
        with pytest.raises(ValueError) as info:
            function(b"pw", setting)
        assert info.value.args == ("Invalid salt",)


def test_invalid_salt_is_an_ordinary_exception():
    try:
        m.hashpw(b"x", b"bad")
    except Exception as error:  # noqa: BLE001 - the point is what catches it
        assert type(error) is ValueError
    else:
        pytest.fail("no exception")


def test_checkpw_compares_whole_strings():
    h = m.hashpw(b"pw", b"$2b$04$" + SALT22)
    last = ALPHABET[(ALPHABET.index(h[-1:]) + 4) % 64 : (ALPHABET.index(h[-1:]) + 4) % 64 + 1]
    assert m.checkpw(b"pw", h) is True
    assert m.checkpw(b"pw", h[:-1] + last) is False
    assert m.checkpw(b"pw", h + b"x") is False
    assert m.checkpw(b"", m.hashpw(b"", h)) is True
