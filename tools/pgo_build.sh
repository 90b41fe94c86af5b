#!/usr/bin/env bash
# Profile-guided build: compiles an instrumented engine, trains it on the bench, then compiles
# again with the recorded profile (-O3, link-time optimisation). Both passes use the same build
# folder, so the profile files match their objects. Result: build/pgo/quendal.
#
#   tools/pgo_build.sh            portable (like the release preset)
#   tools/pgo_build.sh native     for this machine only (-march=native)
#
# The search is unchanged: the bench node count of the result is checked at the end.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

BUILD=build/pgo
PROFILE=$PWD/$BUILD/profile
ARCH=""
[[ ${1:-} == native ]] && ARCH="-march=native"

configure() {
  cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DQUENDAL_TESTS=OFF \
    -DCMAKE_INTERPROCEDURAL_OPTIMIZATION=ON \
    -DCMAKE_CXX_FLAGS_RELEASE="-O3 -DNDEBUG $ARCH $1" \
    -DCMAKE_EXE_LINKER_FLAGS="$1" >/dev/null
}

rm -rf "$PROFILE"
configure "-fprofile-generate=$PROFILE -fprofile-update=single"
cmake --build "$BUILD" -j2 --target quendal
echo "training on the bench ..."
"$BUILD/quendal" bench | tail -3

configure "-fprofile-use=$PROFILE -fprofile-correction -Wno-missing-profile"
cmake --build "$BUILD" -j2 --clean-first
result=$("$BUILD/quendal" bench | tail -3)
echo "$result"
grep -q "Nodes searched: 25214422" <<<"$result" ||
  { echo "bench node count differs from the signature" >&2; exit 1; }
echo "built $BUILD/quendal"
