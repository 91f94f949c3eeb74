#!/usr/bin/env bash
# Time and peak memory of the command line on each kind of hostile file (bench/make_hostile_files):
# goal below 2 s and 256 MiB each. Also the early end of the output with --jobs 2 (item 5):
# the temporary files left behind are counted.
# Usage: bench/bench_budgets.sh [BUILD_DIR] [LIMIT_SECONDS]   (default: build, 120)
# Another build's command line can be measured on the same files: BUILD_DIR is only where
# pellvane-validate is taken from; the files come from this build's make_hostile_files.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
limit=${2:-120}
validate="$build/pellvane-validate"
maker=build/bench/make_hostile_files
[ -x "$validate" ] || { echo "bench_budgets: no $validate" >&2; exit 2; }
[ -x "$maker" ] || { echo "bench_budgets: build make_hostile_files first (cmake --build build --target make_hostile_files)" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "bench_budgets: /usr/bin/time is missing (Debian package time)" >&2; exit 2; }

files=$(mktemp -d)
temp=$(mktemp -d)
trap 'rm -rf "$files" "$temp"' EXIT
"$maker" "$files"

measure() { # name, arguments...
  local name=$1
  shift
  local report
  report=$(TEMP=$temp timeout -s KILL "$limit" /usr/bin/time -v "$validate" "$@" 2>&1 >/dev/null | tail -n 30) || true
  local seconds kib status
  # A run killed at the limit prints no figures.
  seconds=$(grep 'Elapsed (wall clock)' <<<"$report" | awk '{print $NF}' || true)
  kib=$(grep 'Maximum resident set size' <<<"$report" | awk '{print $NF}' || true)
  status=$(grep 'Exit status' <<<"$report" | awk '{print $NF}' || true)
  [ -z "$kib" ] && { seconds=">${limit}s (stopped)"; kib=0; status=killed; }
  printf '%-34s %14s %9s MiB  exit %-7s temp files left: %s\n' "$name" "$seconds" $((kib / 1024)) "$status" \
    "$(find "$temp" -type f | wc -l)"
  find "$temp" -type f -delete
}

printf '%-34s %14s %13s\n' kind "wall clock" "peak memory"
measure "1 tag values UNDEFINED" --json "$files/1-tag-values-undefined.jpg"
measure "1 tag values ASCII" --json "$files/1-tag-values-ascii.jpg"
measure "2 CR LF XMP (4 MB)" --json "$files/2-crlf-xmp.jpg"
measure "3 MPF 4000 x 240 MP declared" --json "$files/3-mpf-huge-declared.jpg"
measure "3 thumbnail 240 MP declared" --json "$files/3-thumbnail-huge-declared.jpg"
measure "3 MPF 1000 x same photo" --json "$files/3-mpf-same-photo.jpg"
measure "4 --tags 1000 SHORT x 1 MiB" --tags "$files/4-tags-short.jpg"
measure "6 file of 2047 MiB" --json "$files/6-2047-mib.jpg"
measure "6 file of 2.5 GB" --json "$files/6-2500-mb.jpg"

# 5: the output closed after one byte while two workers hold extracted images.
for i in 1 2 3 4 5 6 7 8; do cp "$files/3-mpf-same-photo.jpg" "$files/5-copy-$i.jpg"; done
set +o pipefail
TEMP=$temp timeout -s KILL "$limit" "$validate" --jobs 2 --json "$files"/5-copy-*.jpg | head -c 1 >/dev/null
printf '%-34s temp files left: %s\n' "5 output closed (head -c 1)" "$(find "$temp" -type f | wc -l)"
