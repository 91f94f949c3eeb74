"""pellvane.dask: the corpus on a local cluster of two worker processes, also when one dies."""

import functools
import os
import signal

import pandas as pd
import pytest
from dask.distributed import Client, LocalCluster

import pellvane
import pellvane.dask

# Bounds every wait on the cluster, so that a fault fails the test instead of hanging it.
TIMEOUT_SECONDS = 300


@pytest.fixture(scope="module")
def serial(corpus):
    return list(pellvane.analyze_many(corpus, jobs=1))


@pytest.fixture(scope="module")
def client():
    with LocalCluster(
        n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None, silence_logs=40
    ) as cluster, Client(cluster, timeout=TIMEOUT_SECONDS) as client:
        yield client


def plain(value):
    """A nullable integer of the dataframe as a Python int or None."""
    return None if pd.isna(value) else int(value)


def analyze_killing_the_first_worker(marker, path):
    """pellvane.analyze, but the first call of the whole run ends its own worker process first.
    The marker file, created exclusively, makes it happen once and records the process."""
    try:
        descriptor = os.open(marker, os.O_CREAT | os.O_EXCL | os.O_WRONLY)
    except FileExistsError:
        return pellvane.analyze(path)
    os.write(descriptor, str(os.getpid()).encode())
    os.close(descriptor)
    os.kill(os.getpid(), signal.SIGKILL)
    raise AssertionError("the worker outlived its own kill")


def test_the_cluster_answers_as_the_serial_run_in_input_order(client, corpus, serial):
    bag = pellvane.dask.analyze(corpus, npartitions=8)
    assert bag.npartitions == 8
    results = client.compute(bag).result(timeout=TIMEOUT_SECONDS)
    assert [result["file"] for result in results] == corpus
    assert results == serial


def test_the_default_is_four_tasks_per_worker_thread_and_no_empty_one(client, corpus):
    # The fixture's cluster has two workers of one thread each.
    assert pellvane.dask.analyze(corpus).npartitions == 8
    assert pellvane.dask.analyze(corpus[:3]).npartitions == 3


def test_a_killed_worker_loses_no_result(client, corpus, serial, tmp_path):
    marker = tmp_path / "killed"
    analyze_file = functools.partial(analyze_killing_the_first_worker, str(marker))
    bag = pellvane.dask.analyze(corpus, npartitions=8, analyze_file=analyze_file)
    results = client.compute(bag).result(timeout=TIMEOUT_SECONDS)
    # A worker did die: its process is gone.
    killed = int(marker.read_text())
    with pytest.raises(ProcessLookupError):
        os.kill(killed, 0)
    assert results == serial


def test_the_dataframe_has_one_row_per_file(client, corpus, serial):
    frame = client.compute(pellvane.dask.to_dataframe(pellvane.dask.analyze(corpus, npartitions=4)))
    frame = frame.result(timeout=TIMEOUT_SECONDS)
    assert list(frame["file"]) == corpus
    assert list(frame["status"]) == [result["status"] for result in serial]
    assert [plain(value) for value in frame["class"]] == [result["class"] for result in serial]
    assert list(frame["software"]) == [result["software"] for result in serial]
    # Each test's column holds the level of that test's row, or nothing where it added none.
    for index, result in enumerate(serial):
        levels = {row["key"]: row["status"] for row in result["rows"]}
        for key, column in pellvane.dask.TEST_COLUMNS.items():
            assert plain(frame[column].iloc[index]) == levels.get(key), (result["file"], column)
