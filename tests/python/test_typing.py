"""The stubs: mypy --strict accepts ordinary use, rejects misuse line by line,
and stubtest finds the stubs in agreement with the built module."""

import re
import subprocess
import sys
from pathlib import Path

import pytest

pytest.importorskip(
    "mypy", exc_type=ImportError,
    reason="mypy is not importable here (scripts/setup installs mypy==1.18.2 where it can)",
)

TYPING = Path(__file__).parents[1] / "typing"


def mypy(source, cwd):
    # No incremental cache: a result left from another build must not answer.
    return subprocess.run(
        [sys.executable, "-m", "mypy", "--strict", "--no-incremental", str(source)],
        capture_output=True, text=True, cwd=cwd, timeout=300,
    )


def test_usage_passes_strict_and_runs(tmp_path):
    result = mypy(TYPING / "usage.py", cwd=tmp_path)
    assert result.returncode == 0, result.stdout + result.stderr
    assert "Success: no issues found in 1 source file" in result.stdout
    # The same file at run time, so the stubs promise nothing the module refuses.
    subprocess.run([sys.executable, str(TYPING / "usage.py")], check=True, timeout=120)


def test_misuse_is_rejected_on_each_marked_line(tmp_path):
    source = TYPING / "misuse.py"
    expected = {
        (number, match.group(1))
        for number, line in enumerate(source.read_text().splitlines(), start=1)
        if (match := re.search(r"# E: ([a-z-]+)$", line))
    }
    result = mypy(source, cwd=tmp_path)
    assert result.returncode == 1, result.stdout + result.stderr
    errors = re.findall(r"^[^:\n]+:(\d+): error: .*\[([a-z-]+)\]$", result.stdout, re.MULTILINE)
    reported = {(int(number), code) for number, code in errors}
    assert expected and reported == expected, result.stdout


def test_stubs_agree_with_the_module(tmp_path):
    result = subprocess.run(
        [sys.executable, "-m", "mypy.stubtest", "tavric._tavric"],
        capture_output=True, text=True, cwd=tmp_path, timeout=300,
    )
    assert result.returncode == 0, result.stdout + result.stderr
