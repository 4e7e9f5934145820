"""An application that embeds the interpreter, finalises it and starts a new
one: the module's cached objects belong to the first and must not be handed
to the second."""

import os
import shutil
import subprocess
import sys
import sysconfig

import pytest

PROGRAM = r"""
#include <Python.h>

static const char *first =
    "import tavric\n"
    "print('first', tavric.checkpw(b'pw', tavric.hashpw(b'pw', tavric.gensalt(4))))\n";
static const char *second =
    "try:\n"
    "    import tavric\n"
    "    print('second imported')\n"
    "except ImportError as error:\n"
    "    print('second ImportError', error)\n";

int main(void)
{
    Py_Initialize();
    if (PyRun_SimpleString(first) != 0) return 1;
    if (Py_FinalizeEx() < 0) return 2;
    Py_Initialize();
    if (PyRun_SimpleString(second) != 0) return 3;
    return Py_FinalizeEx() < 0 ? 4 : 0;
}
"""


def config_script():
    version = f"{sys.version_info.major}.{sys.version_info.minor}{sys.abiflags}"
    script = os.path.join(sys.base_prefix, "bin", f"python{version}-config")
    return script if os.path.exists(script) else None


@pytest.fixture(scope="module")
def embedder(tmp_path_factory):
    script = config_script()
    compiler = shutil.which("cc") or shutil.which("gcc")
    if script is None or compiler is None:
        pytest.skip("needs python-config and a C compiler")
    flags = subprocess.run([script, "--cflags", "--ldflags", "--embed"], capture_output=True, text=True, check=True)
    folder = tmp_path_factory.mktemp("embed")
    source = folder / "embed.c"
    source.write_text(PROGRAM)
    binary = folder / "embed"
    libdir = sysconfig.get_config_var("LIBDIR")
    command = [compiler, str(source), "-o", str(binary), *flags.stdout.split(), f"-Wl,-rpath,{libdir}"]
    command += sysconfig.get_config_var("LINKFORSHARED").split()
    subprocess.run(command, check=True, capture_output=True)
    return binary


def test_new_interpreter_after_finalisation_is_refused(embedder):
    paths = sysconfig.get_paths()
    env = dict(os.environ, PYTHONPATH=os.pathsep.join({paths["purelib"], paths["platlib"]}))
    result = subprocess.run([embedder], capture_output=True, text=True, env=env, timeout=60)
    assert result.returncode == 0, result.stderr
    lines = result.stdout.splitlines()
    assert lines[0] == "first True"
    assert lines[1].startswith("second ImportError tavric cannot be imported again")
