import sys

import pytest

from tavric import _tavric as m

SETTING = b"$2b$04$" + b"." * 22


class Index:
    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


class RaisingIndex:
    def __init__(self, error):
        self.error = error

    def __index__(self):
        raise self.error


class Bytes(bytes):
    pass


def call(function, *args, **kwargs):
    with pytest.raises((TypeError, OverflowError)) as info:
        getattr(m, function)(*args, **kwargs)
    return info.value


@pytest.mark.parametrize(
    "function, args, kwargs, message",
    [
        ("hashpw", (b"pw", SETTING, b"x"), {}, "hashpw() takes 2 positional arguments but 3 were given"),
        ("hashpw", (b"pw", SETTING, b"x"), {"bad": 1}, "hashpw() takes 2 positional arguments but 3 were given"),
        ("checkpw", (b"a", b"b", b"c"), {}, "checkpw() takes 2 positional arguments but 3 were given"),
        ("gensalt", (12, b"2b", 1), {}, "gensalt() takes from 0 to 2 positional arguments but 3 were given"),
        ("kdf", (b"p", b"s", 32, 50, True, 1), {}, "kdf() takes from 4 to 5 positional arguments but 6 were given"),
        ("hashpw", (b"pw",), {"password": b"x"}, "hashpw() got multiple values for argument 'password'"),
        ("gensalt", (), {"rounds": 5, "prefix": b"2b", "Rounds": 1}, "gensalt() got an unexpected keyword argument 'Rounds'"),
        ("hashpw", (b"pw",), {"Salt": b"x"}, "hashpw() got an unexpected keyword argument 'Salt'"),
        ("hashpw", (), {"foo": 1}, "hashpw() got an unexpected keyword argument 'foo'"),
        ("hashpw", (b"pw",), {"foo": 1, "salt": b"x"}, "hashpw() got an unexpected keyword argument 'foo'"),
        ("hashpw", (b"pw",), {"salt": b"x", "password": b"y"}, "hashpw() got multiple values for argument 'password'"),
        ("hashpw", (), {}, "hashpw() missing 2 required positional arguments: 'password' and 'salt'"),
        ("hashpw", (b"pw",), {}, "hashpw() missing 1 required positional argument: 'salt'"),
        ("checkpw", (), {}, "checkpw() missing 2 required positional arguments: 'password' and 'hashed_password'"),
        ("kdf", (b"p",), {}, "kdf() missing 3 required positional arguments: 'salt', 'desired_key_bytes', and 'rounds'"),
        ("kdf", (), {"rounds": 50}, "kdf() missing 3 required positional arguments: 'password', 'salt', and 'desired_key_bytes'"),
        ("kdf", (b"p", b"s"), {"rounds": 50}, "kdf() missing 1 required positional argument: 'desired_key_bytes'"),
    ],
)
def test_binding_messages(function, args, kwargs, message):
    error = call(function, *args, **kwargs)
    assert type(error) is TypeError
    assert error.args == (message,)


def test_keywords_bind_in_any_order():
    h = m.hashpw(b"pw", SETTING)
    assert m.checkpw(hashed_password=h, password=b"pw") is True
    assert m.hashpw(salt=SETTING, password=b"pw") == h
    assert len(m.kdf(password=b"p", salt=b"s", desired_key_bytes=32, rounds=50)) == 32


def test_keyword_with_lone_surrogate():
    error = call("hashpw", b"pw", SETTING, **{"sa\udc80lt": 1})
    assert str(error) == "hashpw() got an unexpected keyword argument 'sa\ufffd\ufffd\ufffdlt'"


@pytest.mark.parametrize(
    "function, args, message",
    [
        ("hashpw", ("pw", SETTING), "argument 'password': 'str' object cannot be converted to 'PyBytes'"),
        ("hashpw", (bytearray(b"pw"), SETTING), "argument 'password': 'bytearray' object cannot be converted to 'PyBytes'"),
        ("hashpw", (memoryview(b"pw"), SETTING), "argument 'password': 'memoryview' object cannot be converted to 'PyBytes'"),
        ("hashpw", (1, 2), "argument 'password': 'int' object cannot be converted to 'PyBytes'"),
        ("hashpw", (b"pw", "salt"), "argument 'salt': 'str' object cannot be converted to 'PyBytes'"),
        ("checkpw", (b"pw", None), "argument 'hashed_password': 'NoneType' object cannot be converted to 'PyBytes'"),
        ("gensalt", (12, "2b"), "argument 'prefix': 'str' object cannot be converted to 'PyBytes'"),
        ("kdf", (b"p", b"s", 32, 50, 1), "argument 'ignore_few_rounds': 'int' object cannot be converted to 'PyBool'"),
        ("kdf", (b"p", b"s", 32, 50, None), "argument 'ignore_few_rounds': 'NoneType' object cannot be converted to 'PyBool'"),
        ("kdf", ("p", b"s", 32, 50), "argument 'password': 'str' object cannot be converted to 'PyBytes'"),
        ("kdf", (b"p", b"s", 32.0, 50), "argument 'desired_key_bytes': 'float' object cannot be interpreted as an integer"),
    ],
)
def test_conversion_messages(function, args, message):
    error = call(function, *args)
    assert type(error) is TypeError
    assert error.args == (message,)
    assert error.__cause__ is None
    assert error.__suppress_context__ is True


