import importlib
import sys

import pytest

import tavric
from tavric import _tavric
from conftest import FREE_THREADED, free_threaded_only, gil_build_only, run_python

NAMES = [
    "checkpw", "gensalt", "hashpw", "kdf",
    "__title__", "__summary__", "__uri__", "__version_ex__",
    "__author__", "__email__", "__license__", "__copyright__",
]


def test_registration():
    assert _tavric.__all__ == NAMES
    assert _tavric.__doc__ == ""
    assert _tavric.__title__ == "tavric"
    assert _tavric.__copyright__.endswith(_tavric.__author__)
    for name in NAMES[4:]:
        assert isinstance(getattr(_tavric, name), str) and getattr(_tavric, name)
    major, minor, patch = _tavric.__version_ex__.split(".")
    assert all(part.isdigit() for part in (major, minor, patch))
    assert tavric.__version__ == _tavric.__version_ex__


@pytest.mark.parametrize(
    "name, signature",
    [
        ("checkpw", "(password, hashed_password)"),
        ("gensalt", "(rounds=12, prefix=b'2b')"),
        ("hashpw", "(password, salt)"),
        ("kdf", "(password, salt, desired_key_bytes, rounds, ignore_few_rounds=False)"),
    ],
)
def test_functions(name, signature):
    function = getattr(_tavric, name)
    assert function.__text_signature__ == signature
    assert function.__doc__ is None
    assert function.__name__ == name
    assert function.__self__ is _tavric
    assert function.__module__ == _tavric.__name__


def test_reimport_gives_the_same_module():
    run_python(
        """
        import sys
        import tavric._tavric as first
        first.marker = 42
        del sys.modules["tavric._tavric"]
        import importlib
        second = importlib.import_module("tavric._tavric")
        assert second is first and second.marker == 42
        """
    )


@free_threaded_only
def test_import_keeps_the_gil_disabled():
    result = run_python("import sys, tavric; print(sys._is_gil_enabled())")
    assert result.stdout.strip() == "False"


@gil_build_only
def test_second_interpreter_is_refused(tmp_path):
    report = tmp_path / "report.txt"
    code = f"""
try:
    import tavric._tavric
    outcome = "imported"
except ImportError as error:
    outcome = "ImportError: " + str(error)
with open({str(report)!r}, "w") as f:
    f.write(outcome)
"""
    run_python(
        f"""
        import tavric._tavric, _testcapi
        assert _testcapi.run_in_subinterp({code!r}) == 0
        """
    )
    assert report.read_text().startswith(
        "ImportError: PyO3 modules do not yet support subinterpreters, see "
    )


@free_threaded_only
def test_isolated_interpreter_refuses_the_module_itself():
    result = run_python(
        """
        import tavric._tavric, _interpreters
        interp = _interpreters.create()
        err = _interpreters.run_string(interp, "import tavric._tavric")
        print(err.type.__name__, err.msg)
        """
    )
    assert result.stdout.startswith("ImportError")
    assert "does not support loading in subinterpreters" in result.stdout
