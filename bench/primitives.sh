#!/bin/sh
# Builds the primitives benchmark in Release and prints how it compares with the system tools:
# scan of a 100,000-file tree against find, copy of a 1 GiB file against cp, one ZIP archive per
# file of a 10,000-file tree against the zip-each baseline. Trees live under $WORK (default
# /tmp/quillmor-bench), never in the repository. Each side runs $RUNS times (default 3), the
# best time counts, caches warm.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$ROOT/build/engine-prims-release}
WORK=${WORK:-/tmp/quillmor-bench}
RUNS=${RUNS:-3}
TOOLS=/work/shared/bench

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLMOR_GUI=OFF \
  -DQUILLMOR_TESTS=OFF -DQUILLMOR_BENCH=ON >/dev/null
ninja -C "$BUILD" primitives_bench >/dev/null
BENCH=$BUILD/bench/primitives_bench

mkdir -p "$WORK"
[ -d "$WORK/tree100k" ] || "$TOOLS/make-tree" "$WORK/tree100k" --files 100000 --dirs 2000 --depth 6 --seed 1 >/dev/null
[ -d "$WORK/tree10k" ] || "$TOOLS/make-tree" "$WORK/tree10k" --files 10000 --dirs 200 --depth 6 --seed 1 >/dev/null
[ -f "$WORK/big.bin" ] || head -c 1073741824 /dev/urandom >"$WORK/big.bin"

now() { date +%s.%N; }
# best_of PREPARE CMD...: the shortest wall time of $RUNS runs of CMD, in seconds; PREPARE runs
# untimed before each (removing the previous output).
best_of() {
  prepare=$1
  shift
  best=
  i=0
  while [ $i -lt "$RUNS" ]; do
    $prepare
    sync  # no dirty pages of an earlier run left to slow this one
    t0=$(now); "$@" >/dev/null 2>&1; t1=$(now)
    t=$(echo "$t1 - $t0" | bc -l)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
    i=$((i + 1))
  done
  echo "$best"
}
ours() {  # ours FILTER: best real time in seconds of the benchmark FILTER
  "$BENCH" --benchmark_filter="$1" --benchmark_repetitions="$RUNS" --benchmark_format=json 2>/dev/null |
    python3 -c 'import json,sys; r=[b["real_time"] for b in json.load(sys.stdin)["benchmarks"] if b.get("run_type")=="iteration"]; print(min(r)/1000.0)'
}
ratio() { printf '%-34s ours %8.3f s   %-14s %8.3f s   ratio %.2f\n' "$1" "$2" "$3" "$4" "$(echo "$2 / $4" | bc -l)"; }

export QM_BENCH_SCAN_TREE="$WORK/tree100k" QM_BENCH_COPY_FILE="$WORK/big.bin"
export QM_BENCH_ZIP_TREE="$WORK/tree10k" QM_BENCH_ZIP_OUT="$WORK/zip-ours"

find "$WORK/tree100k" -type f >/dev/null  # warm the cache
s_find=$(best_of : find "$WORK/tree100k" -type f -printf '%s %T@\n')
s_ours=$(ours BM_ScanTree)
ratio "scan, 100,000 files" "$s_ours" "find" "$s_find"

no_copy() { rm -f "$WORK/big.cp"; }
copy_cp_sync() { cp "$WORK/big.bin" "$WORK/big.cp"; sync "$WORK/big.cp"; }
c_cp=$(best_of no_copy cp "$WORK/big.bin" "$WORK/big.cp")
c_cps=$(best_of no_copy copy_cp_sync)
rm -f "$WORK/big.cp"
c_ours=$(ours BM_CopyFile)
ratio "copy, 1 GiB (ours syncs)" "$c_ours" "cp" "$c_cp"
ratio "copy, 1 GiB (ours syncs)" "$c_ours" "cp + sync" "$c_cps"

no_zip() { rm -rf "$WORK/zip-base"; }
z_base=$(best_of no_zip "$TOOLS/zip-each" "$WORK/tree10k" "$WORK/zip-base")
z_ours=$(ours BM_ZipEach)
ratio "ZIP per file, 10,000 files" "$z_ours" "zip-each" "$z_base"
rm -rf "$WORK/zip-base" "$WORK/zip-ours"
