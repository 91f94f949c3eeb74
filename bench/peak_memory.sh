#!/usr/bin/env bash
# Peak memory of the command line on the largest camera picture, against the size of its
# decoded pixel buffer (width x height x 4 bytes). Goal: below three times the buffer.
# Usage: bench/peak_memory.sh [BUILD_DIR]   (default: build; GNU time as /usr/bin/time)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
validate="$build/pellvane-validate"
corpus=../shared/corpus/camera
[ -x "$validate" ] || { echo "peak_memory: no $validate; build it first" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "peak_memory: /usr/bin/time is missing (Debian package time)" >&2; exit 2; }

largest=$(ls -S "$corpus"/*.jpg | head -n 1)
read -r width height < <("$validate" --json "$largest" |
  python3 -c 'import json,sys; p=json.load(sys.stdin)["picture"]; print(p["width"], p["height"])')
buffer_kib=$((width * height * 4 / 1024))
peak_kib=0
for _ in 1 2 3; do
  kib=$(/usr/bin/time -f '%M' "$validate" "$largest" 2>&1 >/dev/null | tail -n 1)
  [ "$kib" -gt "$peak_kib" ] && peak_kib=$kib
done
echo "file: $largest (${width} x ${height})"
echo "decoded pixel buffer: $((buffer_kib / 1024)) MiB; peak resident memory: $((peak_kib / 1024)) MiB"
python3 -c "r=$peak_kib/$buffer_kib; print(f'ratio: {r:.2f} (goal: below 3)'); raise SystemExit(0 if r < 3 else 1)"
