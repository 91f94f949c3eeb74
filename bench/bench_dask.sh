#!/usr/bin/env bash
# Throughput of batch analysis on Dask against the command line, one run each on the camera
# folder: a local cluster of two worker processes (one thread each) against
# `pellvane-validate --jobs 2 --json` (goal: at most 1.25 times as long); and the peak resident
# memory of each worker and of the command line.
# Usage: bench/bench_dask.sh [BUILD_DIR]   (a Release build with the Python module; default: build)
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

# A truncated camera picture is refused, so the command ends with status 1.
timing=$(mktemp)
trap 'rm -f "$timing"' EXIT
/usr/bin/time -o "$timing" -f '%e %M' "$validate" --jobs 2 --json "$corpus" >/dev/null 2>&1 || true
cli=$(tail -n 1 "$timing")

PYTHONPATH="$build/python" "$python" bench/bench_dask.py "$corpus" $cli
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
