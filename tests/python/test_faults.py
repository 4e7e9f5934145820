"""Internal faults, PanicException and the random source's failures, each in
a subprocess so that the faults cannot disturb the test process."""

import os

import pytest

from conftest import build_shim, preload, run_python

UNWRAP = "called `Result::unwrap()` on an `Err` value: "


@pytest.fixture(scope="session")
def shim(tmp_path_factory):
    return build_shim(tmp_path_factory, "getrandom")


def with_shim(shim, mode, code, check=True):
    return run_python(code, env={"LD_PRELOAD": preload(shim), "TAVRIC_SHIM": mode}, check=check)


CATCH_PANIC = """
import tavric
try:
    tavric.gensalt()
except Exception:
    print("caught by except Exception")
except BaseException as panic:
    cls = type(panic)
    print("MESSAGE", str(panic))
    print("ARGS", panic.args == (str(panic),))
    print("MRO", [c.__name__ for c in cls.__mro__])
    print("NAMES", cls.__module__, cls.__name__, cls.__qualname__)
    print("DOC", repr(cls.__doc__))
else:
    print("no fault")
"""


@pytest.mark.parametrize(
    "mode, description",
    [
        ("zero", 'Error { internal_code: 65538, description: "unexpected situation" }'),
        ("below", 'Error { internal_code: 65538, description: "unexpected situation" }'),
        ("too-much", 'Error { internal_code: 65538, description: "unexpected situation" }'),
        ("errno0", 'Error { internal_code: 65537, description: "errno: did not return a positive value" }'),
        ("eio", 'Error { os_error: 5, description: Os { code: 5, kind: Uncategorized, message: "Input/output error" } }'),
    ],
)
def test_random_source_failures_raise_panic(shim, mode, description):
    if mode == "too-much" and "libasan" in os.environ.get("LD_PRELOAD", ""):
        pytest.skip("AddressSanitizer's getrandom interceptor believes the shim's count and reports it")
    result = with_shim(shim, mode, CATCH_PANIC)
    lines = dict(line.split(" ", 1) for line in result.stdout.splitlines())
    assert lines["MESSAGE"] == UNWRAP + description
    assert lines["ARGS"] == "True"
    assert lines["MRO"] == "['PanicException', 'BaseException', 'object']"
    assert lines["NAMES"] == "pyo3_runtime PanicException PanicException"
    assert "BaseException" in lines["DOC"] and lines["DOC"].startswith("'\\n")
    # The report reaches standard error before the exception reaches Python.
    report = result.stderr
    assert "\nthread '" in report and "panicked at src/lib/gensalt.cpp:" in report
    assert UNWRAP + description in report
    assert "TAVRIC_BACKTRACE=1" in report


@pytest.mark.parametrize("mode", ["eintr", "short"])
def test_interrupted_and_short_reads_are_retried(shim, mode):
    result = with_shim(shim, mode, "import tavric; s = tavric.gensalt(4); print(s.decode()); print(tavric.hashpw(b'x', s)[:29] == s)")
    setting, usable = result.stdout.split()
    assert setting.startswith("$2b$04$") and len(setting) == 29 and usable == "True"
    assert result.stderr == ""


def test_module_keeps_working_after_a_fault(shim):
    result = with_shim(
        shim,
        "zero",
        """
        import tavric
        for _ in range(3):
            try:
                tavric.gensalt()
            except BaseException as panic:
                last = panic
        print(tavric.checkpw(b"pw", tavric.hashpw(b"pw", b"$2b$04$" + b"." * 22)))
        """,
    )
    assert result.stdout.strip() == "True"
    # The hint on backtraces is given once per process.
    assert result.stderr.count("TAVRIC_BACKTRACE=1") == 1
    assert result.stderr.count("panicked at") == 3


def test_backtrace_on_request(shim):
    result = run_python(
        "import tavric\ntry:\n    tavric.gensalt()\nexcept BaseException:\n    pass",
        env={"LD_PRELOAD": preload(shim), "TAVRIC_SHIM": "zero", "TAVRIC_BACKTRACE": "1"},
    )
    assert "stack backtrace:" in result.stderr
    assert "TAVRIC_BACKTRACE=1" not in result.stderr


