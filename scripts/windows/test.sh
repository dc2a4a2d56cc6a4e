#!/usr/bin/env bash
# Runs the cross-compiled unit tests under Wine, then the stand-in host against the
# plug-in: its thumbnails must match what the native tool computes for the same files,
# and the viewer window must behave as the Lister expects, once with the compositor's
# frame wait and once with dwmapi.dll switched off (no flicker box, no colour cycling).
# Screen captures of the viewer land in build/windows/host-check/viewer/captures.
# Needs the native debug build (make build) and the Windows build (make windows).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
cd "$ROOT"
NATIVE=build/debug
WORK="$ROOT/build/windows/host-check"
rm -rf "$WORK"
mkdir -p "$WORK/expected"

# Files: the demo pictures, a few real samples when present, and files nobody accepts.
"$NATIVE/orvalon-demo-pictures" "$WORK/files" >/dev/null
head -c 5000 /dev/urandom >"$WORK/files/noise.bin"
: >"$WORK/files/empty.scr"
files=("$WORK"/files/*)
samples=${ORVALON_SAMPLES:-$ROOT/../shared/samples}
if [ -d "$samples/zxspectrum" ]; then
  while IFS= read -r f; do files+=("$f"); done < <(ls "$samples"/zxspectrum/*.scr | head -5)
fi

# The viewer's files: the demo pictures, noise, an empty file, a colour-cycling sample.
viewer="$WORK/viewer"
mkdir -p "$viewer"
cp "$WORK"/files/* "$viewer/"
if [ -f "$samples/atarist/MAGICMTN.PC1" ]; then
  cp "$samples/atarist/MAGICMTN.PC1" "$viewer/cycling.pc1"
fi

manifest="$WORK/manifest.tsv"
: >"$manifest"
n=0
for f in "${files[@]}"; do
  for box in 96x96 100x50 256x256 0x0; do
    n=$((n + 1))
    out="$WORK/expected/$n.png"
    if "$NATIVE/orvalon" thumbnail "$f" -o "$out" --size "$box" >/dev/null 2>&1; then
      printf '%s\t%s\t%s\t%s\n' "$f" "${box%x*}" "${box#*x}" "$out" >>"$manifest"
    else
      printf '%s\t%s\t%s\t-\n' "$f" "${box%x*}" "${box#*x}" >>"$manifest"
    fi
  done
done
printf '%s\t96\t96\t-\n' "$WORK/files/missing.scr" >>"$manifest"

# One Wine session for everything: the unit tests, then the host.
scripts/windows/wine-session.sh bash -c '
  set -e
  (cd build/windows && ctest -j2 --output-on-failure)
  wine build/windows/QoHost.exe build/windows/OrvalonWLX.wlx64 "$0" "$1"
  WINEDLLOVERRIDES="$WINEDLLOVERRIDES;dwmapi=d" \
    wine build/windows/QoHost.exe build/windows/OrvalonWLX.wlx64 - "$1"
' "$manifest" "$viewer"
