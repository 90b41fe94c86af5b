#!/usr/bin/env bash
# Release binaries: tools/release.sh [folder] leaves in the folder (default release/)
#   quendal-<version>-linux-x86-64          statically linked, runs on any x86-64 Linux
#   quendal-<version>-linux-arm64           cross-built with aarch64-linux-gnu-g++, static too
#   quendal-<version>-windows-x86-64.exe    cross-built with MinGW-w64, no DLL beside it
# and SHA256SUMS. Each carries the endgame data inside and is checked by its bench signature,
# run from an empty folder: natively, under qemu-aarch64 and under wine. RELEASE_PLATFORMS
# picks some of them ("linux-x86-64 linux-arm64 windows-x86-64", the default).
#
# The Linux x86-64 binary is the "dist" preset's; the others are built with the "arm64" and
# "windows" presets' toolchains into build/dist-arm64 and build/dist-windows, with the data
# embedded. Needs, beside the build tools: g++-aarch64-linux-gnu, qemu-user, g++-mingw-w64-x86-64-posix,
# wine.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="${1:-$top/release}"
platforms="${RELEASE_PLATFORMS:-linux-x86-64 linux-arm64 windows-x86-64}"
cd "$top"

version=$(sed -n 's/.*"id name Quendal \([0-9.]*\)".*/\1/p' src/frontend/dispatch.cpp)
signature=$(sed -n 's/^Current signature: \*\*Bench: \([0-9]*\)\*\*$/\1/p' README.md)
if [ -z "$version" ] || [ -z "$signature" ]; then
  echo "the version or the bench signature was not found" >&2
  exit 1
fi
mkdir -p "$out"
out="$(cd "$out" && pwd)"
empty="$(mktemp -d)"
shipped=()
trap 'rm -rf "$empty"' EXIT

need() {
  command -v "$1" >/dev/null || { echo "$1 is not installed (apt-get install $2)" >&2; exit 1; }
}

# Builds the engine only, in its own folder, from a preset with the data embedded.
build() {
  local preset=$1 folder=$2
  shift 2
  cmake --preset "$preset" -B "$folder" -DQUENDAL_TESTS=OFF -DQUENDAL_EMBED_ENDGAME=ON "$@" >/dev/null
  cmake --build "$folder" -j2 --target quendal >&2
}

# Copies a built engine into the release folder, stripped with the toolchain's own strip.
ship() {
  local folder=$1 binary=$2 name=$3 strip
  strip=$(sed -n 's/^CMAKE_STRIP:FILEPATH=//p' "$folder/CMakeCache.txt")
  cp "$folder/$binary" "$out/$name"
  "${strip:-strip}" "$out/$name"
  chmod 755 "$out/$name"
  shipped+=("$name")
}

# The bench from a folder that holds no data file, so that only the embedded copy can be found.
check_bench() {
  local name=$1 output
  shift
  output=$(cd "$empty" && "$@" bench 2>/dev/null | tr -d '\r')
  if ! grep -qx "Nodes searched: $signature" <<<"$output"; then
    echo "$name: bench does not give the signature $signature:" >&2
    tail -3 <<<"$output" >&2
    exit 1
  fi
  echo "$name: $(grep '^Nodes searched' <<<"$output"), $(grep '^Nodes/second' <<<"$output")" >&2
}

for platform in $platforms; do
  case "$platform" in
    linux-x86-64)
      build dist build/dist
      name=quendal-$version-linux-x86-64
      ship build/dist quendal "$name"
      id=$(echo uci | "$out/$name" | sed -n 's/^id name //p')
      [ "$id" = "Quendal $version" ] || { echo "$name says id name $id" >&2; exit 1; }
      check_bench "$name" "$out/$name"
      ;;
    linux-arm64)
      need qemu-aarch64 qemu-user
      # Linked statically as the x86-64 one: any 64-bit ARM Linux, whatever its C library.
      build arm64 build/dist-arm64 -DCMAKE_EXE_LINKER_FLAGS=-static
      name=quendal-$version-linux-arm64
      ship build/dist-arm64 quendal "$name"
      QEMU_LD_PREFIX=/usr/aarch64-linux-gnu check_bench "$name" qemu-aarch64 "$out/$name"
      ;;
    windows-x86-64)
      need wine wine
      build windows build/dist-windows
      name=quendal-$version-windows-x86-64.exe
      ship build/dist-windows quendal.exe "$name"
      # Only the system's DLLs: the C++ runtime and the threads library are linked in.
      if x86_64-w64-mingw32-objdump -p "$out/$name" | grep -i 'DLL Name' |
        grep -iv 'kernel32\|msvcrt\|ucrtbase\|api-ms-win\|advapi32\|user32\|shell32'; then
        echo "$name needs the DLLs above beside it" >&2
        exit 1
      fi
      WINEDEBUG=-all check_bench "$name" wine "$out/$name"
      ;;
    *)
      echo "unknown platform $platform" >&2
      exit 1
      ;;
  esac
done

(cd "$out" && sha256sum "${shipped[@]}" >SHA256SUMS && cat SHA256SUMS)
