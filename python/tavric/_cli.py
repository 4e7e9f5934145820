"""The command line behind `python -m tavric`."""

from __future__ import annotations

import argparse
import getpass
import os
import sys
import time
import warnings
from collections.abc import Callable, Sequence

from ._tavric import checkpw, gensalt, hashpw, kdf

PROG = "python -m tavric"
HASH_LENGTH = 60
HIGHEST_COST = 31

# The module's messages speak to Python callers; these speak to a shell user.
_MESSAGES = {
    "Invalid salt": "HASH is not a bcrypt hash: expected $2a$, $2b$, $2x$ or $2y$, "
    "a cost of 04 to 31, '$' and 53 radix-64 characters",
    "password cannot be longer than 72 bytes, truncate manually if necessary (e.g. my_password[:72])":
    "password is longer than 72 bytes",
    "password and salt must not be empty": "the password and the salt must not be empty",
}


class InputError(Exception):
    """Bad input met after parsing: reported in one line, exit status 2."""


def read_password() -> bytes:
    """A typed password without echo, or the first line of piped input as raw bytes."""
    if sys.stdin.isatty():
        try:
            return getpass.getpass("Password: ").encode()
        except EOFError:
            raise InputError("no password given") from None
    line = sys.stdin.buffer.readline()
    if not line:
        # Empty input is more likely a mistake than a wish to hash "".
        raise InputError("no password on standard input")
    return line.removesuffix(b"\n").removesuffix(b"\r")


def _int_in(low: int, high: int) -> Callable[[str], int]:
    def parse(text: str) -> int:
        try:
            value = int(text)
        except ValueError:
            raise argparse.ArgumentTypeError(f"not a whole number: {text!r}") from None
        if not low <= value <= high:
            raise argparse.ArgumentTypeError(f"must be {low} to {high}, not {value}")
        return value

    return parse


def _hex(text: str) -> bytes:
    try:
        return bytes.fromhex(text)
    except ValueError:
        raise argparse.ArgumentTypeError(f"not hexadecimal: {text!r}") from None


def _positive(text: str) -> float:
    try:
        value = float(text)
    except ValueError:
        raise argparse.ArgumentTypeError(f"not a number: {text!r}") from None
    if not value > 0:
        raise argparse.ArgumentTypeError(f"must be more than 0, not {text}")
    return value


_cost = _int_in(4, HIGHEST_COST)


def run_hash(args: argparse.Namespace) -> int:
    password = read_password()
    print(hashpw(password, gensalt(args.rounds, args.prefix.encode())).decode())
    return 0


def run_check(args: argparse.Namespace) -> int:
    hashed = os.fsencode(args.hash)
    # Checked before asking for the password; a setting string or a cut-off
    # hash could never match, so it is an error rather than a plain "no".
    if len(hashed) != HASH_LENGTH:
        raise InputError(f"HASH must be {HASH_LENGTH} characters long, not {len(hashed)}")
    matches = checkpw(read_password(), hashed)
    print("match" if matches else "no match")
    return 0 if matches else 1


def run_gensalt(args: argparse.Namespace) -> int:
    print(gensalt(args.rounds, args.prefix.encode()).decode())
    return 0


def run_kdf(args: argparse.Namespace) -> int:
    salt = args.salt_hex if args.salt is None else args.salt.encode()
    password = read_password()
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        key = kdf(password, salt, args.length, args.rounds)
    for warning in caught:
        print(f"{PROG}: warning: {str(warning.message).removeprefix('Warning: ')}", file=sys.stderr)
    print(key.hex())
    return 0


def time_one_hash(cost: int) -> float:
    """Wall time of one hash at this cost, in milliseconds."""
    salt = gensalt(cost)
    start = time.perf_counter()
    hashpw(b"calibration", salt)
    return (time.perf_counter() - start) * 1000