@pytest.mark.parametrize("argument", [None, 12.0, "12", Index(12.5)])
def test_rounds_type_errors_are_prefixed(argument):
    error = call("gensalt", argument)
    assert type(error) is TypeError
    assert str(error).startswith("argument 'rounds': ")


def test_prefixed_error_drops_the_original_but_keeps_its_cause():
    cause = KeyError("why")
    inner = TypeError("inner")
    inner.__cause__ = cause
    error = call("gensalt", RaisingIndex(inner))
    assert error.args == ("argument 'rounds': inner",)
    assert error.__cause__ is cause
    assert error.__context__ is not inner


@pytest.mark.parametrize(
    "error",
    [ValueError("from index"), KeyError("k"), type("SubTypeError", (TypeError,), {})("sub")],
)
def test_other_errors_from_index_pass_unchanged(error):
    with pytest.raises(type(error)) as info:
        m.gensalt(RaisingIndex(error))
    assert info.value is error


@pytest.mark.parametrize(
    "function, args, text",
    [
        ("gensalt", (65536,), "out of range integral type conversion attempted"),
        ("gensalt", (-1,), "out of range integral type conversion attempted"),
        ("kdf", (b"p", b"s", 32, 4294967296), "out of range integral type conversion attempted"),
        ("kdf", (b"p", b"s", 32, -1), "out of range integral type conversion attempted"),
    ],
)
def test_out_of_range_small_integers(function, args, text):
    error = call(function, *args)
    assert type(error) is OverflowError and error.args == (text,)


@pytest.mark.parametrize(
    "function, args",
    [("gensalt", (2**70,)), ("kdf", (b"p", b"s", -1, 50)), ("kdf", (b"p", b"s", 2**64, 50)),
     ("kdf", (b"p", b"s", Index(-5), 50))],
)
def test_interpreter_overflow_errors_pass_unprefixed(function, args):
    error = call(function, *args)
    assert type(error) is OverflowError
    assert not str(error).startswith("argument")


def test_values_that_pass_conversion():
    # Conversion accepts them; the operations then apply their own checks.
    with pytest.raises(ValueError, match="^Invalid rounds$"):
        m.gensalt(65535)
    with pytest.raises(ValueError, match="^Invalid rounds$"):
        m.gensalt(True)
    with pytest.raises(ValueError, match="^desired_key_bytes must be 1-512$"):
        m.kdf(b"p", b"s", 18446744073709551615, 50)
    with pytest.raises(ValueError, match="^desired_key_bytes must be 1-512$"):
        m.kdf(b"p", b"s", 513, 4294967295)
    assert len(m.kdf(b"p", b"s", Index(32), Index(50))) == 32
    assert m.gensalt(Index(5)).startswith(b"$2b$05$")
    assert m.hashpw(Bytes(b"pw"), Bytes(SETTING)) == m.hashpw(b"pw", SETTING)


def test_defaults():
    assert m.gensalt().startswith(b"$2b$12$")
    assert m.gensalt(prefix=None).startswith(b"$2b$12$")
    assert m.gensalt(4, None).startswith(b"$2b$04$")


def test_numpy_booleans_are_accepted():
    numpy = pytest.importorskip("numpy")
    with pytest.warns(UserWarning):
        m.kdf(b"p", b"s", 8, 1, numpy.False_)
    import warnings

    with warnings.catch_warnings():
        warnings.simplefilter("error")
        assert len(m.kdf(b"p", b"s", 8, 1, numpy.True_)) == 8
    error = call("kdf", b"p", b"s", 8, 1, numpy.int64(1))
    assert "cannot be converted to 'PyBool'" in str(error)


def test_unprintable_error_text_uses_the_fallback():
    class BadArg:
        def __str__(self):
            raise RuntimeError("no")

    seen = []
    old_hook = sys.unraisablehook
    sys.unraisablehook = seen.append
    try:
        error = call("gensalt", RaisingIndex(TypeError(BadArg())))
    finally:
        sys.unraisablehook = old_hook
    assert str(error) == "argument 'rounds': <unprintable TypeError object>"
    assert len(seen) == 1 and isinstance(seen[0].exc_value, RuntimeError)
