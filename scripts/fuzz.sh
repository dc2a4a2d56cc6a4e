#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each of FUZZ_TARGETS (default "decode engine depack") for FUZZ_SECONDS (default 60):
#   decode  the whole road of a file (every class, every palette choice, PNG export);
#   engine  one engine class at a time, chosen by the first input bytes;
#   depack  the depackers and stream readers.
# Seeds come from the built-in example pictures and, when present, the sample pictures
# (copied at run time, never committed); the engine target's seeds are made from the
# decode corpus. Both decode targets use the signature dictionary fuzz/orvalon.dict.
# Findings land in build/fuzz/findings; corpora grow in build/fuzz/corpus-* between runs.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
SECONDS_EACH=${FUZZ_SECONDS:-60}
TARGETS=${FUZZ_TARGETS:-decode engine depack}
B=build/fuzz
if [ ! -f $B/build.ninja ]; then
  CC=clang CXX=clang++ cmake -S . -B $B -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DORVALON_FUZZ=ON >/dev/null
fi
cmake --build $B -j "$(nproc)" --target orvalon-fuzz-decode orvalon-fuzz-engine \
  orvalon-fuzz-depack orvalon-fuzz-seeds orvalon-demo-pictures
mkdir -p $B/corpus-decode $B/corpus-engine $B/corpus-depack $B/findings $B/seed-files
$B/orvalon-demo-pictures $B/seed-files >/dev/null
samples=${ORVALON_SAMPLES:-$ROOT/../shared/samples}
seed_files=("$B"/seed-files/*)
if [ -d "$samples" ]; then
  while IFS= read -r f; do seed_files+=("$f"); done < <(find "$samples" -type f ! -name MANIFEST.tsv)
fi
$B/orvalon-fuzz-seeds $B/corpus-decode "${seed_files[@]}"
$B/orvalon-fuzz-seeds --engine $B/corpus-engine $B/corpus-decode/*
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for target in $TARGETS; do
  echo "fuzzing $target for $SECONDS_EACH s"
  dict=()
  [ "$target" = depack ] || dict=(-dict=fuzz/orvalon.dict)
  # One engine at a time needs no more than a large screen; longer inputs only slow it.
  max_len=4194304
  [ "$target" = engine ] && max_len=65536
  $B/orvalon-fuzz-$target "${dict[@]}" -max_total_time="$SECONDS_EACH" -max_len=$max_len -timeout=10 \
    -rss_limit_mb=2048 -artifact_prefix=$B/findings/$target- -print_final_stats=1 \
    $B/corpus-$target 2>$B/fuzz-$target.log || status=1
  grep -E '^stat::number_of_executed_units|^stat::average_exec_per_sec|^stat::peak_rss_mb|^#[0-9]+.*DONE' $B/fuzz-$target.log || true
  [ "$status" = 0 ] || { tail -40 $B/fuzz-$target.log; exit 1; }
done
echo "no findings; corpora in $B/corpus-decode, $B/corpus-engine and $B/corpus-depack"
