#!/usr/bin/env bash
# Builds the Debian package: tools/make_deb.sh [folder] leaves quendal_<version>_<arch>.deb in
# the folder (default: the repository root) and prints its path. The "package" preset builds the
# engine for /usr/games with its data in /usr/share/quendal; CPack makes the package, with the
# dependencies dpkg-shlibdeps finds and the binary stripped.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$(mkdir -p "${1:-$top}" && cd "${1:-$top}" && pwd)"
cd "$top"
cmake --preset package >/dev/null
cmake --build --preset package >&2
rm -rf build/package/_CPack_Packages
cpack --config build/package/CPackConfig.cmake -B build/package/deb >&2
deb=$(ls build/package/deb/quendal_*.deb)
cp "$deb" "$out/"
echo "$out/$(basename "$deb")"
