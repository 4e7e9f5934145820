"""What the extension needs from the machine it runs on: the C library and
nothing else; what it exports: its init function alone; what it reads of
the process: no environment setting and no locked memory."""

import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

import pytest

from conftest import build_shim, preload, run_python
from tavric import _lanes, _tavric

EXTENSIONS = {"_tavric": Path(_tavric.__file__), "_lanes": Path(_lanes.__file__)}
SANITIZED = "asan" in os.environ.get("LD_PRELOAD", "")
# glibc's and musl's C library, maths library, loader and vDSO.
C_LIBRARY = re.compile(r"(libc|libm)\.so\.6|libc\.musl-.*|ld-linux-.*|ld-musl-.*|linux-vdso\.so\.1")
pytestmark = pytest.mark.skipif(sys.platform != "linux", reason="reads ELF objects with Linux tools")


def tool(name):
    path = shutil.which(name)
    if path is None:
        pytest.skip(f"needs {name}")
    return path


@pytest.mark.skipif(SANITIZED, reason="a sanitizer build links the sanitizer runtimes")
@pytest.mark.parametrize("extension", EXTENSIONS.values(), ids=EXTENSIONS.keys())
def test_needs_only_the_c_library(extension):
    listed = subprocess.run([tool("ldd"), str(extension)], capture_output=True, text=True, check=True).stdout
    needed = [Path(line.split()[0]).name for line in listed.splitlines() if line.strip()]
    assert needed and all(C_LIBRARY.fullmatch(name) for name in needed), listed


@pytest.mark.parametrize("name, extension", EXTENSIONS.items(), ids=EXTENSIONS.keys())
def test_exports_only_its_init_function(name, extension):
    symbols = subprocess.run([tool("nm"), "-D", "--defined-only", str(extension)],
                             capture_output=True, text=True, check=True).stdout
    assert [line.split()[-1] for line in symbols.splitlines()] == [f"PyInit_{name}"]


EXERCISE = """
import warnings, tavric
warnings.simplefilter("ignore")
salt = tavric.gensalt(4)
stored = tavric.hashpw(b"pw\\x00x", salt)
assert tavric.checkpw(b"pw\\x00x", stored) and not tavric.checkpw(b"px", stored)
tavric.kdf(b"p", b"s", 48, 10)
assert tavric.checkpw_many([b"pw\\x00x"], tavric.hashpw_many([b"pw\\x00x"], [salt])) == [True]
tavric.set_combining(tavric.combining_enabled())
for call in (lambda: tavric.hashpw("pw", salt), lambda: tavric.gensalt(3), lambda: tavric.kdf(b"", b"s", 1, 1)):
    try:
        call()
    except (TypeError, ValueError):
        pass
"""


@pytest.fixture(scope="module")
def watch(tmp_path_factory):
    return build_shim(tmp_path_factory, "watch_environment")


def watched(watch, tmp_path, code, extra_preload=None, env=None):
    log = tmp_path / "watch.log"
    libraries = preload(" ".join(filter(None, [extra_preload, watch])))
    run_python(code, env={"LD_PRELOAD": libraries, "TAVRIC_WATCH_LOG": str(log), **(env or {})})
    return log.read_text().splitlines() if log.exists() else []


def test_reads_no_environment_and_locks_no_memory(watch, tmp_path):
    assert watched(watch, tmp_path, EXERCISE) == []


def test_the_watch_sees_the_one_setting_the_module_reads(watch, tmp_path, tmp_path_factory):
    # The fault reporter's backtrace switch is read when a fault is reported:
    # a failing random source makes one, and the watch must see that lookup.
    failing_random = build_shim(tmp_path_factory, "getrandom")
    code = "import tavric\ntry:\n    tavric.gensalt()\nexcept BaseException:\n    pass\n"
    seen = watched(watch, tmp_path, code, failing_random, env={"TAVRIC_SHIM": "zero"})
    assert seen == ["getenv TAVRIC_BACKTRACE"]
