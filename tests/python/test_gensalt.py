import re

import pytest

from tavric import _tavric as m

SETTING = re.compile(rb"\$(2[ab])\$(\d\d)\$[./A-Za-z0-9]{21}[.Oeu]")


@pytest.mark.parametrize(
    "args, kwargs, prefix",
    [
        ((), {}, b"$2b$12$"),
        ((4,), {}, b"$2b$04$"),
        ((31,), {}, b"$2b$31$"),
        ((), {"prefix": b"2a"}, b"$2a$12$"),
        ((), {"prefix": None}, b"$2b$12$"),
        ((10, b"2a"), {}, b"$2a$10$"),
    ],
)
def test_settings(args, kwargs, prefix):
    setting = m.gensalt(*args, **kwargs)
    assert type(setting) is bytes and len(setting) == 29
    assert setting.startswith(prefix)
    assert SETTING.fullmatch(setting)


def test_salts_are_fresh_and_usable():
    settings = {m.gensalt(4) for _ in range(50)}
    assert len(settings) == 50
    last_symbols = {s[-1:] for s in settings}
    assert last_symbols <= {b".", b"O", b"e", b"u"}
    for setting in list(settings)[:5]:
        assert m.hashpw(b"pw", setting)[:29] == setting


@pytest.mark.parametrize(
    "args, kwargs, message",
    [
        ((3,), {}, "Invalid rounds"),
        ((32,), {}, "Invalid rounds"),
        ((0,), {}, "Invalid rounds"),
        ((), {"prefix": b"2y"}, "Supported prefixes are b'2a' or b'2b'"),
        ((), {"prefix": b"2x"}, "Supported prefixes are b'2a' or b'2b'"),
        ((), {"prefix": b""}, "Supported prefixes are b'2a' or b'2b'"),
        ((), {"prefix": b"2bb"}, "Supported prefixes are b'2a' or b'2b'"),
        ((), {"rounds": 3, "prefix": b"2y"}, "Supported prefixes are b'2a' or b'2b'"),
    ],
)
def test_errors(args, kwargs, message):
    with pytest.raises(ValueError) as info:
        m.gensalt(*args, **kwargs)
    assert info.value.args == (message,)


def test_conversion_comes_before_the_checks():
    with pytest.raises(OverflowError):
        m.gensalt(70000, b"2y")
