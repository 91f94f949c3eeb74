"""pellvane: the same examination as the command line's --json, for Python."""

import os
import pathlib
import sys
import threading

import pytest

import pellvane
from conftest import CORPUS, command_line_objects

SAMPLE = os.path.join(CORPUS, "camera", "Canon EOS 5D.jpg")
TIFF = os.path.join(CORPUS, "tiff", sorted(os.listdir(os.path.join(CORPUS, "tiff")))[0])


@pytest.fixture(scope="module")
def serial(corpus):
    return [pellvane.analyze(path) for path in corpus]


def test_analyze_equals_the_command_line_for_every_corpus_file(corpus, serial):
    expected = command_line_objects(corpus)
    assert len(expected) == len(corpus)
    for path, mine, theirs in zip(corpus, serial, expected):
        assert mine == theirs, path
    # The corpus has files of every kind: analysed, refused, and parsed with a damaged structure.
    assert {result["status"] for result in serial} == {"analysed", "refused"}
    assert any(result["openResult"] not in (0, 6) for result in serial if result["status"] == "analysed")


def test_analyze_bytes_equals_analyze(corpus, serial):
    for path, expected in zip(corpus, serial):
        with open(path, "rb") as file:
            data = file.read()
        assert pellvane.analyze_bytes(data, path) == expected, path
    # Any bytes-like object does.
    data = pathlib.Path(SAMPLE).read_bytes()
    expected = serial[corpus.index(SAMPLE)]
    assert pellvane.analyze_bytes(bytearray(data), SAMPLE) == expected
    assert pellvane.analyze_bytes(memoryview(data), SAMPLE) == expected


def test_analyze_takes_path_objects(serial, corpus):
    assert pellvane.analyze(pathlib.Path(SAMPLE)) == serial[corpus.index(SAMPLE)]


def test_analyze_many_keeps_the_order_of_the_paths(corpus, serial):
    # Reversed, so that an answer in the order the files finish or the order of names fails.
    paths = list(reversed(corpus))
    assert list(pellvane.analyze_many(paths, jobs=3)) == list(reversed(serial))
    assert list(pellvane.analyze_many(iter(paths[:5]))) == list(reversed(serial))[:5]
    assert list(pellvane.analyze_many([])) == []


def test_analyze_many_can_be_left_early(corpus):
    results = pellvane.analyze_many(corpus, jobs=2)
    first = next(results)
    assert first["file"] == corpus[0]
    results.close()
    assert list(results) == []
    # An iterator dropped half way stops its workers too.
    results = pellvane.analyze_many(corpus, jobs=2)
    next(results)
    del results


REFUSALS = [
    # (bytes, error, openResult)
    (b"", "Unsupported file format!", 2),
    (b"plain text, no picture at all", "Unsupported file format!", 2),
    (pathlib.Path(TIFF).read_bytes(), "Unsupported image format!", 0),
    (pathlib.Path(SAMPLE).read_bytes()[:2000], "Unsupported file format!", 0),
]


@pytest.mark.parametrize("data,error,open_result", REFUSALS, ids=["empty", "text", "tiff", "truncated"])
def test_a_bad_file_gives_its_refusal_record(data, error, open_result):
    result = pellvane.analyze_bytes(data, "upload")
    assert result["file"] == "upload"
    assert result["status"] == "refused"
    assert result["error"] == error
    assert result["class"] is None
    assert result["rows"] == []
    assert result["openResult"] == open_result


def test_no_temporary_file_outlives_a_call(tmp_path, monkeypatch):
    monkeypatch.setenv("TEMP", str(tmp_path))
    monkeypatch.setenv("TMPDIR", str(tmp_path))
    # A picture with MPF images, which the codec extracts to temporary files.
    mpf = os.path.join(CORPUS, "camera", "Panasonic Lumix DMC-LX7.jpg")
    assert pellvane.analyze(mpf)["codec"]["mpfImageCount"] > 0
    pellvane.analyze_bytes(pathlib.Path(mpf).read_bytes(), "mpf")
    pellvane.analyze_bytes(b"not a picture", "bad")
    list(pellvane.analyze_many([mpf, SAMPLE], jobs=2))
    assert list(tmp_path.iterdir()) == []


WRONG_ARGUMENTS = [
    (lambda: pellvane.analyze(3), TypeError),
    (lambda: pellvane.analyze(None), TypeError),
    (lambda: pellvane.analyze(os.path.join(CORPUS, "no such picture.jpg")), FileNotFoundError),
    (lambda: pellvane.analyze(CORPUS), IsADirectoryError),
    (lambda: pellvane.analyze_bytes("text, not bytes"), TypeError),
    (lambda: pellvane.analyze_bytes(b"", 3), TypeError),
    (lambda: pellvane.analyze_many([SAMPLE, 3]), TypeError),
    (lambda: pellvane.analyze_many(SAMPLE.encode()), TypeError),
    (lambda: pellvane.analyze_many([SAMPLE, SAMPLE + ".missing"]), FileNotFoundError),
    (lambda: pellvane.analyze_many([SAMPLE], jobs=0), ValueError),
]


@pytest.mark.parametrize("call,error", WRONG_ARGUMENTS)
def test_wrong_arguments_raise(call, error):
    with pytest.raises(error):
        call()


def test_a_python_thread_runs_while_a_file_is_analysed():
    """With a switch interval far longer than an analysis, another thread gets the GIL between
    the two reads of its counter only when analyze lets go of it."""
    counter = [0]
    stop = threading.Event()

    def spin():
        while not stop.is_set():
            counter[0] += 1

    old_interval = sys.getswitchinterval()
    sys.setswitchinterval(1.0)
    spinner = threading.Thread(target=spin)
    spinner.start()
    try:
        progress = []
        for _ in range(3):
            before = counter[0]
            pellvane.analyze(SAMPLE)
            progress.append(counter[0] - before)
    finally:
        stop.set()
        sys.setswitchinterval(old_interval)
        spinner.join()
    assert max(progress) > 0, progress


def test_the_module_describes_itself():
    assert pellvane.__version__.count(".") == 2
    for function in (pellvane.analyze, pellvane.analyze_bytes, pellvane.analyze_many, pellvane.jpeg_files):
        assert function.__doc__


def test_jpeg_files_lists_what_the_command_line_walks(corpus):
    listed = pellvane.jpeg_files(CORPUS)
    assert listed == [path for path in corpus if path.lower().endswith((".jpg", ".jpeg"))]
    by_cli = [result["file"] for result in command_line_objects([CORPUS])]
    assert listed == by_cli


def test_analyze_bytes_reads_the_extension_of_its_name():
    # The codec locates a TIFF file's strip data only when the file is named as a TIFF file.
    data = pathlib.Path(TIFF).read_bytes()
    assert pellvane.analyze_bytes(data, "scan.tiff")["codec"]["streamSize"] > 0
    assert pellvane.analyze_bytes(data, "scan")["codec"]["streamSize"] == 0
