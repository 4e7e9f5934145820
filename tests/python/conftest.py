import os
import shutil
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


def build_shim(tmp_path_factory, name, source, compilers, flags=()):
    """Compiles a shared library meant for LD_PRELOAD; skips without a compiler."""
    compiler = next(filter(None, map(shutil.which, compilers)), None)
    if compiler is None:
        pytest.skip(f"needs one of {', '.join(compilers)}")
    folder = tmp_path_factory.mktemp(name)
    source_file = folder / (name + (".cpp" if "++" in compiler else ".c"))
    source_file.write_text(source)
    library = folder / f"{name}.so"
    subprocess.run([compiler, "-shared", "-fPIC", "-O1", *flags, "-o", library, source_file], check=True)
    return str(library)


def preload(library):
    # Keeps what is already preloaded (a sanitizer runtime must stay first).
    return " ".join(filter(None, [os.environ.get("LD_PRELOAD"), library]))
