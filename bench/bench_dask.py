"""The measuring half of bench/bench_dask.sh: the folder on a local cluster of two worker
processes against `pellvane-validate --jobs 2 --json`, the two run in turn ROUNDS times on
the warm cluster; the medians are compared. A file rather than a script on standard input,
because the worker processes import the main module again.
Usage: bench_dask.py FOLDER VALIDATE CLI_PEAK_KIB [ROUNDS] [PARTITIONS]
"""

import resource
import statistics
import subprocess
import sys
import time

import dask
from dask.distributed import Client, LocalCluster

import pellvane
import pellvane.dask


def peak_kib():
    return resource.getrusage(resource.RUSAGE_SELF).ru_maxrss


def load_pellvane():
    import pellvane  # noqa: F401 (the import is the work)


def scheduler_tasks(dask_scheduler):
    return len(dask_scheduler.tasks)


def time_command(validate, folder):
    started = time.monotonic()
    # A truncated camera picture is refused, so the command ends with status 1.
    subprocess.run([validate, "--jobs", "2", "--json", folder], stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=False)
    return time.monotonic() - started


def time_dask(client, paths, partitions):
    started = time.monotonic()
    future = client.compute(pellvane.dask.analyze(paths, npartitions=partitions))
    results = future.result(timeout=600)
    seconds = time.monotonic() - started
    assert len(results) == len(paths)
    del future, results
    # The next round computes the same keys: they must be forgotten first, or Dask would
    # answer them from memory.
    while client.run_on_scheduler(scheduler_tasks) > 0:
        time.sleep(0.05)
    return seconds


def measure(folder, validate, paths, rounds, partitions, config):
    """The command and Dask in turn, `rounds` times, on a cluster started with `config`."""
    started = time.monotonic()
    with dask.config.set(config), \
            LocalCluster(n_workers=2, threads_per_worker=1, dashboard_address=None, silence_logs=40) as cluster, \
            Client(cluster) as client:
        # Start-up is paid once per cluster, not per batch: the workers import pellvane first.
        client.run(load_pellvane)
        startup = time.monotonic() - started
        idle = client.run(peak_kib)
        # The default number of tasks depends on the client's workers.
        tasks = pellvane.dask.analyze(paths, npartitions=partitions).npartitions
        command, dask_seconds = [], []
        for _ in range(rounds):
            command.append(time_command(validate, folder))
            dask_seconds.append(time_dask(client, paths, partitions))
        peaks = client.run(peak_kib)
    return command, dask_seconds, tasks, startup, idle, peaks


def seconds_list(values):
    return " ".join(f"{value:.2f}" for value in values)


def main():
    folder, validate, cli_kib = sys.argv[1], sys.argv[2], int(sys.argv[3])
    rounds = int(sys.argv[4]) if len(sys.argv) > 4 else 5
    partitions = int(sys.argv[5]) if len(sys.argv) > 5 else None  # None: pellvane.dask's default
    paths = pellvane.jpeg_files(folder)
    print(f"files: {len(paths)} in {folder}; {rounds} rounds, each the command then Dask;"
          f" command's peak {cli_kib // 1024} MiB")
    for name, config in (("Dask's defaults", {}), ("pellvane.dask.BATCH_CONFIG", pellvane.dask.BATCH_CONFIG)):
        command, dask_seconds, tasks, startup, idle, peaks = measure(folder, validate, paths, rounds, partitions, config)
        print(f"{name}:")
        print(f"  pellvane-validate --jobs 2 --json: median {statistics.median(command):5.2f} s"
              f" ({seconds_list(command)})")
        print(f"  Dask, 2 workers x 1 thread:        median {statistics.median(dask_seconds):5.2f} s"
              f" ({seconds_list(dask_seconds)}) in {tasks} tasks; cluster start-up {startup:.1f} s, not counted")
        for number, address in enumerate(sorted(peaks)):
            print(f"  worker {number}: peak {peaks[address] // 1024} MiB"
                  f" (idle, pellvane loaded: {idle[address] // 1024} MiB)")
        ratio = statistics.median(dask_seconds) / statistics.median(command)
        print(f"  ratio Dask / command line (medians): {ratio:.2f} (goal: at most 1.25)")


if __name__ == "__main__":
    main()