def calibrate(target_ms: float, measure_limit_ms: float) -> int:
    """The lowest cost whose hash takes at least target_ms.

    Each cost doubles the work, so once the next hash is expected to take
    longer than measure_limit_ms, later costs are estimated by doubling
    instead of being timed."""
    print(f"timing one hash per cost, up to the first that takes {target_ms:g} ms", file=sys.stderr)
    expected = 0.0
    for cost in range(4, HIGHEST_COST + 1):
        if expected > measure_limit_ms:
            took, how = expected, "estimated"
        else:
            took, how = time_one_hash(cost), "measured"
        print(f"cost {cost:2}: {took:12.1f} ms ({how})", file=sys.stderr)
        if took >= target_ms:
            return cost
        expected = 2 * took
    raise InputError(f"no cost up to {HIGHEST_COST} takes {target_ms:g} ms on this machine")


def run_calibrate(args: argparse.Namespace) -> int:
    print(calibrate(args.target_ms, args.measure_limit_ms))
    return 0


def build_parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(
        prog=PROG,
        description="bcrypt password hashing and bcrypt_pbkdf key derivation. "
        "Passwords are read from the terminal without echo, "
        "or as the first line of standard input when it is piped.",
    )
    commands = parser.add_subparsers(dest="command", required=True, metavar="COMMAND")

    def add(name: str, run: Callable[[argparse.Namespace], int], text: str) -> argparse.ArgumentParser:
        command = commands.add_parser(name, help=text, description=text)
        command.set_defaults(run=run)
        return command

    def add_cost_and_prefix(command: argparse.ArgumentParser) -> None:
        command.add_argument("--rounds", type=_cost, default=12, metavar="COST",
                             help="cost, 4 to 31: each step doubles the time (default 12)")
        command.add_argument("--prefix", choices=["2a", "2b"], default="2b",
                             help="revision label of the hash (default 2b)")

    add_cost_and_prefix(add("hash", run_hash, "hash a password under a fresh salt and print the hash"))

    check = add("check", run_check, "check a password against HASH: exit status 0 if it matches, 1 if not")
    check.add_argument("hash", metavar="HASH", help="a stored hash: $2a$, $2b$, $2x$ or $2y$")

    add_cost_and_prefix(add("gensalt", run_gensalt, "print a fresh setting string (salt) for hashing"))

    derive = add("kdf", run_kdf, "derive a key from a password with bcrypt_pbkdf and print it in hexadecimal")
    salt = derive.add_mutually_exclusive_group(required=True)
    salt.add_argument("--salt", help="salt as text (encoded as UTF-8)")
    salt.add_argument("--salt-hex", type=_hex, metavar="HEX", help="salt as hexadecimal bytes")
    derive.add_argument("--length", type=_int_in(1, 512), default=32, metavar="BYTES",
                        help="key length in bytes, 1 to 512 (default 32)")
    derive.add_argument("--rounds", type=_int_in(1, 2**32 - 1), default=100,
                        help="rounds; fewer than 50 is warned about (default 100)")

    measure = add("calibrate", run_calibrate,
                  "time hashing on this machine and print the lowest cost that takes at least --target-ms")
    measure.add_argument("--target-ms", type=_positive, required=True, metavar="MS",
                         help="the time one hash should take at least, in milliseconds")
    measure.add_argument("--measure-limit-ms", type=_positive, default=2000.0, metavar="MS",
                         help="costs expected to take longer than this are estimated by doubling, "
                         "not timed (default 2000)")
    return parser


def main(argv: Sequence[str] | None = None) -> int:
    args = build_parser().parse_args(argv)
    try:
        return int(args.run(args))
    except ValueError as error:
        text = str(error)
        message = _MESSAGES.get(text, text)
    except InputError as error:
        message = str(error)
    except KeyboardInterrupt:
        print(file=sys.stderr)
        return 130
    print(f"{PROG}: error: {message}", file=sys.stderr)
    return 2
