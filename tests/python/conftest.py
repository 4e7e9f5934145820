import os
import shutil
import subprocess
import sys
import sysconfig
import textwrap
from pathlib import Path

import pytest

FREE_THREADED = bool(sysconfig.get_config_var("Py_GIL_DISABLED"))

free_threaded_only = pytest.mark.skipif(not FREE_THREADED, reason="needs the free-threaded build")
gil_build_only = pytest.mark.skipif(FREE_THREADED, reason="needs the standard (GIL) build")


def run_python(code, env=None, check=True):
    """Runs code in a fresh interpreter of the same build, for faults that
    must not touch the test process."""
    full_env = dict(os.environ)
    full_env.update(env or {})
    result = subprocess.run(
        [sys.executable, "-c", textwrap.dedent(code)],
        capture_output=True,
        text=True,
        env=full_env,
        timeout=120,
    )
    if check and result.returncode != 0:
        raise AssertionError(f"subprocess failed ({result.returncode}):\n{result.stdout}\n{result.stderr}")
    return result


SHIMS = Path(__file__).parents[1] / "shims"


def build_shim(tmp_path_factory, name, flags=()):
    """Compiles tests/shims/<name>.c into a library for LD_PRELOAD; skips
    where the machine has no C compiler."""
    if sys.platform != "linux":
        pytest.skip("LD_PRELOAD shims need the Linux dynamic loader")
    compiler = next(filter(None, map(shutil.which, ["cc", "gcc", "clang"])), None)
    if compiler is None:
        pytest.skip("needs a C compiler")
    library = tmp_path_factory.mktemp(name) / f"{name}.so"
    subprocess.run([compiler, "-shared", "-fPIC", "-O1", *flags, "-o", library, SHIMS / f"{name}.c", "-ldl"],
                   check=True)
    return str(library)


def preload(library):
    # Keeps what is already preloaded (a sanitizer runtime must stay first).
    return " ".join(filter(None, [os.environ.get("LD_PRELOAD"), library]))
