"""The bundled examples and the itemdif program the package is compared with."""

import os
import subprocess
from pathlib import Path

import pandas as pd
import pytest

import itemdif

ROOT = Path(os.environ.get("ITEMDIF_SOURCE_DIR", Path(__file__).resolve().parents[2]))


def example_path(name):
    return ROOT / "examples" / name


def read_example(name):
    return pd.read_csv(example_path(name))


def program():
    """The program built beside the package (ITEMDIF_BINARY, set by the ctest test)."""
    binary = os.environ.get("ITEMDIF_BINARY", "")
    if not binary or not Path(binary).is_file():
        pytest.skip("ITEMDIF_BINARY does not name the itemdif program (ctest sets it)")
    return binary


def run_program(name, arguments, out):
    """`itemdif analyze` on an example (or a file given by its full path) with --out: its
    summary."""
    path = name if Path(name).is_absolute() else example_path(name)
    done = subprocess.run([program(), "analyze", str(path), *arguments,
                           "--out", str(out)], capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    return done.stdout


def dif(frame, group, focal, **options):
    """dif() on at most two threads, as a shared machine allows."""
    options.setdefault("threads", 2)
    return itemdif.dif(frame, group, focal, **options)
