"""Shared fixtures of the Python module's tests: the shared test pictures and the command line."""

import json
import os
import subprocess

import pytest

CORPUS = os.path.abspath(os.environ.get(
    "PELLVANE_CORPUS_DIR", os.path.join(os.path.dirname(__file__), "..", "..", "..", "shared", "corpus"))
)


def corpus_files():
    """Every file of the shared corpus, pictures and the rest, in sorted order."""
    found = []
    for root, _dirs, files in os.walk(CORPUS):
        found.extend(os.path.join(root, name) for name in files)
    return sorted(found)


def command_line_objects(paths):
    """The objects `pellvane-validate --json` prints for `paths`, in order."""
    exe = os.environ["PELLVANE_VALIDATE_EXE"]
    run = subprocess.run([exe, "--json", "--jobs", "2", *paths], capture_output=True, check=False)
    assert run.returncode in (0, 1), run.stderr
    return [json.loads(line) for line in run.stdout.decode("utf-8").splitlines()]


@pytest.fixture(scope="session")
def corpus():
    files = corpus_files()
    assert len(files) > 100, "the shared corpus is missing"
    return files
