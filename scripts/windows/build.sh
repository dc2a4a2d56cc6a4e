#!/usr/bin/env bash
# Cross-compiles OrvalonWLX.wlx64, orvalon.exe and the test programs for 64-bit Windows
# into build/windows. The static libraries it needs are built once into a cache folder
# (ORVALON_CACHE, default ~/.cache/orvalon) that later builds reuse.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
cd "$ROOT"
CACHE=${ORVALON_CACHE:-$HOME/.cache/orvalon}
DEPS="$CACHE/mingw-deps"
scripts/windows/install-tools.sh
scripts/windows/build-deps.sh "$DEPS"
if [ ! -f build/windows/build.ninja ]; then
  cmake -S . -B build/windows -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw64.cmake" -DDEPS_PREFIX="$DEPS"
fi
cmake --build build/windows -j "$(nproc)"

# The plug-in must carry plain export names and need no DLL beyond the system's own.
fail=0
exports=$(x86_64-w64-mingw32-objdump -p build/windows/OrvalonWLX.wlx64 |
  sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '/\]/{print $NF}' | grep -v Table || true)
for e in ListGetDetectString ListSetDefaultParams ListGetPreviewBitmapW ListGetPreviewBitmap \
  ListLoadW ListLoad ListLoadNextW ListLoadNext ListCloseWindow; do
  grep -qx "$e" <<<"$exports" || { echo "OrvalonWLX.wlx64: export $e missing" >&2; fail=1; }
done
for f in OrvalonWLX.wlx64 orvalon.exe; do
  if x86_64-w64-mingw32-objdump -p "build/windows/$f" | awk '/DLL Name:/{print $3}' |
    grep -qiE 'libstdc|libgcc|winpthread|zlib1|libpng|libgif'; then
    echo "$f needs a MinGW runtime DLL" >&2
    fail=1
  fi
done
[ "$fail" = 0 ] || exit 1
echo "Built build/windows/OrvalonWLX.wlx64 and build/windows/orvalon.exe"
