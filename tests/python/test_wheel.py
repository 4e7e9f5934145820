"""Packaging, the slow way a user meets it: an sdist of the working tree, then a
wheel built from that sdist by pip. About 15 s per interpreter; deselect with
-m 'not slow'."""

import importlib.metadata
import subprocess
import sys
import sysconfig
import tarfile
import zipfile
from pathlib import Path

import pytest

# By distribution, not by import: a build/ folder in the working directory
# would import as a namespace package.
try:
    importlib.metadata.version("build")
except importlib.metadata.PackageNotFoundError:
    pytest.skip("the 'build' package is not installed (scripts/setup installs it)", allow_module_level=True)

REPO = Path(__file__).parents[2]
ABI = "cp{}{}{}".format(*sys.version_info[:2], "t" if sysconfig.get_config_var("Py_GIL_DISABLED") else "")


@pytest.mark.slow
def test_sdist_builds_a_wheel_tagged_for_this_interpreter(tmp_path):
    subprocess.run([sys.executable, "-m", "build", "--sdist", "--outdir", str(tmp_path), str(REPO)],
                   check=True, capture_output=True, timeout=300)
    (sdist,) = tmp_path.glob("tavric-*.tar.gz")
    with tarfile.open(sdist) as archive:
        names = {name.split("/", 1)[1] for name in archive.getnames() if "/" in name}
    assert {"CMakeLists.txt", "pyproject.toml", "README.md", "src/lib/module.cpp",
            "python/tavric/_tavric.pyi"} <= names
    assert not any(name.startswith((".venv", "build/", "dist/")) for name in names)

    subprocess.run([sys.executable, "-m", "pip", "wheel", "--no-deps", "-q", "-w", str(tmp_path), str(sdist)],
                   check=True, capture_output=True, timeout=300)
    (wheel,) = tmp_path.glob("tavric-*.whl")
    name, version, python, abi, platform = wheel.stem.split("-")
    assert (python, abi) == (ABI.rstrip("t"), ABI), wheel.name
    assert platform == sysconfig.get_platform().replace("-", "_").replace(".", "_")

    with zipfile.ZipFile(wheel) as archive:
        files = set(archive.namelist())
        metadata = archive.read(f"{name}-{version}.dist-info/METADATA").decode()
    extension = "tavric/_tavric" + sysconfig.get_config_var("EXT_SUFFIX")
    assert {extension, "tavric/__init__.py", "tavric/__main__.py", "tavric/_cli.py",
            "tavric/_tavric.pyi", "tavric/py.typed"} <= files
    assert "License-Expression: Apache-2.0" in metadata
    assert "Classifier: Programming Language :: Python :: Free Threading :: 3 - Stable" in metadata
