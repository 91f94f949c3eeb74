#!/usr/bin/python3
"""Analyses every JPEG file under a folder on a Dask cluster, writes one JSON object per file
(JSON Lines, in the order of the file names) and prints how many files fell in each class.

    examples/batch_dask.py ~/Pictures                                # a local cluster
    examples/batch_dask.py /data/pictures --scheduler tcp://host:8786 --output results.jsonl

The pellvane module must be importable on this machine and on every worker
(PYTHONPATH=build/python, or installed).
"""

import argparse
import collections
import json
import sys
import time

import dask
from dask.distributed import Client, LocalCluster

import pellvane
import pellvane.dask


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("folder", help="folder searched for .jpg and .jpeg files at any depth")
    parser.add_argument("--scheduler", help="address of a running Dask scheduler (default: a local cluster)")
    parser.add_argument("--workers", type=int, default=2, help="worker processes of the local cluster")
    parser.add_argument("--partitions", type=int, help="Dask tasks (default: 4 per worker)")
    parser.add_argument("--output", default="pellvane-results.jsonl", help="the JSON Lines file to write")
    return parser.parse_args()


def connect(arguments):
    if arguments.scheduler:
        return Client(arguments.scheduler), None
    with dask.config.set(pellvane.dask.BATCH_CONFIG):
        cluster = LocalCluster(n_workers=arguments.workers, threads_per_worker=1, dashboard_address=None)
    return Client(cluster), cluster


def summary_table(counts, total):
    lines = [f"{'class':<10}{'files':>8}{'share':>9}"]
    for label in sorted(counts, key=str):
        lines.append(f"{label:<10}{counts[label]:>8}{counts[label] / max(total, 1):>9.1%}")
    lines.append(f"{'total':<10}{total:>8}")
    return "\n".join(lines)


def main():
    arguments = parse_arguments()
    paths = pellvane.jpeg_files(arguments.folder)
    if not paths:
        print(f"batch_dask: {arguments.folder}: no .jpg or .jpeg files", file=sys.stderr)
        return 1
    client, cluster = connect(arguments)
    try:
        workers = max(1, len(client.scheduler_info()["workers"]))
        partitions = arguments.partitions or 4 * workers
        started = time.monotonic()
        results = client.compute(pellvane.dask.analyze(paths, npartitions=partitions)).result()
        seconds = time.monotonic() - started
    finally:
        client.close()
        if cluster is not None:
            cluster.close()
    counts = collections.Counter(
        "refused" if result["status"] == "refused" else f"class {result['class']}" for result in results
    )
    with open(arguments.output, "w", encoding="utf-8") as output:
        for result in results:
            output.write(json.dumps(result, ensure_ascii=False, separators=(",", ":")) + "\n")
    print(summary_table(counts, len(results)))
    print(f"{len(results)} files in {seconds:.1f} s on {workers} workers; results in {arguments.output}")
    return 0 if counts["refused"] == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
