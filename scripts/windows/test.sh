#!/usr/bin/env bash
# Runs the cross-compiled unit tests under Wine, then the stand-in host against the
# plug-in: its thumbnails must match what the native tool computes for the same files,
# and the viewer window must behave as the Lister expects, once with the compositor's
# frame wait and once with dwmapi.dll switched off (no flicker box, no colour cycling),
# and once more at 144 dpi; then the endurance round (ENDURANCE_FILES files through the
# window and as many thumbnails, default 1000), and the same round with each kind of leak
# planted on purpose, which must trip its measure.
# Screen captures of the viewer land in build/windows/host-check/viewer/captures, the
# files its export commands wrote in .../viewer/export-out.
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

# What the window's export commands must write: the native tool's files for the same
# selection, and a medium-resolution picture whose pixels are doubled in height.
{ printf '\000\001\007\167\007\000\000\160\000\007'; head -c 24 /dev/zero; { yes Orvalon || :; } | head -c 32000; } \
  >"$viewer/med.pi2"
expected="$viewer/export-expected"
mkdir -p "$expected"
for ext in bmp png gif; do
  "$NATIVE/orvalon" convert "$viewer/rings.bsc" --palette "Pulsar (205)" -o "$expected/rings.$ext" >/dev/null
done
"$NATIVE/orvalon" palette "$viewer/rings.bsc" --palette "Pulsar (205)" -o "$expected/rings.pal" >/dev/null
"$NATIVE/orvalon" convert "$viewer/med.pi2" -o "$expected/med.bmp" >/dev/null

# One real picture of each kind the project decodes (the best engine's class), with what
# the native tool says it offers and its shape when fitted into a 1000 x 1000 box.
first() { grep -o "$1" <<<"$2" | head -n1 || :; }
count_strings() { first "\"$1\": \\[[^]]*\\]" "$2" | grep -o '"[^"]*"' | tail -n +2 | wc -l; }
count_numbers() { first "\"$1\": \\[[^]]*\\]" "$2" | grep -o '[0-9][0-9]*' | wc -l; }
if [ -d "$samples" ]; then
  declare -A seen=()
  for f in "$samples"/*/*; do
    case "$f" in *.tsv | *.md) continue ;; esac
    json=$("$NATIVE/orvalon" info --json "$f" 2>/dev/null) || continue
    class=$(first '"class": "[^"]*"' "$json" | cut -d'"' -f4)
    [ -n "$class" ] && [ -z "${seen[$class]:-}" ] || continue
    seen[$class]=1
    name=$(first '"name": "[^"]*"' "$json" | cut -d'"' -f4)
    engines=$(grep -o '"index": ' <<<"$json" | wc -l)
    type=$(first '"paletteType": "[^"]*"' "$json" | cut -d'"' -f4)
    calc=$(first '"calcModes": [0-9]*' "$json" | grep -o '[0-9]*$')
    "$NATIVE/orvalon" thumbnail "$f" --size 1000x1000 -o "$WORK/fitted.png" >/dev/null
    size=$(od -An -tu1 -j16 -N8 "$WORK/fitted.png" | awk '{print $3*256+$4, $7*256+$8}')
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$(realpath "$f")" "$name" "$engines" \
      "$(count_strings paletteTypes "$json")" "$type" "$(count_strings paletteVariants "$json")" "$calc" \
      "$(count_numbers aspectOffered "$json")" ${size% *} ${size#* } >>"$viewer/kinds.tsv"
  done
fi

# The endurance round's files: every picture above (one real sample of each kind), files
# no engine accepts, and damaged copies of real pictures (cut short, bytes overwritten).
round="$WORK/endurance"
mkdir -p "$round"
cp "$viewer"/*.* "$round/" 2>/dev/null || :
rm -f "$round/kinds.tsv"
printf 'not a picture\n' >"$round/notes.txt"
if [ -f "$viewer/kinds.tsv" ]; then
  n=0
  while IFS=$'\t' read -r f _; do
    n=$((n + 1))
    base=$(basename "$f")
    cp "$f" "$round/$n-$base"
    if [ $((n % 4)) = 0 ]; then
      size=$(stat -c %s "$f")
      head -c $((size / 2)) "$f" >"$round/$n-cut-$base"
      { head -c $((size / 3)) "$f"; head -c 97 /dev/urandom; tail -c +$((size / 3 + 98)) "$f"; } \
        >"$round/$n-damaged-$base"
    fi
  done <"$viewer/kinds.tsv"
fi
ENDURANCE_FILES=${ENDURANCE_FILES:-1000}

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
  # A Wine process now and then dies as it starts; a test that fails so runs again.
  (cd build/windows && ctest -j2 --output-on-failure --repeat until-pass:3)
  wine build/windows/QoHost.exe build/windows/OrvalonWLX.wlx64 "$0" "$1"
  WINEDLLOVERRIDES="$WINEDLLOVERRIDES;dwmapi=d" \
    wine build/windows/QoHost.exe build/windows/OrvalonWLX.wlx64 - "$1"
  # Once more on a screen of 144 dpi: the layout must hold with larger metrics.
  dpi() { wine reg add "HKCU\\Control Panel\\Desktop" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null; }
  dpi 144
  wine build/windows/QoHost.exe build/windows/OrvalonWLX.wlx64 - "$1" || { dpi 96; exit 1; }
  dpi 96
  # The endurance round, then each planted leak, which must trip its own measure. A run
  # whose Wine process died before it measured anything runs again.
  round() {
    local out=$1 status=0
    shift
    for _ in 1 2; do
      status=0
      wine build/windows/QoHost.exe build/windows/OrvalonWLX.wlx64 --endurance "$@" >"$out" 2>&1 ||
        status=$?
      grep -q "^endurance: private bytes" "$out" && break
    done
    grep -v ":fixme:" "$out"
    return $status
  }
  round "$2.log" "$2" "$3"
  # Each line: the leak, the files of its shorter round, the measures it must trip.
  while read -r leak count measures; do
    if round "$2.leak" "$2" "$count" "$leak" >/dev/null; then
      echo "FAIL endurance: a planted $leak leak passed"; cat "$2.leak"; exit 1
    fi
    for measure in ${measures//,/ }; do
      grep -q "^FAIL endurance: ${measure//_/ }" "$2.leak" ||
        { echo "FAIL endurance: a planted $leak leak did not trip ${measure//_/ }"; cat "$2.leak"; exit 1; }
      echo "PASS endurance: a planted $leak leak trips ${measure//_/ }"
    done
  done <<LEAKS
buffer 100 private_bytes,working_set
bitmap 200 private_bytes
handle 100 handle_count
thread 100 no_thread
window 100 no_window
LEAKS
' "$manifest" "$viewer" "$round" "$ENDURANCE_FILES"
