#!/usr/bin/env bash
# Speed and memory of the command line against libjpeg-turbo's djpeg, all measured in one run:
#   1. the largest camera file: pellvane-validate FILE against djpeg -outfile /dev/null FILE,
#      medians of interleaved runs (goal: at most 1.0, aim 0.75), and its peak resident memory
#      (goal: at most 25 MiB);
#   2. a 16000 x 15000 (240 MP) JPEG made here with libjpeg-turbo: peak resident memory (goal:
#      below 64 MiB) and time against djpeg (goal: at most 1.0);
#   3. the camera folder with --jobs 1 --json against a shell loop of djpeg over its files (goal:
#      at most 0.9), and --jobs 2 against --jobs 1 (goal: at least 1.8 on two cores);
#   4. start-up: pellvane-validate --help against djpeg -version.
# Usage: bench/bench_digest.sh [BUILD_DIR] [RUNS]   (a Release build; default: build, 15 runs)
# The machine should be quiet: the script prints the load average first.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-15}
validate="$build/pellvane-validate"
maker="$build/bench/make_large_jpeg"
corpus=../shared/corpus/camera
for tool in djpeg python3 /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "bench_digest: $tool is missing" >&2; exit 2; }
done
[ -x "$validate" ] && [ -x "$maker" ] || { echo "bench_digest: build $validate and $maker first" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
largest=$(ls -S "$corpus"/*.jpg | head -n 1)
"$maker" "$work/large.jpg"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg); cores: $(nproc)"
echo "largest camera file: $largest ($(stat -c %s "$largest") bytes)"
echo "synthetic: 16000 x 15000, $(stat -c %s "$work/large.jpg") bytes"

python3 - "$validate" "$largest" "$work/large.jpg" "$corpus" "$runs" <<'PY'
import glob, statistics, subprocess, sys, time
validate, largest, large, corpus, runs = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4], int(sys.argv[5])
quiet = dict(stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
camera = sorted(glob.glob(corpus + "/*"))

def run(command):
    start = time.perf_counter()
    subprocess.run(command, **quiet)
    return time.perf_counter() - start

def medians(commands, count):
    """Medians in seconds of commands run in turn, round after round."""
    times = {name: [] for name in commands}
    for _ in range(count):
        for name, command in commands.items():
            times[name].append(command() if callable(command) else run(command))
    return {name: statistics.median(values) for name, values in times.items()}

def peak_mib(command):
    result = subprocess.run(["/usr/bin/time", "-f", "%M"] + command, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, text=True)
    return int(result.stderr.strip().splitlines()[-1]) / 1024

def djpeg_loop():
    start = time.perf_counter()
    for path in camera:
        subprocess.run(["djpeg", "-outfile", "/dev/null", path], **quiet)
    return time.perf_counter() - start

def verdict(ok):
    return "ok" if ok else "MISSED"

one = medians({"djpeg": ["djpeg", "-outfile", "/dev/null", largest], "validate": [validate, largest]}, runs)
ratio = one["validate"] / one["djpeg"]
peak = max(peak_mib([validate, largest]) for _ in range(3))
print(f"1. largest camera file: validate {one['validate']*1000:.1f} ms, djpeg {one['djpeg']*1000:.1f} ms "
      f"(medians of {runs})")
print(f"   validate / djpeg = {ratio:.2f} (at most 1.0, aim 0.75) {verdict(ratio <= 1.0)}")
print(f"   peak resident memory {peak:.1f} MiB (at most 25) {verdict(peak <= 25)}")

big = medians({"djpeg": ["djpeg", "-outfile", "/dev/null", large], "validate": [validate, large]}, 5)
big_ratio = big["validate"] / big["djpeg"]
big_peak = peak_mib([validate, large])
print(f"2. 240 MP: validate {big['validate']:.2f} s, djpeg {big['djpeg']:.2f} s (medians of 5)")
print(f"   validate / djpeg = {big_ratio:.2f} (at most 1.0) {verdict(big_ratio <= 1.0)}")
print(f"   peak resident memory {big_peak:.1f} MiB (below 64) {verdict(big_peak < 64)}")

folder = medians({"djpeg loop": djpeg_loop,
                  "jobs 1": [validate, "--jobs", "1", "--json", corpus],
                  "jobs 2": [validate, "--jobs", "2", "--json", corpus]}, 5)
loop_ratio = folder["jobs 1"] / folder["djpeg loop"]
speedup = folder["jobs 1"] / folder["jobs 2"]
print(f"3. camera folder ({len(camera)} files): --jobs 1 {folder['jobs 1']:.2f} s, --jobs 2 "
      f"{folder['jobs 2']:.2f} s, djpeg loop {folder['djpeg loop']:.2f} s (medians of 5)")
print(f"   --jobs 1 / djpeg loop = {loop_ratio:.2f} (at most 0.9) {verdict(loop_ratio <= 0.9)}")
print(f"   --jobs 1 / --jobs 2 = {speedup:.2f} (at least 1.8) {verdict(speedup >= 1.8)}")

start = medians({"djpeg -version": ["djpeg", "-version"], "validate --help": [validate, "--help"]}, runs)
print(f"4. start-up: validate --help {start['validate --help']*1000:.1f} ms, "
      f"djpeg -version {start['djpeg -version']*1000:.1f} ms (medians of {runs})")
PY
