#!/usr/bin/env bash
# Benchmarks against peers, side by side in one run, on generated fixtures.
#   bench/run.sh [sizer|removal|junk|large-files|malware|photos|ui]   (default: every benchmark)
# Environment: BENCH_RUNS (default 7), BENCH_REMOVAL_RUNS (default 5), BENCH_REMOVAL_KINDS
# ("data empty"), BENCH_FIXTURES (default bench/out), BENCH_FILES, BENCH_MALWARE_RUNS (default 3),
# BENCH_MALWARE_FILES (default 100000), BENCH_PHOTOS_FILES (default 100000), BENCH_UI_ENTITIES (default 50000).
set -euo pipefail
cd "$(dirname "$0")/.."
BIN=${BIN:-build/release/bin}
RUNS=${BENCH_RUNS:-7}
# Absolute: the engine takes no relative path for what it sizes or removes.
OUT=$(realpath -m "${BENCH_FIXTURES:-bench/out}")
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

# A tree of 100,000 files for the removal benchmark; EMPTY=1 makes every file empty.
removal_tree() {  # removal_tree KIND -> path of the pristine tree
  local kind=$1 dir="$OUT/removal-$1"
  if [ ! -f "$dir/.complete" ]; then
    rm -rf "$dir"
    python3 bench/make-fixture.py --layout linux --seed 2 --files 100000 "$dir" >&2
    rm -rf "$dir/links"
    find "$dir" -name 'large*.bin' -delete
    if [ "$kind" = empty ]; then find "$dir" -type f -exec truncate -s 0 {} +; fi
    touch "$dir/.complete"
  fi
  echo "$dir"
}

bench_removal() {
  local kind pristine
  for kind in ${BENCH_REMOVAL_KINDS:-data empty}; do
    pristine=$(removal_tree "$kind")
    local a=() b=() copy
    for _ in $(seq "${BENCH_REMOVAL_RUNS:-5}"); do  # a fresh identical copy for each run
      copy="$OUT/removal-copy"; rm -rf "$copy"; cp -a "$pristine" "$copy"; sync
      a+=("$(time_once "$BIN/bv-remove-tree" "$copy")")
      [ ! -e "$copy" ] || { echo "removal: tree left behind" >&2; return 1; }
      cp -a "$pristine" "$copy"; sync
      b+=("$(time_once rm -rf "$copy")")
    done
    local ma mb
    ma=$(printf '%s\n' "${a[@]}" | median)
    mb=$(printf '%s\n' "${b[@]}" | median)
    echo "removal ($kind files): median of ${#a[@]} runs: file manager ${ma} ms, rm -rf ${mb} ms"
    awk -v a="$ma" -v b="$mb" -v k="$kind" 'BEGIN {printf "removal (%s files): ratio to rm -rf: %.2fx; target at most 1.00x\n", k, a/b}'
  done
}

