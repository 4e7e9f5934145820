import os
import subprocess
import sys
import sysconfig
import textwrap

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
