"""Batch analysis on Dask: the files of a collection spread over the workers of a cluster.

    >>> from dask.distributed import Client
    >>> import pellvane, pellvane.dask
    >>> client = Client("tcp://scheduler:8786")          # or Client() for a local cluster
    >>> bag = pellvane.dask.analyze(pellvane.jpeg_files("/data/pictures"), npartitions=64)
    >>> frame = pellvane.dask.to_dataframe(bag).compute()  # one row per file

Every result is the dict ``pellvane.analyze`` answers, in the order of the paths. A task that
is lost with its worker is run again by Dask on another one, so a worker that dies costs
time, never a result.
"""

import os
from typing import Any, Callable, Dict, Iterable, List, Optional, Sequence

import dask
import dask.bag as db

import pellvane

# pandas and dask.dataframe are imported by the functions that build frames, not here: a worker
# that only analyses files never needs them, and importing them costs each worker process
# a third of a second and some 40 MiB.

# The tests' row keys and the column each gets, in the order the analysis runs them.
TEST_COLUMNS: Dict[str, str] = {
    "Window.Main.Results.ParserError": "Unknown Data Structure",
    "Window.Main.Results.ComprSignature": "Compression Signature",
    "Window.Main.Results.MakerNote": "MakerNote Data",
    "Window.Main.Results.EXIF": "EXIF Format",
    "Window.Main.Results.ImageSize": "Image Size",
    "Window.Main.Results.Software": "Software Data",
    "Window.Main.Results.FPXR": "FlashPix Ready Data",
    "Window.Main.Results.MPF": "MPF Data",
    "Window.Main.Results.AROT": "Apple AROT Data",
    "Window.Main.Results.EmbeddedImageFeatures": "Embedded Images",
    "Window.Main.Results.Histogram": "Histogram",
    "Window.Main.Results.ExifIntConsistency": "EXIF Internal Consistency",
    "Window.Main.Results.ExifExtConsistency": "EXIF External Consistency",
    "Window.Main.Results.AspectRatio": "Aspect Ratio",
    "Window.Main.Results.Pelvn": "Pellvane Legacy Data Detection",
}

# Optional keys of a result that become columns when present.
_OPTIONAL_COLUMNS = ("imageDataHash",)


# Dask settings for workers that do nothing but analyse files, for `dask.config.set` around a
# LocalCluster (examples/batch_dask.py) or as DASK_DISTRIBUTED__WORKER__PROFILE__ENABLED=False
# in a worker's environment. The worker's profiler samples every thread's Python stack a
# hundred times a second; an analysing thread sits in one call to the module the whole time,
# so the samples show nothing and cost about a twentieth of the batch's time.
BATCH_CONFIG: Dict[str, Any] = {"distributed.worker.profile.enabled": False}

# Tasks per worker thread by default: enough that no worker is left alone with the largest
# files at the end, few enough that Dask's cost per task (a millisecond or more of the
# scheduler's and the worker's time) stays small against the files' own.
TASKS_PER_THREAD = 4


def _worker_threads() -> int:
    """The worker threads of the current Dask client's cluster; the cores without a client."""
    try:
        from distributed import get_client

        return max(1, sum(get_client().nthreads().values()))
    except (ImportError, ValueError):  # no distributed, or no client yet
        return os.cpu_count() or 1


def _analyze_partition(
    paths: Sequence[str], analyze_file: Optional[Callable[[str], Dict[str, Any]]]
) -> List[Dict[str, Any]]:
    if analyze_file is not None:
        return [analyze_file(path) for path in paths]
    # One worker thread per Dask task: the partition's files run one after the other.
    return list(pellvane.analyze_many(list(paths), jobs=1))


def analyze(
    paths: Iterable[str],
    npartitions: Optional[int] = None,
    analyze_file: Optional[Callable[[str], Dict[str, Any]]] = None,
) -> db.Bag:
    """A bag of the results of ``paths``, one dict per path, in the order of the paths.

    ``npartitions`` is the number of tasks (default: four per worker thread of the current
    Dask client, or per core without one); more tasks balance uneven files better and cost
    some scheduling each. ``analyze_file`` replaces ``pellvane.analyze`` for each path, e.g.
    to add fields of one's own.
    """
    path_list = [str(path) for path in paths]
    if npartitions is None:
        npartitions = TASKS_PER_THREAD * _worker_threads()
    bag = db.from_sequence(path_list, npartitions=max(1, min(npartitions, max(1, len(path_list)))))
    return bag.map_partitions(_analyze_partition, analyze_file)


def result_row(result: Dict[str, Any]) -> Dict[str, Any]:
    """One result as a flat row: file, status, class, software, each test's status level
    (1 "Fail" to 5 "Pass"; missing when the test added no row) and the optional keys."""
    row: Dict[str, Any] = {
        "file": result["file"],
        "status": result.get("status"),
        "class": result.get("class"),
        "software": result.get("software", ""),
    }
    levels = {entry["key"]: entry["status"] for entry in result.get("rows", [])}
    for key, column in TEST_COLUMNS.items():
        row[column] = levels.get(key)
    for key in _OPTIONAL_COLUMNS:
        if key in result:
            row[key] = result[key]
    return row


def _meta(optional: Sequence[str]):
    import pandas as pd

    columns = {"file": "object", "status": "object", "class": "Int64", "software": "object"}
    columns.update({column: "Int64" for column in TEST_COLUMNS.values()})
    columns.update({key: "object" for key in optional})
    return pd.DataFrame({name: pd.Series(dtype=dtype) for name, dtype in columns.items()})


def _frame(rows: Sequence[Dict[str, Any]], optional: Sequence[str]):
    import pandas as pd

    meta = _meta(optional)
    frame = pd.DataFrame(list(rows), columns=list(meta.columns))
    return frame.astype(meta.dtypes.to_dict())


def to_dataframe(bag: db.Bag, optional_columns: Sequence[str] = ()):
    """A Dask dataframe with one row per file of the bag (``result_row``), in the bag's order;
    ``.compute()`` gives a pandas dataframe. Test levels and the class are nullable integers.
    ``optional_columns`` names optional keys of the results (e.g. "imageDataHash") to keep."""
    import dask.dataframe as dd

    optional = tuple(optional_columns)
    parts = [dask.delayed(_frame)(part, optional) for part in bag.map(result_row).to_delayed()]
    return dd.from_delayed(parts, meta=_meta(optional), verify_meta=False)
