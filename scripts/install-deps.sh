#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need.
# Only packages that are missing are installed, so a prepared machine pays nothing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libjpeg62-turbo-dev libpng-dev libgif-dev libtiff-dev zlib1g-dev libssl-dev
  libcli11-dev nlohmann-json3-dev
  qt6-base-dev qt6-svg-dev xvfb xauth
  libgtest-dev libgmock-dev libbenchmark-dev
  libimage-exiftool-perl libjpeg-turbo-progs python3-jsonschema
  # the HTML report opened and printed in a real browser
  chromium poppler-utils
  clang-14 libclang-rt-14-dev clang-format
  # installing: manual pages, icon sizes, the Debian package, and the checks of them
  scdoc librsvg2-bin file dpkg-dev desktop-file-utils appstream man-db
  # the Python module, its tests and batch analysis on Dask (for Debian's /usr/bin/python3)
  pybind11-dev python3-dev python3-pytest python3-dask python3-distributed python3-pandas
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}" >&2
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
