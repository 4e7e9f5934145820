"""Runs the command line: python -m tavric --help."""

import sys

from ._cli import main

if __name__ == "__main__":
    sys.exit(main())
