#!/usr/bin/env bash
# Times the headless run (`quillmor --run`) against the standard tools on trees made by
# shared/bench/make-tree, warm cache, median of several repetitions:
#   first backup of a 10,000-file tree       vs `cp -a` and `rsync -a`
#   no-change pass over a 100,000-file tree   vs `rsync -a` (same source and destination)
# Usage: bench/run_bench.sh [--reps N] [--work DIR] [--small N] [--large N] [--no-build]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
shared="${QUILLMOR_SHARED:-$(dirname "$root")/shared}"
make_tree="$shared/bench/make-tree"
work=/tmp/quillmor-run-bench
reps=3
small=10000
large=100000
build=1
while [ $# -gt 0 ]; do
  case "$1" in
    --reps) reps=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    --small) small=$2; shift 2 ;;
    --large) large=$2; shift 2 ;;
    --no-build) build=0; shift ;;
    *) echo "usage: $0 [--reps N] [--work DIR] [--small N] [--large N] [--no-build]" >&2; exit 2 ;;
  esac
done

bin="$root/build/engine-loop-release/quillmor"
if [ "$build" -eq 1 ]; then
  cmake -S "$root" -B "$root/build/engine-loop-release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DQUILLMOR_GUI=OFF -DQUILLMOR_BENCH=OFF -DQUILLMOR_TESTS=OFF >/dev/null
  ninja -C "$root/build/engine-loop-release" quillmor >/dev/null
fi

mkdir -p "$work"
tree() {  # tree NAME FILES SEED: made once, kept between runs
  local dir="$work/$1"
  if [ ! -f "$dir.done" ]; then
    rm -rf "$dir"
    "$make_tree" "$dir" --files "$2" --dirs $(($2 / 50)) --depth 6 --seed "$3" >/dev/null
    touch "$dir.done"
  fi
}
tree small "$small" 1
tree large "$large" 2

# A store of two profiles in the program's record layout (1682 bytes each, little-endian).
store="$work/store.dat"
python3 - "$store" "$work" <<'PY'
import struct, sys
store, work = sys.argv[1], sys.argv[2]
def text(value, capacity):
    data = value.encode()[:capacity]
    return bytes([len(data)]) + data + bytes(capacity - len(data))
def record(name, src, dest):
    r = bytearray(1682)
    r[0] = 1
    r[1:42] = text(name, 40)
    r[42:298] = text(src, 255)
    r[298:554] = text(dest, 255)
    r[554:810] = text('*.*', 255)
    r[810] = 1
    return bytes(r)
with open(store, 'wb') as f:
    f.write(record('First', work + '/small', work + '/q-first'))
    f.write(record('Same', work + '/large', work + '/q-same'))
PY

# A private configuration; with the default log options a clean run writes no log.
export QUILLMOR_CONFIG_DIR="$work/config" XDG_DATA_HOME="$work/data"

now() { date +%s.%N; }
median() { sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
# timed PREPARE COMMAND...: runs PREPARE (untimed), then times COMMAND, `reps` times; prints
# the median in seconds.
timed() {
  local prepare=$1; shift
  for _ in $(seq "$reps"); do
    eval "$prepare"
    local t0; t0=$(now)
    "$@" >/dev/null
    echo "$(now) - $t0" | bc -l
  done | median
}

# Warm the cache.
find "$work/small" "$work/large" -type f -print0 | xargs -0 cat >/dev/null

q_first=$(timed "rm -rf '$work/q-first'" "$bin" --run First --store "$store")
cp_first=$(timed "rm -rf '$work/cp-first'" cp -a "$work/small" "$work/cp-first")
rs_first=$(timed "rm -rf '$work/rs-first'" rsync -a "$work/small/" "$work/rs-first/")

# The no-change pass: each tool against the destination it made itself.
[ -d "$work/q-same" ] || "$bin" --run Same --store "$store" >/dev/null
[ -d "$work/rs-same" ] || rsync -a "$work/large/" "$work/rs-same/"
q_same=$(timed ":" "$bin" --run Same --store "$store")
rs_same=$(timed ":" rsync -a "$work/large/" "$work/rs-same/")

ratio() { echo "scale=2; $1 / $2" | bc -l; }
printf '%-44s %9s %9s %7s\n' "case" "quillmor" "tool" "ratio"
printf '%-44s %8.3fs %8.3fs %7s\n' "first backup, $small files, vs cp -a" "$q_first" "$cp_first" "$(ratio "$q_first" "$cp_first")"
printf '%-44s %8.3fs %8.3fs %7s\n' "first backup, $small files, vs rsync -a" "$q_first" "$rs_first" "$(ratio "$q_first" "$rs_first")"
printf '%-44s %8.3fs %8.3fs %7s\n' "no-change pass, $large files, vs rsync -a" "$q_same" "$rs_same" "$(ratio "$q_same" "$rs_same")"
