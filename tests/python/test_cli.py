"""python -m tavric, run as a user would: in a child process, the password
piped in or typed at a terminal."""

import os
import re
import select
import subprocess
import sys

import pytest

import tavric

PROG = "python -m tavric"


def cli(*args, stdin=b""):
    return subprocess.run(
        [sys.executable, "-m", "tavric", *args], input=stdin, capture_output=True, timeout=120
    )


def one_error_line(result):
    """The stderr of a refused input: exit status 2 and a single error line."""
    assert result.returncode == 2, result
    lines = result.stderr.decode().splitlines()
    assert len(lines) == 1 and lines[0].startswith(f"{PROG}: error: "), lines
    return lines[0].removeprefix(f"{PROG}: error: ")


@pytest.mark.parametrize(
    "stdin, password",
    [
        (b"hunter2\n", b"hunter2"),
        (b"hunter2", b"hunter2"),
        (b"hunter2\r\n", b"hunter2"),
        (b"two words \nsecond line\n", b"two words "),
        (b"\n", b""),
        ("pässwörd\n".encode(), "pässwörd".encode()),
        (b"\xff\xfe raw\n", b"\xff\xfe raw"),
    ],
)
def test_hash_reads_one_line_of_piped_input(stdin, password):
    result = cli("hash", "--rounds", "4", stdin=stdin)
    assert result.returncode == 0 and result.stderr == b""
    stored = result.stdout.removesuffix(b"\n")
    assert tavric.checkpw(password, stored)


@pytest.mark.parametrize(
    "options, start",
    [([], b"$2b$12$"), (["--rounds", "4"], b"$2b$04$"), (["--prefix", "2a", "--rounds", "5"], b"$2a$05$")],
)
def test_hash_and_gensalt_options(options, start):
    hashed = cli("hash", *options, stdin=b"pw\n")
    setting = cli("gensalt", *options)
    assert hashed.returncode == setting.returncode == 0
    assert re.fullmatch(re.escape(start) + rb"[./A-Za-z0-9]{53}\n", hashed.stdout)
    assert re.fullmatch(re.escape(start) + rb"[./A-Za-z0-9]{22}\n", setting.stdout)
    assert tavric.checkpw(b"pw", hashed.stdout.strip())


STORED = tavric.hashpw(b"s3cret", tavric.gensalt(4))


@pytest.mark.parametrize("label", [b"2b", b"2a", b"2y", b"2x"])
@pytest.mark.parametrize("password, status, word", [(b"s3cret\n", 0, b"match\n"), (b"s3cret!\n", 1, b"no match\n")])
def test_check_exit_status(label, password, status, word):
    stored = b"$" + label + STORED[3:]
    result = cli("check", stored.decode(), stdin=password)
    assert (result.returncode, result.stdout, result.stderr) == (status, word, b"")


@pytest.mark.parametrize(
    "args, stdin, message",
    [
        (["check", "$2b$04$tooshort"], b"pw\n", "HASH must be 60 characters long, not 15"),
        (["check", STORED[:29].decode()], b"pw\n", "HASH must be 60 characters long, not 29"),
        (["check", "$2q$" + STORED[4:].decode()], b"pw\n", "HASH is not a bcrypt hash"),
        (["check", "$2b$03$" + STORED[7:].decode()], b"pw\n", "HASH is not a bcrypt hash"),
        (["check", STORED.decode()], b"x" * 73 + b"\n", "password is longer than 72 bytes"),
        (["hash", "--rounds", "4"], b"x" * 73 + b"\n", "password is longer than 72 bytes"),
        (["hash", "--rounds", "4"], b"", "no password on standard input"),
        (["kdf", "--salt", "salt"], b"\n", "the password and the salt must not be empty"),
        (["kdf", "--salt", ""], b"pw\n", "the password and the salt must not be empty"),
    ],
)
def test_bad_input_is_one_error_line(args, stdin, message):
    result = cli(*args, stdin=stdin)
    assert one_error_line(result).startswith(message)
    assert result.stdout == b""


def test_long_password_passes_at_72_bytes():
    result = cli("hash", "--rounds", "4", stdin=b"x" * 72 + b"\n")
    assert result.returncode == 0 and tavric.checkpw(b"x" * 72, result.stdout.strip())


@pytest.mark.parametrize(
    "args, complaint",
    [
        (["hash", "--rounds", "3"], b"argument --rounds: must be 4 to 31, not 3"),
        (["gensalt", "--rounds", "32"], b"argument --rounds: must be 4 to 31, not 32"),
        (["gensalt", "--rounds", "twelve"], b"argument --rounds: not a whole number: 'twelve'"),
        (["hash", "--prefix", "2y"], b"argument --prefix: invalid choice: '2y'"),
        (["kdf"], b"one of the arguments --salt --salt-hex is required"),
        (["kdf", "--salt", "a", "--salt-hex", "61"], b"argument --salt-hex: not allowed with argument --salt"),
        (["kdf", "--salt-hex", "xyz"], b"argument --salt-hex: not hexadecimal: 'xyz'"),
        (["kdf", "--salt", "s", "--length", "513"], b"argument --length: must be 1 to 512, not 513"),
        (["kdf", "--salt", "s", "--rounds", "0"], b"argument --rounds: must be 1 to 4294967295, not 0"),
        (["calibrate"], b"the following arguments are required: --target-ms"),
        (["calibrate", "--target-ms", "-5"], b"argument --target-ms: must be more than 0, not -5"),
        (["check"], b"the following arguments are required: HASH"),
        ([], b"the following arguments are required: COMMAND"),
    ],
)
def test_usage_errors_exit_2(args, complaint):
    result = cli(*args, stdin=b"pw\n")
    assert result.returncode == 2 and result.stdout == b""
    assert result.stderr.startswith(b"usage: " + PROG.encode())
    assert complaint in result.stderr