RESUME = """
import sys
import tavric

try:
    tavric.gensalt()
except BaseException as caught:
    panic = caught

class Index:
    def __init__(self, error):
        self.error = error
    def __index__(self):
        raise self.error

sys.stderr.write("MARK\\n"); sys.stderr.flush()
try:
    tavric.gensalt(Index(panic))
except BaseException as again:
    print("SAME_TYPE", type(again) is type(panic), again is not panic)
    print("MESSAGE", str(again) == str(panic))

class Unprintable(type(panic)):
    def __str__(self):
        raise RuntimeError("no text")

try:
    tavric.gensalt(Index(type(panic)("x")))
except BaseException as again:
    print("PLAIN", str(again))
try:
    tavric.kdf(b"p", b"s", Index(Unprintable("y")), 50)
except BaseException as again:
    print("SUBCLASS", type(again).__name__, type(again) is Unprintable)
"""


def test_panic_raised_back_into_the_module_resumes(shim):
    result = with_shim(shim, "zero", RESUME)
    lines = dict(line.split(" ", 1) for line in result.stdout.splitlines())
    assert lines["SAME_TYPE"] == "True True"
    assert lines["MESSAGE"] == "True"
    assert lines["PLAIN"] == "x"
    # A subclass is not the module's own class, so it passes through as is.
    assert lines["SUBCLASS"] == "Unprintable True"
    after = result.stderr.split("MARK\n", 1)[1]
    banner = (
        "--- PyO3 is resuming a panic after fetching a PanicException from Python. ---\n"
        "Python stack trace below:\n"
    )
    assert after.startswith(banner)
    assert "Traceback (most recent call last)" in after and "in __index__" in after
    assert after.count(banner) == 2


def test_resumed_panic_without_text(shim):
    result = with_shim(
        shim,
        "zero",
        """
        import tavric
        try:
            tavric.gensalt()
        except BaseException as caught:
            panic = caught

        class BadStr:
            def __str__(self):
                raise RuntimeError("no")

        class IndexBadText:
            def __index__(self):
                raise type(panic)(BadStr())

        try:
            tavric.gensalt(IndexBadText())
        except BaseException as again:
            print(str(again))
        """,
    )
    assert result.stdout.strip() == "Unwrapped panic from Python code"


NO_MEMORY = """
import _testcapi, tavric
setting = tavric.gensalt(4)
call = {call}
_testcapi.set_nomemory(0, 1)  # only the next allocation fails: the result object
try:
    call()
except BaseException as error:
    _testcapi.remove_mem_hooks()
    print(type(error).__name__, str(error))
"""


@pytest.mark.parametrize(
    "call, outcome",
    [
        ("lambda: tavric.hashpw(b'pw', setting)", "PanicException Python API call failed"),
        ("lambda: tavric.checkpw(b'pw', setting)", "PanicException Python API call failed"),
        ("lambda: tavric.gensalt(4)", "MemoryError"),
        ("lambda: tavric.kdf(b'p', b's', 8, 60)", "MemoryError"),
    ],
)
def test_result_allocation_failure(call, outcome):
    pytest.importorskip("_testcapi")
    result = run_python(NO_MEMORY.format(call=call))
    assert result.stdout.strip() == outcome
    if outcome.startswith("PanicException"):
        # The interpreter's MemoryError is printed before the fault.
        assert result.stderr.index("MemoryError") < result.stderr.index("Python API call failed")


def test_fault_while_raising_aborts():
    pytest.importorskip("_testcapi")
    result = run_python(
        """
        import _testcapi, tavric
        _testcapi.set_nomemory(0)  # the error's message cannot be made
        tavric.hashpw(b"pw", b"bad")
        print("returned")
        """,
        check=False,
    )
    assert result.returncode == -6  # SIGABRT
    assert "returned" not in result.stdout
    assert "uncaught panic at ffi boundary" in result.stderr
