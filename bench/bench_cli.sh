#!/usr/bin/env bash
# Whole-process speed of the command line, measured with hyperfine:
#   1. the largest camera picture: pellvane-validate against djpeg (goal: at most 1.3 times
#      as long) and against exiftool (goal: shorter);
#   2. the whole camera folder: --jobs 2 against --jobs 1 (goal: at least 1.7 times as fast).
# Usage: bench/bench_cli.sh [BUILD_DIR]   (a Release build; default: build)
# The machine should be quiet: the script prints the load average first.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
validate="$build/pellvane-validate"
corpus=../shared/corpus/camera
for tool in hyperfine djpeg exiftool python3; do
  command -v "$tool" >/dev/null || { echo "bench_cli: $tool is missing" >&2; exit 2; }
done
[ -x "$validate" ] || { echo "bench_cli: no $validate; build it first" >&2; exit 2; }

largest=$(ls -S "$corpus"/*.jpg | head -n 1)
results=$(mktemp -d)
trap 'rm -rf "$results"' EXIT

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "largest camera file: $largest"
hyperfine -N --warmup 3 --runs 30 --export-json "$results/file.json" \
  -n djpeg "djpeg -outfile /dev/null '$largest'" \
  -n pellvane-validate "$validate '$largest'" \
  -n exiftool "exiftool '$largest'" >/dev/null
# A truncated camera picture is refused, so the command ends with status 1.
hyperfine -N -i --warmup 1 --runs 10 --export-json "$results/folder.json" \
  -n jobs1 "$validate --jobs 1 $corpus" \
  -n jobs2 "$validate --jobs 2 $corpus" >/dev/null

python3 - "$results/file.json" "$results/folder.json" <<'PY'
import json, sys
def medians(path):
    return {r["command"]: r["median"] * 1000 for r in json.load(open(path))["results"]}
one, folder = medians(sys.argv[1]), medians(sys.argv[2])
for name, ms in list(one.items()) + list(folder.items()):
    print(f"  {name:18} median {ms:8.1f} ms")
ratio = one["pellvane-validate"] / one["djpeg"]
print(f"pellvane-validate / djpeg   = {ratio:.2f}  (goal <= 1.30) {'ok' if ratio <= 1.3 else 'MISSED'}")
print(f"pellvane-validate < exiftool: {'ok' if one['pellvane-validate'] < one['exiftool'] else 'MISSED'}")
speedup = folder["jobs1"] / folder["jobs2"]
print(f"jobs 1 / jobs 2             = {speedup:.2f}  (goal >= 1.70) {'ok' if speedup >= 1.7 else 'MISSED'}")
PY
