#!/usr/bin/env bash
# Benchmarks against peers, side by side in one run, on generated fixtures.
#   bench/run.sh [sizer]        (default: every benchmark)
# Environment: BENCH_RUNS (default 7), BENCH_FIXTURES (default bench/out), BENCH_FILES.
set -euo pipefail
cd "$(dirname "$0")/.."
BIN=${BIN:-build/release/bin}
RUNS=${BENCH_RUNS:-7}
OUT=${BENCH_FIXTURES:-bench/out}
FILES=${BENCH_FILES:-300000}
mkdir -p "$OUT"

fixture() {  # fixture LAYOUT -> path of the generated home (made once, then reused)
  local dir="$OUT/home-$1-$FILES"
  if [ ! -f "$dir/.complete" ]; then
    rm -rf "$dir"
    python3 bench/make-fixture.py --layout "$1" --seed 1 --files "$FILES" "$dir" >&2
    touch "$dir/.complete"
  fi
  echo "$dir"
}

now_ns() { date +%s%N; }

median() { sort -n | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }

# time_runs NAME COMMAND... : runs the command RUNS times (its output discarded), prints ms per run
time_once() {
  local start end
  start=$(now_ns)
  "$@" >/dev/null
  end=$(now_ns)
  echo $(( (end - start) / 1000000 ))
}

bench_sizer() {
  local home tree ours theirs
  home=$(fixture macos)
  tree="$home"
  ours=$("$BIN/bv-size-tree" "$tree")
  theirs=$(du -s --block-size=1 "$tree" | cut -f1)
  echo "sizer: tree $tree: ours $ours bytes, du $theirs bytes"
  if [ "$ours" != "$theirs" ]; then echo "sizer: totals differ" >&2; return 1; fi
  local a=() b=() c=()
  for _ in $(seq "$RUNS"); do  # alternate, so both see the same cache state and load
    a+=("$(time_once "$BIN/bv-size-tree" "$tree")")
    b+=("$(time_once du -s --block-size=1 "$tree")")
    c+=("$(time_once "$BIN/bv-size-tree" "$tree" 1)")
  done
  local ma mb mc
  ma=$(printf '%s\n' "${a[@]}" | median)
  mb=$(printf '%s\n' "${b[@]}" | median)
  mc=$(printf '%s\n' "${c[@]}" | median)
  echo "sizer: median of $RUNS runs: QLFileSizer ${ma} ms (one thread ${mc} ms), du ${mb} ms"
  awk -v a="$ma" -v b="$mb" -v c="$mc" 'BEGIN {printf "sizer: ratio to du: %.2fx (one thread %.2fx); target at most 0.60x\n", a/b, c/b}'
}

which=${1:-all}
case "$which" in
  sizer|all) bench_sizer ;;
  *) echo "unknown benchmark: $which" >&2; exit 2 ;;
esac
