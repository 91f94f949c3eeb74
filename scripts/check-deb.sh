#!/usr/bin/env bash
# Makes the Debian package from a built folder and tries it on this machine: lists it,
# installs it with dpkg, runs the installed pellvane-validate, and removes it again.
# It changes the machine, so it is no part of ./test; run it as root by hand:
#
#   scripts/check-deb.sh [BUILD_DIR]      (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
package=pellvane-photo-validator

[ "$(id -u)" -eq 0 ] || { echo "check-deb.sh: run as root (it installs and removes $package)" >&2; exit 2; }
if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    echo "check-deb.sh: $package is installed already; it is left alone" >&2
    exit 2
fi

rm -f "$build"/${package}_*.deb
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || { cat "$build/cpack.log" >&2; exit 1; }
deb=$(ls "$build"/${package}_*.deb)
echo "== $deb"
dpkg-deb -f "$deb" Package Version Depends
echo "== dpkg-deb -c: $(dpkg-deb -c "$deb" | grep -vc '/$') files"
dpkg-deb -c "$deb" | grep -v '/$' | awk '{print $NF}'

trap 'dpkg -r "$package" >/dev/null' EXIT
dpkg -i "$deb" >/dev/null
echo "== installed; pellvane-validate --help from $(command -v pellvane-validate):"
(cd / && pellvane-validate --help)
