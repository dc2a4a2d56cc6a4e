#!/usr/bin/env bash
# Builds static x86_64-w64-mingw32 libpng, giflib, libdeflate and GoogleTest from Debian's source
# packages into PREFIX (zlib is Debian's static libz.a for MinGW). PREFIX is a cache:
# when it is complete, nothing is done.
# Usage: build-deps.sh PREFIX
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/../.." && pwd)
PREFIX=$(realpath -m "$1")
WORK="$PREFIX.work"
TC="$ROOT/cmake/toolchain-mingw64.cmake"
JOBS=$(nproc)
CC=x86_64-w64-mingw32-gcc-posix
AR=x86_64-w64-mingw32-gcc-ar-posix
STAMP="$PREFIX/.complete-v2"
[ -f "$STAMP" ] && exit 0
test -f /usr/x86_64-w64-mingw32/lib/libz.a || { echo "libz-mingw-w64-dev is missing" >&2; exit 1; }
mkdir -p "$WORK/src" "$PREFIX/include" "$PREFIX/lib"
T=$SECONDS
step() { echo "[windows deps] $1: $((SECONDS - T)) s"; T=$SECONDS; }

# apt-get source PKG; when the newest version's files are gone from the mirror (a
# security update can 404), the older versions are tried in turn.
fetch_src() {
  local pkg=$1 dir log
  dir=$(ls -d "$WORK/src/$pkg"-*/ 2>/dev/null | head -1 || true)
  if [ -n "$dir" ]; then echo "${dir%/}"; return; fi
  log="$WORK/apt-source-$pkg.log"
  ( cd "$WORK/src"
    if ! apt-get source -qq "$pkg" >"$log" 2>&1; then
      for v in $(apt-cache showsrc "$pkg" 2>>"$log" | awk '/^Version:/{print $2}' | sort -rV); do
        rm -f "$pkg"_*
        apt-get source -qq "$pkg=$v" >>"$log" 2>&1 && break
      done
    fi ) >&2
  dir=$(ls -d "$WORK/src/$pkg"-*/ 2>/dev/null | head -1 || true)
  if [ -z "$dir" ]; then
    # apt's own words say what is wrong (no deb-src entries, an unreadable list, no network).
    echo "apt-get source $pkg failed:" >&2
    sed 's/^/  /' "$log" >&2
    exit 1
  fi
  echo "${dir%/}"
}

PNG_SRC=$(fetch_src libpng1.6)
GIF_SRC=$(fetch_src giflib)
DEFLATE_SRC=$(fetch_src libdeflate)
GT_SRC=$(fetch_src googletest)
step "sources"

cmake_build() {  # name srcdir extra-args...
  local name=$1 src=$2; shift 2
  cmake -S "$src" -B "$WORK/build-$name" -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$TC" -DDEPS_PREFIX="$PREFIX" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" \
    -DBUILD_SHARED_LIBS=OFF "$@" >/dev/null
  cmake --build "$WORK/build-$name" -j "$JOBS" >/dev/null
  cmake --install "$WORK/build-$name" >/dev/null
}

cmake_build libpng "$PNG_SRC" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
  -DPNG_EXECUTABLES=OFF -DZLIB_LIBRARY=/usr/x86_64-w64-mingw32/lib/libz.a \
  -DZLIB_INCLUDE_DIR=/usr/x86_64-w64-mingw32/include
step "libpng"

# giflib ships only a Unix makefile: its library is these C files.
mkdir -p "$WORK/build-giflib"
( cd "$WORK/build-giflib"
  for f in dgif_lib egif_lib gifalloc gif_err gif_font gif_hash openbsd-reallocarray quantize; do
    $CC -O2 -c "$GIF_SRC/$f.c" -I"$GIF_SRC" -o "$f.o"
  done
  rm -f libgif.a
  $AR rcs libgif.a ./*.o )
cp "$WORK/build-giflib/libgif.a" "$PREFIX/lib/"
cp "$GIF_SRC/gif_lib.h" "$PREFIX/include/"
step "giflib"

# libdeflate's library is likewise its C files: the portable ones and the x86 CPU probe.
mkdir -p "$WORK/build-libdeflate"
( cd "$WORK/build-libdeflate"
  for f in "$DEFLATE_SRC"/lib/*.c "$DEFLATE_SRC"/lib/x86/*.c; do
    $CC -O2 -c "$f" -I"$DEFLATE_SRC" -o "$(basename "${f%.c}").o"
  done
  rm -f libdeflate.a
  $AR rcs libdeflate.a ./*.o )
cp "$WORK/build-libdeflate/libdeflate.a" "$PREFIX/lib/"
cp "$DEFLATE_SRC/libdeflate.h" "$PREFIX/include/"
step "libdeflate"

cmake_build googletest "$GT_SRC" -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON
step "googletest"
rm -rf "$WORK"
touch "$STAMP"
