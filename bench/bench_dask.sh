#!/usr/bin/env bash
# Throughput of batch analysis on Dask against the command line on the camera folder: a local
# cluster of two worker processes (one thread each) against `pellvane-validate --jobs 2 --json`,
# run in turn ROUNDS times (default 5; goal: the median at most 1.25 times the command's); and
# the peak resident memory of each worker and of the command line.
# Usage: [ROUNDS=N] bench/bench_dask.sh [BUILD_DIR]   (a Release build with the Python module; default: build)
# The machine should be quiet: the script prints the load average before and after.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
validate="$build/pellvane-validate"
corpus=../shared/corpus/camera
python=/usr/bin/python3
[ -x "$validate" ] || { echo "bench_dask: no $validate; build it first" >&2; exit 2; }
[ -d "$build/python/pellvane" ] || { echo "bench_dask: no $build/python/pellvane; build pellvane_python" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "bench_dask: /usr/bin/time is missing (Debian package time)" >&2; exit 2; }

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
# Both read the pictures from the page cache: one untimed pass first.
cat "$corpus"/* >/dev/null

# The command's peak memory, from a run of its own (a child of Python would report Python's).
timing=$(mktemp)
trap 'rm -f "$timing"' EXIT
/usr/bin/time -o "$timing" -f '%M' "$validate" --jobs 2 --json "$corpus" >/dev/null 2>&1 || true
peak=$(tail -n 1 "$timing")
PYTHONPATH="$build/python" "$python" bench/bench_dask.py "$corpus" "$validate" "$peak" "${ROUNDS:-5}"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