# The System Junk scan of the macos fixture against du of the same cache and log folders.
bench_junk() {  # the whole System Junk scan of each layout's fixture against du of the folders it measures
  local layout
  for layout in macos linux; do
    local home root folders=() scanned theirs
    home=$(fixture "$layout")
    root="$OUT/empty-root"; mkdir -p "$root"
    local scan=("$BIN/brenvik" scan system-junk --json --home "$home" --root "$root" --layout "$layout" --no-progress)
    # The folders whose contents the scan measures: the caches and logs, every container's caches
    # and logs, and on macos the developer tools' build products. The folders it only looks
    # through for caches kept elsewhere (the applications' own folders) are not counted for du.
    if [ "$layout" = macos ]; then
      for f in "$home/Library/Caches" "$home/Library/Logs" "$home"/Library/Containers/*/Data/Library/Caches \
               "$home"/Library/Containers/*/Data/Library/Logs "$home/Library/Developer/Xcode/DerivedData"; do
        [ -d "$f" ] && folders+=("$f")
      done
    else
      for f in "$home/.cache" "$home/.local/state" "$home"/.var/app/*/cache "$home"/.var/app/*/.local/state; do
        [ -d "$f" ] && folders+=("$f")
      done
    fi
    # On linux the unused disk images task lists the whole home (names only), on macos the
    # system languages task walks the whole library: du of that tree is timed too, as the tree
    # the scan reads.
    local whole=()
    if [ "$layout" = linux ]; then whole=(du -s --block-size=1 "$home"); else whole=(du -s --block-size=1 "$home/Library"); fi
    "${scan[@]}" >/dev/null  # once first: the scan's own log file exists from here on
    scanned=$("${scan[@]}" | python3 -c 'import json,sys; print(sum(r["size"] for r in json.load(sys.stdin)["results"]))')
    theirs=$(du -cs --block-size=1 "${folders[@]}" | tail -1 | cut -f1)
    echo "junk ($layout): ${#folders[@]} folders; scan offers $scanned bytes, du counts $theirs bytes (the scan leaves out small logs, .DS_Store files and the folders themselves)"
    local a=() b=() c=()
    for _ in $(seq "$RUNS"); do  # alternate, so all see the same cache state and load
      a+=("$(time_once "${scan[@]}")")
      b+=("$(time_once du -s --block-size=1 "${folders[@]}")")
      if [ ${#whole[@]} -gt 0 ]; then c+=("$(time_once "${whole[@]}")"); fi
    done
    local ma mb
    ma=$(printf '%s\n' "${a[@]}" | median)
    mb=$(printf '%s\n' "${b[@]}" | median)
    echo "junk ($layout): median of $RUNS runs: brenvik scan system-junk --json ${ma} ms, du -s of those folders ${mb} ms"
    awk -v a="$ma" -v b="$mb" -v l="$layout" 'BEGIN {printf "junk (%s): ratio to du of the measured folders: %.2fx; target at most 0.60x\n", l, a/b}'
    if [ ${#c[@]} -gt 0 ]; then
      local mc; mc=$(printf '%s\n' "${c[@]}" | median)
      echo "junk ($layout): du -s of ~${whole[-1]#"$home"} (the tree the scan reads) ${mc} ms"
      awk -v a="$ma" -v c="$mc" -v l="$layout" 'BEGIN {printf "junk (%s): ratio to du of the tree the scan reads: %.2fx\n", l, a/c}'
    fi
  done
}

# The large-files scan (the walk of the home that stands in for the metadata index) against
# find and fd looking for the same files (more than 52428800 bytes). On the macos layout the
# scan does not enter ~/Library (a large file there is never offered); on the linux layout of
# the same tree it walks everything, as find and fd do.
large_files_paths() {  # large_files_paths HOME LAYOUT -> the found paths, sorted
  "$BIN/brenvik" scan large-files --home "$1" --layout "$2" --json --no-progress |
    python3 -c 'import json,sys; [print(i["path"]) for r in json.load(sys.stdin)["results"] for i in r["items"]]' | sort
}

bench_large_files() {
  local home fd
  home=$(fixture macos)
  fd=$(command -v fdfind || command -v fd || true)
  if [ -z "$fd" ]; then echo "large-files: fd-find is not installed (scripts/install-deps)" >&2; return 1; fi
  local ours_mac ours_lin theirs fds
  ours_mac=$(large_files_paths "$home" macos)
  ours_lin=$(large_files_paths "$home" linux)
  theirs=$(find "$home" -type f -size +50M | sort)
  fds=$("$fd" -HI -t f --size +52428801b . "$home" | sort)
  echo "large-files: $(printf '%s\n' "$theirs" | grep -c .) files found by find"
  if [ "$ours_mac" != "$theirs" ] || [ "$ours_lin" != "$theirs" ] || [ "$fds" != "$theirs" ]; then
    echo "large-files: the found files differ" >&2
    diff <(printf '%s\n' "$ours_mac") <(printf '%s\n' "$theirs") >&2 || true
    diff <(printf '%s\n' "$fds") <(printf '%s\n' "$theirs") >&2 || true
    return 1
  fi
  local a=() l=() b=() c=()
  for _ in $(seq "$RUNS"); do  # alternate, so all see the same cache state and load
    a+=("$(time_once "$BIN/brenvik" scan large-files --home "$home" --layout macos --json --no-progress)")
    l+=("$(time_once "$BIN/brenvik" scan large-files --home "$home" --layout linux --json --no-progress)")
    b+=("$(time_once find "$home" -type f -size +50M)")
    c+=("$(time_once "$fd" -HI -t f --size +52428801b . "$home")")
  done
  local ma ml mb mc
  ma=$(printf '%s\n' "${a[@]}" | median)
  ml=$(printf '%s\n' "${l[@]}" | median)
  mb=$(printf '%s\n' "${b[@]}" | median)
  mc=$(printf '%s\n' "${c[@]}" | median)
  echo "large-files: median of $RUNS runs: brenvik ${ma} ms (macos layout), ${ml} ms (linux layout, whole tree), find ${mb} ms, fd ${mc} ms"
  awk -v a="$ma" -v l="$ml" -v b="$mb" -v c="$mc" 'BEGIN {printf "large-files: ratio to find: %.2fx (whole tree %.2fx); to fd: %.2fx (whole tree %.2fx); target at most 0.50x find\n", a/b, l/b, a/c, l/c}'
}

# The malware scan's hash rules: a home of BENCH_MALWARE_FILES ordinary files and a few hundred
# large files whose sizes rules have, 10,000 hash rules imported into the home's knowledge base.
# Side by side: sha256sum over exactly the files whose size some rule has (the bytes the scan
# must read), and clamscan given the same signatures over the same folder (the same findings).
# clamscan's status is 1 when it found something, which is what it is asked to do here.
clamscan_found() { clamscan "$@" || [ $? -eq 1 ]; }

bench_malware() {
  local files=${BENCH_MALWARE_FILES:-100000} runs=${BENCH_MALWARE_RUNS:-3}
  local dir="$OUT/malware-$files"
  if [ ! -f "$dir/.complete" ]; then
    rm -rf "$dir"
    python3 bench/make-malware-fixture.py --files "$files" "$dir" >&2
    "$BIN/brenvik" kb import-signatures "$dir/signatures.hsb" --home "$dir/home" --layout linux >/dev/null
    touch "$dir/.complete"
  fi
  local home="$dir/home" root="$dir/root"
  command -v clamscan >/dev/null || { echo "malware: clamscan is missing (scripts/install-deps installs clamav)" >&2; return 1; }
  local ours theirs expected
  ours=$("$BIN/brenvik" scan malware --json --home "$home" --root "$root" --layout linux --no-progress |
    python3 -c 'import json,sys; d=json.load(sys.stdin); print("\n".join(sorted(i["path"] for r in d["results"] for i in r["items"])))')
  theirs=$(clamscan_found --no-summary --infected -d "$dir/signatures.hsb" -r "$home/Downloads" | sed 's/: [^:]* FOUND$//' | sort)
  expected=$(cat "$dir/expected.txt")
  if [ "$ours" != "$expected" ] || [ "$theirs" != "$expected" ]; then
    echo "malware: findings differ: ours [$ours] clamscan [$theirs] expected [$expected]" >&2
    return 1
  fi
  local bytes
  bytes=$(xargs -d '\n' stat -c %s < "$dir/candidates.txt" | awk '{s += $1} END {print s}')
  echo "malware: $files files, $(wc -l < "$dir/candidates.txt") of a rule's size ($((bytes / 1048576)) MiB), $(grep -c . "$dir/expected.txt") real matches, 10000 rules; findings equal"
  local a=() b=() c=()
  for _ in $(seq "$runs"); do  # alternate, so all see the same cache state and load
    a+=("$(time_once "$BIN/brenvik" scan malware --json --home "$home" --root "$root" --layout linux --no-progress)")
    b+=("$(time_once xargs -d '\n' sha256sum < "$dir/candidates.txt")")
    c+=("$(time_once clamscan_found --no-summary --infected -d "$dir/signatures.hsb" -r "$home/Downloads")")
  done
  local ma mb mc
  ma=$(printf '%s\n' "${a[@]}" | median)
  mb=$(printf '%s\n' "${b[@]}" | median)
  mc=$(printf '%s\n' "${c[@]}" | median)
  echo "malware: median of $runs runs: brenvik ${ma} ms (the whole scan), sha256sum ${mb} ms (the candidates only), clamscan ${mc} ms"
  awk -v a="$ma" -v b="$mb" -v c="$mc" -v n="$bytes" 'BEGIN {printf "malware: throughput over the candidate bytes: brenvik %.0f MB/s, sha256sum %.0f MB/s: %.2fx (target at least 3x); clamscan takes %.2fx our time\n", n/a/1000, n/b/1000, b/a, c/a}'
}

bench_photos() {  # a photo library's media caches (BENCH_PHOTOS_FILES files) against du -s of their folders
  local n=${BENCH_PHOTOS_FILES:-100000} dir library
  dir="$OUT/photos-$n"
  library="$dir/home/Pictures/Photos Library.photoslibrary"
  if [ ! -f "$dir/.complete" ]; then
    rm -rf "$dir"
    mkdir -p "$dir/root"
    python3 - "$library" "$n" <<'PY'
import os, random, sys
library, n = sys.argv[1], int(sys.argv[2])
random.seed(1)
for i in range(n):
    kind = ("version", "master", "face")[i % 3]
    folder = os.path.join(library, "resources/media", kind, "%02x" % (i % 256))
    os.makedirs(folder, exist_ok=True)
    name = "%08d.%s" % (i, "mov" if i % 50 == 0 else "jpeg")
    with open(os.path.join(folder, name), "wb") as f:
        f.write(b"x" * random.randint(2000, 60000))
PY
    touch "$dir/.complete"
  fi
  local folders=("$library/resources/media/version" "$library/resources/media/master" "$library/resources/media/face")
  local a=() b=()
  for _ in $(seq "$RUNS"); do  # alternate, so both see the same cache state and load
    a+=("$(time_once "$BIN/brenvik" scan photos --json --home "$dir/home" --root "$dir/root" --layout macos --no-progress)")
    b+=("$(time_once du -s --block-size=1 "${folders[@]}")")
  done
  local ma mb
  ma=$(printf '%s\n' "${a[@]}" | median)
  mb=$(printf '%s\n' "${b[@]}" | median)
  echo "photos: $n files in the caches: median of $RUNS runs: brenvik scan photos ${ma} ms, du -s of the three folders ${mb} ms"
  awk -v a="$ma" -v b="$mb" 'BEGIN {printf "photos: ratio to du: %.2fx\n", a/b}'
}

bench_ui() {  # the review window with a tree of BENCH_UI_ENTITIES entities (a trash of that many files)
  local n=${BENCH_UI_ENTITIES:-50000} dir
  dir="$OUT/ui-trash-$n"
  if [ ! -f "$dir/.complete" ]; then
    rm -rf "$dir"
    mkdir -p "$dir/home/.local/share/Trash/files" "$dir/root"
    (cd "$dir/home/.local/share/Trash/files" && seq -f "file-%05g" 1 "$n" | xargs touch)
    touch "$dir/.complete"
  fi
  node --experimental-websocket bench/ui-tree.mjs "$BIN/brenvik" "$dir" "$RUNS"
  local a=()
  for _ in $(seq "$RUNS"); do
    a+=("$(time_once "$BIN/brenvik" scan trash --json --home "$dir/home" --root "$dir/root" --layout linux --no-progress)")
  done
  echo "ui-tree: the same scan by the command line (--json): median of $RUNS $(printf '%s\n' "${a[@]}" | median) ms"
}

which=${1:-all}
case "$which" in
  sizer) bench_sizer ;;
  removal) bench_removal ;;
  junk) bench_junk ;;
  large-files) bench_large_files ;;
  malware) bench_malware ;;
  photos) bench_photos ;;
  ui) bench_ui ;;
  all) bench_sizer; bench_removal; bench_junk; bench_large_files; bench_malware; bench_photos; bench_ui ;;
  *) echo "unknown benchmark: $which" >&2; exit 2 ;;
esac
