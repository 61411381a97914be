#!/usr/bin/env bash
# Replays a fuzz target's seed corpus and then runs a bounded number of new inputs.
# Usage: run_fuzz.sh TARGET CORPUS_DIR RUNS
# New interesting inputs go to a scratch directory (the first corpus directory libFuzzer is
# given), so the checked-in seed corpus is never written to.
set -euo pipefail
target=$1 corpus=$2 runs=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# A crash, leak, sanitizer report or a single input over 10 s fails the run; the crashing input
# is kept in the scratch directory's artifact prefix and printed by libFuzzer as hex.
exec_status=0
"$target" -runs="$runs" -timeout=10 -rss_limit_mb=2048 -max_len=4096 -print_final_stats=1 \
  -artifact_prefix="$scratch/" "$scratch" "$corpus" || exec_status=$?
if [ "$exec_status" -ne 0 ]; then
  for f in "$scratch"/crash-* "$scratch"/leak-* "$scratch"/timeout-* "$scratch"/oom-*; do
    [ -e "$f" ] || continue
    echo "failing input $(basename "$f") (base64):"
    base64 -w0 "$f"; echo
  done
fi
exit "$exec_status"
