#!/usr/bin/env bash
# Fails when a source file includes a header of a layer above its own, or of a layer beside it.
# The layers, bottom up:
#   base                      byte reader, findings, text lookup, file and text helpers
#   codec, imaging            the metadata codec and the pixel decoders, which know nothing of each other
#   analysis                  the run and its checks
#   report                    the JSON and HTML forms of a report
#   cli, desktop, python      the front ends (desktop = shell + controls); only they know Qt,
#                             Python or the terminal, and none includes another
set -euo pipefail
cd "$(dirname "$0")/.."

# The layer a top folder of src/ belongs to, and the layers it may include besides its own.
layer_of() {
  case "$1" in
    base) echo base ;;
    codec) echo codec ;;
    imaging) echo imaging ;;
    analysis) echo analysis ;;
    report) echo report ;;
    cli) echo cli ;;
    shell | controls) echo desktop ;;
    python) echo python ;;
    *) echo unknown ;;
  esac
}

allowed_below() {
  case "$1" in
    base) echo "" ;;
    codec | imaging) echo "base" ;;
    analysis) echo "base codec imaging" ;;
    report) echo "base codec imaging analysis" ;;
    cli | desktop | python) echo "base codec imaging analysis report" ;;
    *) echo "" ;;
  esac
}

status=0
while IFS= read -r file; do
  top=${file#src/}
  top=${top%%/*}
  own=$(layer_of "$top")
  if [ "$own" = unknown ]; then
    echo "check-layers: $file: folder src/$top belongs to no layer" >&2
    status=1
    continue
  fi
  allowed=" $(allowed_below "$own") $own "
  while IFS= read -r included; do
    [ -z "$included" ] && continue
    folder=${included%%/*}
    [ "$folder" = "$included" ] && continue # a header beside the file
    layer=$(layer_of "$folder")
    if [[ "$allowed" != *" $layer "* ]]; then
      echo "check-layers: $file ($own) includes $included ($layer)" >&2
      status=1
    fi
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find src -type f \( -name '*.cpp' -o -name '*.h' \) | sort)

[ $status -eq 0 ] && echo "check-layers: every include keeps to its layer"
exit $status
