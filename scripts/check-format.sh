#!/usr/bin/env bash
# Fails when a C++ source under src/, tests/ or bench/ differs from what clang-format makes of it
# with the repository's .clang-format, and names each such file. Build folders are left out.
#   scripts/check-format.sh            # every source
#   scripts/check-format.sh FILE...    # only these
# CLANG_FORMAT picks another clang-format than the one on the PATH.
set -euo pipefail
cd "$(dirname "$0")/.."
clang_format=${CLANG_FORMAT:-clang-format}

files=("$@")
if [ ${#files[@]} -eq 0 ]; then
  mapfile -d '' files < <(find src tests bench \( -type d -name 'build*' -prune \) -o \
    -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z)
fi
[ ${#files[@]} -gt 0 ] || { echo "check-format: no sources found" >&2; exit 1; }

# One clang-format for all files; its report names every line that differs, so only the file
# names are kept.
if report=$("$clang_format" --dry-run --Werror "${files[@]}" 2>&1); then
  echo "check-format: ${#files[@]} files as clang-format writes them"
  exit 0
fi
mapfile -t differing < <(grep -oE '^[^:]+:[0-9]+:[0-9]+: error' <<<"$report" | cut -d: -f1 | sort -u)
if [ ${#differing[@]} -eq 0 ]; then
  echo "$report" >&2 # clang-format itself failed
  exit 1
fi
printf 'check-format: %d of %d files differ from clang-format (apply: clang-format -i FILE):\n' \
  "${#differing[@]}" "${#files[@]}" >&2
printf '  %s\n' "${differing[@]}" >&2
exit 1