@pytest.mark.parametrize("command", ["hash", "check", "gensalt", "kdf", "calibrate"])
def test_help_for_each_command(command):
    result = cli(command, "--help")
    assert result.returncode == 0
    assert result.stdout.startswith(f"usage: {PROG} {command} ".encode())


@pytest.mark.parametrize(
    "options, salt, length, rounds",
    [
        (["--salt", "NaCl"], b"NaCl", 32, 100),
        (["--salt-hex", "4e61436c"], b"NaCl", 32, 100),
        (["--salt", "sält", "--length", "512", "--rounds", "50"], "sält".encode(), 512, 50),
        (["--salt-hex", "00ff", "--length", "1", "--rounds", "60"], b"\x00\xff", 1, 60),
    ],
)
def test_kdf_prints_the_key_in_hex(options, salt, length, rounds):
    result = cli("kdf", *options, stdin=b"passphrase\n")
    assert result.returncode == 0 and result.stderr == b""
    assert result.stdout == tavric.kdf(b"passphrase", salt, length, rounds).hex().encode() + b"\n"


def test_kdf_warns_on_few_rounds_and_still_answers():
    result = cli("kdf", "--salt", "s", "--rounds", "10", stdin=b"pw\n")
    assert result.returncode == 0
    assert result.stdout == tavric.kdf(b"pw", b"s", 32, 10, ignore_few_rounds=True).hex().encode() + b"\n"
    warning = result.stderr.decode().splitlines()
    assert len(warning) == 1 and warning[0].startswith(f"{PROG}: warning: ") and "10 round" in warning[0]


LINE = re.compile(r"cost +(\d+): +(\d+\.\d) ms \((measured|estimated)\)")


def calibration(*args):
    result = cli("calibrate", *args)
    lines = result.stderr.decode().splitlines()
    assert lines[0].startswith("timing one hash per cost"), lines
    rows = [LINE.fullmatch(line) for line in lines[1:]]
    assert all(rows), lines
    return result, [(int(m[1]), float(m[2]), m[3]) for m in rows]


@pytest.mark.parametrize(
    "target, limit",
    [
        ("4", "2000"),  # measures a few cheap costs
        ("60000", "3"),  # a minute per hash: timed up to 3 ms, estimated beyond
    ],
)
def test_calibrate_recommends_the_first_cost_reaching_the_target(target, limit):
    result, rows = calibration("--target-ms", target, "--measure-limit-ms", limit)
    assert result.returncode == 0
    recommended = int(result.stdout)
    costs = [cost for cost, _, _ in rows]
    assert costs == list(range(4, recommended + 1))
    # Consistent with its own figures: the last reaches the target, none before
    # it (0.05 ms of slack: a time just under the target prints as the target).
    assert rows[-1][1] >= float(target) - 0.05
    assert all(took < float(target) + 0.05 for _, took, _ in rows[:-1])
    assert rows[0][2] == "measured"
    # Timed while the doubled previous time stays within the limit, doubled
    # beyond it (0.2 ms of slack for the printed rounding).
    for (_, before, _), (_, took, how) in zip(rows, rows[1:]):
        if how == "estimated":
            assert 2 * before > float(limit) - 0.2 and abs(took - 2 * before) <= 0.2
        else:
            assert 2 * before <= float(limit) + 0.2


def test_calibrate_refuses_a_target_no_cost_reaches():
    result = cli("calibrate", "--target-ms", "1e15", "--measure-limit-ms", "3")
    lines = result.stderr.decode().splitlines()
    assert result.returncode == 2 and result.stdout == b""
    assert [int(LINE.fullmatch(line)[1]) for line in lines[1:-1]] == list(range(4, 32))
    assert lines[-1] == f"{PROG}: error: no cost up to 31 takes 1e+15 ms on this machine"


@pytest.mark.skipif(not hasattr(os, "openpty"), reason="needs a pseudo-terminal")
def test_typed_password_is_not_echoed():
    # The child gets the pseudo-terminal as its controlling terminal, so
    # getpass takes the terminal path (echo off) rather than the pipe path.
    launcher = (
        "import fcntl, os, sys, termios; os.setsid(); fcntl.ioctl(0, termios.TIOCSCTTY, 0); "
        "os.execv(sys.executable, [sys.executable, '-m', 'tavric', 'hash', '--rounds', '4'])"
    )
    controller, terminal = os.openpty()
    child = subprocess.Popen([sys.executable, "-c", launcher], stdin=terminal, stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE)
    os.close(terminal)
    screen = b""
    try:
        while b"Password: " not in screen:  # typing before the prompt would be echoed
            assert select.select([controller], [], [], 30)[0], screen
            screen += os.read(controller, 1024)
        os.write(controller, "tïped secret\n".encode())
        out, err = child.communicate(timeout=60)
        try:
            while select.select([controller], [], [], 0.2)[0]:
                screen += os.read(controller, 1024)
        except OSError:  # EIO once the child has gone and the terminal closed
            pass
    finally:
        os.close(controller)
        if child.poll() is None:
            child.kill()
    assert child.returncode == 0, err
    assert b"secret" not in screen
    assert tavric.checkpw("tïped secret".encode(), out.strip())
