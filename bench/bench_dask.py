"""The Dask half of bench/bench_dask.sh: the folder on a local cluster of two worker processes.
A file rather than a script on standard input, because the worker processes import the main
module again. Usage: bench_dask.py FOLDER CLI_SECONDS CLI_PEAK_KIB [PARTITIONS]
"""

import resource
import sys
import time

from dask.distributed import Client, LocalCluster

import pellvane
import pellvane.dask


def peak_kib():
    return resource.getrusage(resource.RUSAGE_SELF).ru_maxrss


def load_pellvane():
    import pellvane  # noqa: F401 (the import is the work)


def main():
    corpus, cli_seconds, cli_kib = sys.argv[1], float(sys.argv[2]), int(sys.argv[3])
    # Eight tasks a worker: small enough that the largest pictures do not leave one worker
    # idle at the end, large enough that scheduling costs little.
    partitions = int(sys.argv[4]) if len(sys.argv) > 4 else 16
    paths = pellvane.jpeg_files(corpus)
    started = time.monotonic()
    with LocalCluster(n_workers=2, threads_per_worker=1, dashboard_address=None, silence_logs=40) as cluster, \
            Client(cluster) as client:
        # Start-up is paid once per cluster, not per batch: the workers import pellvane first.
        client.run(load_pellvane)
        startup = time.monotonic() - started
        idle = client.run(peak_kib)
        started = time.monotonic()
        results = client.compute(pellvane.dask.analyze(paths, npartitions=partitions)).result(timeout=600)
        seconds = time.monotonic() - started
        peaks = client.run(peak_kib)

    assert len(results) == len(paths)
    print(f"files: {len(paths)} in {corpus}")
    print(f"pellvane-validate --jobs 2 --json: {cli_seconds:6.2f} s, peak {cli_kib // 1024} MiB")
    print(f"Dask, 2 workers x 1 thread:        {seconds:6.2f} s in {partitions} tasks"
          f" (cluster start-up {startup:.1f} s, not counted)")
    for number, address in enumerate(sorted(peaks)):
        print(f"  worker {number}: peak {peaks[address] // 1024} MiB"
              f" (idle, pellvane loaded: {idle[address] // 1024} MiB)")
    print(f"ratio Dask / command line: {seconds / cli_seconds:.2f} (goal: at most 1.25)")


if __name__ == "__main__":
    main()
