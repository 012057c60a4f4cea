#!/usr/bin/env bash
# Benchmarks update and compare against rsync, cp, rm, diff and cmp on the
# same work, in alternation, and prints medians and our/peer ratios.
#
#   bench/run.sh [--quick] [--runs N] [--only name,name,...] [--list]
#
# Environment:
#   BENCH_WORK   scratch folder for trees and results (default /tmp/bench-work)
#   BENCH_BUILD  build folder of the programs (default <repo>/build-bench);
#                it is configured and built here unless BENCH_NO_BUILD=1
#   BENCH_BIN    folder holding update and compare (default $BENCH_BUILD/bin)
#   BENCH_BEFORE folder holding an earlier build of compare, run beside ours
#                in the compare scenarios (rows "compare (before)")
#
# Needs rsync, GNU diffutils, cmake, ninja and a C++20 compiler; root for the
# tmpfs mount and for dropping the page cache (without root the tmpfs falls
# back to /dev/shm and the cold-cache mirror is skipped).
set -euo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REPO=$(dirname "$HERE")
WORK=${BENCH_WORK:-/tmp/bench-work}
BUILD=${BENCH_BUILD:-$REPO/build-bench}
BIN=${BENCH_BIN:-$BUILD/bin}
TOOLS=$BUILD/bench-tools

QUICK=0
RUNS_OVERRIDE=
ONLY=
ALL_SCENARIOS="mirror-tmpfs mirror-cold resync-nochange resync-1pct remove-subtree compare-identical compare-1pct compare-quick compare-quick-1pct compare-big mirror-big mirror-sparse memory"
while [ $# -gt 0 ]; do
  case "$1" in
    --quick) QUICK=1 ;;
    --runs) RUNS_OVERRIDE=$2; shift ;;
    --only) ONLY=$2; shift ;;
    --list) echo "$ALL_SCENARIOS"; exit 0 ;;
    -h|--help) sed -n '2,18p' "$0"; exit 0 ;;
    *) echo "run.sh: unknown argument $1" >&2; exit 2 ;;
  esac
  shift
done

if [ "$QUICK" = 1 ]; then
  SIZE=quick; FILES=10000; FOLDERS=200; BIG_COUNT=8; BIG_MIB=16; SMALL_FILES=2000; SMALL_FOLDERS=40
else
  SIZE=full; FILES=100000; FOLDERS=2000; BIG_COUNT=8; BIG_MIB=128; SMALL_FILES=20000; SMALL_FOLDERS=400
fi
STAMP=$(date +%Y%m%d-%H%M%S)
RES=$WORK/results/$STAMP-$SIZE
mkdir -p "$RES"
TSV=$RES/results.tsv
TARGETS=$RES/targets.tsv
CHECKS=$RES/checks.txt
OUT=$RES/output.txt
: >"$TSV"; : >"$TARGETS"; : >"$CHECKS"; : >"$OUT"

# The programs run headless, as from cron.
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
cd "$WORK"

log() { printf '%s\n' "$*" >&2; }
selected() { [ -z "$ONLY" ] || [[ ",$ONLY," == *",$1,"* ]]; }
runs() { if [ -n "$RUNS_OVERRIDE" ]; then echo "$RUNS_OVERRIDE"; elif [ "$QUICK" = 1 ]; then echo 3; else echo "$1"; fi; }

# ---------------------------------------------------------------- file systems
# The trees live on an ext4 file system of their own, in an image file under
# BENCH_WORK, mounted without online discard: on a disk mounted with
# "discard" every deletion of many files waits on the device (rm -rf of the
# 100k-file tree then takes minutes instead of about a second), and a fresh
# file system does not carry the fragmentation of earlier runs. Without root
# (or without loop devices) the trees go to BENCH_WORK as it is.
FSDIR=$WORK/ext4
IMAGE=$WORK/ext4.img
MOUNTS=()
cleanup() {
  local m
  for m in "${MOUNTS[@]}"; do umount "$m" 2>/dev/null || true; done
}
trap cleanup EXIT
mkdir -p "$FSDIR"
if mountpoint -q "$FSDIR"; then
  :
elif [ "$(id -u)" = 0 ] && [ "${BENCH_NO_IMAGE:-0}" != 1 ]; then
  if [ ! -f "$IMAGE" ]; then
    log "== making the ext4 file system $IMAGE"
    truncate -s 24G "$IMAGE"
    mkfs.ext4 -q -F -i 8192 -E lazy_itable_init=0,lazy_journal_init=0 "$IMAGE"
  fi
  if mount -o loop "$IMAGE" "$FSDIR" 2>/dev/null; then
    MOUNTS+=("$FSDIR")
  else
    log "(cannot mount $IMAGE; the trees go to $FSDIR on the host file system)"
  fi
fi
DATA=$FSDIR/data-$SIZE
RUN=$FSDIR/run-$SIZE
mkdir -p "$DATA" "$RUN"

# ---------------------------------------------------------------- build
cmake -S "$HERE" -B "$TOOLS" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$TOOLS" -j2 >/dev/null
GEN=$TOOLS/gen_tree; LIMITS=$TOOLS/limits; MEASURE=$TOOLS/measure
if [ "${BENCH_NO_BUILD:-0}" != 1 ]; then
  cmake -S "$REPO" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_GUI=OFF -DBUILD_TESTING=OFF >/dev/null
  cmake --build "$BUILD" --target update compare -j2 >/dev/null
fi
UPDATE=$BIN/update; COMPARE=$BIN/compare
for p in "$UPDATE" "$COMPARE"; do
  [ -x "$p" ] || { echo "run.sh: $p is missing" >&2; exit 2; }
done

# ---------------------------------------------------------------- data
# A: the tree; B: its mirror (cp -a); S1: A after a day's changes (1% of the
# files changed, 1% deleted, 1% added); big/A, big/B: the big files and their
# copy; rm/src, rm/tpl: a small tree, and its copy plus a subtree "sobra" of
# FILES files that the source lacks; mem/*: trees for the memory check.
PARAMS="v1 $FILES $FOLDERS $BIG_COUNT $BIG_MIB $SMALL_FILES $SMALL_FOLDERS"
if [ "$(cat "$DATA/.complete" 2>/dev/null)" != "$PARAMS" ]; then
  log "== generating trees in $DATA"
  rm -rf "$DATA"; mkdir -p "$DATA/big" "$DATA/rm" "$DATA/mem"
  "$GEN" tree "$DATA/A" --files "$FILES" --folders "$FOLDERS" --seed 1 >&2
  cp -a "$DATA/A" "$DATA/B"
  cp -a "$DATA/A" "$DATA/S1"
  "$GEN" mutate "$DATA/S1" --permille 10 --seed 2 | tee "$DATA/mutate.txt" >&2
  "$GEN" big "$DATA/big/A" --count "$BIG_COUNT" --mib "$BIG_MIB" --seed 3 >&2
  cp -a "$DATA/big/A" "$DATA/big/B"
  "$GEN" tree "$DATA/rm/src" --files 20 --folders 2 --seed 4 >&2
  cp -a "$DATA/rm/src" "$DATA/rm/tpl"
  "$GEN" tree "$DATA/rm/tpl/sobra" --files "$FILES" --folders "$FOLDERS" --seed 5 >&2
  "$GEN" tree "$DATA/mem/tree" --files "$SMALL_FILES" --folders "$SMALL_FOLDERS" --seed 6 >&2
  "$GEN" tree "$DATA/mem/flat" --files "$SMALL_FILES" --flat --seed 7 >&2
  sync
  echo "$PARAMS" >"$DATA/.complete"
fi
# "… N changed, N deleted, N added"
read -r CHANGED DELETED ADDED < <(sed -E 's/.*: ([0-9]+) changed, ([0-9]+) deleted, ([0-9]+) added/\1 \2 \3/' "$DATA/mutate.txt")

# A tmpfs for the mirrors whose result must not depend on the disk's history.
TMPFS=$WORK/tmpfs
need_tmpfs() {
  [ -n "${TMPFS_READY:-}" ] && return
  mkdir -p "$TMPFS"
  if mountpoint -q "$TMPFS"; then
    :
  elif mount -t tmpfs -o size=6g tmpfs "$TMPFS" 2>/dev/null; then
    MOUNTS+=("$TMPFS")
  else
    TMPFS=/dev/shm/bench-work-$$
    mkdir -p "$TMPFS"
    log "(no tmpfs mount; using $TMPFS)"
  fi
  TMPFS_READY=1
}

CAN_DROP=0
if [ -w /proc/sys/vm/drop_caches ] && (echo 3 >/proc/sys/vm/drop_caches) 2>/dev/null; then CAN_DROP=1; fi

# ---------------------------------------------------------------- runner
# A scenario: commands added with `cmd`, then `measure_scenario`. Each round
# runs every command once (after its preparation), rotating which goes first,
# so that our program and its peers see the same machine state.
declare -a C_LABEL C_ROLE C_RC C_CMD
new_scenario() { SCEN=$1; C_LABEL=(); C_ROLE=(); C_RC=(); C_CMD=(); PREPARE=:; WARMUP=0; }
# cmd LABEL ROLE(ours|peer|limit) EXPECTED_STATUS(regex) COMMAND...
cmd() { C_LABEL+=("$1"); C_ROLE+=("$2"); C_RC+=("$3"); shift 3; C_CMD+=("$(printf '%q ' "$@")"); }
# target OURS_LABEL REF_LABELS(comma: the fastest of them in each round) FACTOR
target() { printf '%s\t%s\t%s\t%s\n' "$SCEN" "$1" "$2" "$3" >>"$TARGETS"; }
check() { printf '%s\t%s\n' "$SCEN" "$*" >>"$CHECKS"; log "   check: $*"; }

run_one() {  # index round
  local i=$1 round=$2 line
  eval "local -a argv=(${C_CMD[$i]})"
  eval "$PREPARE"
  printf '\n### %s %s round %s\n' "$SCEN" "${C_LABEL[$i]}" "$round" >>"$OUT"
  line=$("$MEASURE" "$OUT" -- "${argv[@]}")
  read -r wall user sys rss rc <<<"$line"
  if [ "$round" -gt 0 ]; then
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$SCEN" "${C_LABEL[$i]}" "${C_ROLE[$i]}" \
      "$round" "$wall" "$user" "$sys" "$rss" "$rc" "${C_RC[$i]}" >>"$TSV"
  fi
  local flag=""
  [[ "$rc" =~ ^(${C_RC[$i]})$ ]] || flag="  UNEXPECTED EXIT STATUS $rc"
  log "$(printf '   %-22s round %-2s %8.3f s  %7d KiB%s' "${C_LABEL[$i]}" "$round" "$wall" "$rss" "$flag")"
}

measure_scenario() {  # rounds
  local rounds=$1 n=${#C_LABEL[@]} r k
  printf '#load\t%s\t%s\n' "$SCEN" "$(uptime | sed 's/.*load average: //')" >>"$TSV"
  if [ "$WARMUP" = 1 ]; then
    for ((k = 0; k < n; k++)); do run_one "$k" 0; done
  fi
  for ((r = 1; r <= rounds; r++)); do
    for ((k = 0; k < n; k++)); do run_one $(((k + r) % n)) "$r"; done
  done
  printf '#load-end\t%s\t%s\n' "$SCEN" "$(uptime | sed 's/.*load average: //')" >>"$TSV"
}

# Our programs' command lines: unattended, the log in the scratch folder.
ULOG=$RES/update.log
CLOG=$RES/compare.log
# An earlier build of compare, timed beside ours: compare_before STATUS [/q] a b
BEFORE=${BENCH_BEFORE:-}
compare_before() {
  [ -n "$BEFORE" ] || return 0
  cmd "compare (before)" before "$1" "$BEFORE/compare" /u "/logfile:$CLOG.before" "${@:2}"
}

# Differences between two trees that rsync sees (presence, type, size, time,
# permission bits), folder times left out.
meta_diff() { rsync -ani --delete "$1/" "$2/" | grep -v '^\.d' || true; }
# Verifies that dst mirrors src exactly: same names, contents, times, modes.
verify_mirror() {
  local what=$1 src=$2 dst=$3 m c
  m=$(meta_diff "$src" "$dst" | head -5)
  c=$(diff -rq "$src" "$dst" 2>&1 | head -5 || true)
  if [ -z "$m" ] && [ -z "$c" ]; then check "$what: ok (identical names, contents, times, modes)"
  else check "$what: WRONG RESULT: ${m//$'\n'/; } ${c//$'\n'/; }"; fi
}
# Runs one command once outside the timing; prints its exit status.
run_plain() { local rc=0; "$@" </dev/null >>"$OUT" 2>&1 || rc=$?; echo "$rc"; }
# The untimed first run of update, then the check that dst mirrors src.
update_and_verify() {  # src dst
  [ "$(run_plain "$UPDATE" /u "/logfile:$ULOG" "$1" "$2")" = 0 ] || check "update: exit status not 0"
  verify_mirror update "$1" "$2"
}
cmd_update() { cmd update ours 0 "$UPDATE" /u "/logfile:$ULOG" "$1" "$2"; }
# update beside rsync and cp in a mirror: cmd_mirror SRC DST [RSYNC_FLAGS]
cmd_mirror() {
  cmd_update "$1" "$2"
  cmd "rsync -a${3:-} --delete" peer 0 rsync "-a${3:-}" --delete "$1/" "$2/"
  cmd "cp -a" peer 0 cp -a "$1/." "$2/"
}
# The untimed first run of compare on identical trees, which must find nothing:
# check_identical LABEL WHAT COMPARE_ARGS...
check_identical() {
  local label=$1 what=$2 rc
  rc=$(run_plain "$COMPARE" /u "/logfile:$CLOG" "${@:3}")
  [ "$rc" = 0 ] && check "$label: ok (status 0)" || check "$label: WRONG RESULT: status $rc on identical $what"
}
# Our compare, and the earlier build if given: cmd_compare LABEL STATUS COMPARE_ARGS...
cmd_compare() {
  cmd "$1" ours "$2" "$COMPARE" /u "/logfile:$CLOG" "${@:3}"
  compare_before "$2" "${@:3}"
}
# Counts the lines of the last block of a compare log by prefix:
# "missing-in-copy missing-in-origin content size folder other".
log_counts() {
  python3 - "$1" <<'PY'
import re, sys
try:
    text = open(sys.argv[1], "rb").read().decode("utf-8", "replace")
except OSError:
    text = ""
# Blocks end with a line of dashes only (80 in update's log, 79 in compare's).
blocks = [b for b in re.split(r"(?m)^-{79,80}\n", text.replace("\r\n", "\n")) if b.strip()]
lines = blocks[-1].splitlines()[3:] if blocks else []
prefixes = ["Falta archivo de destino: ", "Falta archivo de origen: ", "Diferente contenido: ",
            "Diferente tamaño: ", "Falta carpeta de "]
counts = [sum(1 for l in lines if l.startswith(p)) for p in prefixes]
print(*counts, len(lines) - sum(counts))
PY
}

# ---------------------------------------------------------------- scenarios
# An initial mirror of the tree from, copied to the tmpfs first, into an
# empty folder there.
mirror_on_tmpfs() {  # scenario description from target
  need_tmpfs
  new_scenario "$1"
  log "== $SCEN: $2"
  local src=$TMPFS/src dst=$TMPFS/dst
  rm -rf "$src" "$dst"; cp -a "$3" "$src"; mkdir "$dst"
  update_and_verify "$src" "$dst"
  PREPARE="rm -rf '$dst'; mkdir '$dst'"
  cmd_mirror "$src" "$dst"
  target update "rsync -a --delete,cp -a" "$4"
  measure_scenario "$(runs 5)"
  rm -rf "$src" "$dst"
}

scenario_mirror_tmpfs() {
  mirror_on_tmpfs mirror-tmpfs "initial mirror of $FILES files into an empty folder, all on tmpfs" "$DATA/A" 0.7
}

scenario_mirror_cold() {
  new_scenario mirror-cold
  if [ "$CAN_DROP" != 1 ]; then log "== $SCEN skipped: cannot write /proc/sys/vm/drop_caches"; return; fi
  log "== $SCEN: initial mirror of $FILES files on disk, page cache dropped before each run"
  local src=$DATA/A dst=$RUN/M
  rm -rf "$dst"; mkdir -p "$dst"
  update_and_verify "$src" "$dst"
  PREPARE="rm -rf '$dst'; mkdir '$dst'; sync; echo 3 > /proc/sys/vm/drop_caches"
  cmd_mirror "$src" "$dst"
  cmd "cp -a; sync -f" peer 0 sh -c 'cp -a "$1/." "$2/" && sync -f "$2"' sh "$src" "$dst"
  target update "rsync -a --delete,cp -a" 1.0
  measure_scenario "$(runs 3)"
  rm -rf "$dst"; sync
}

scenario_resync_nochange() {
  new_scenario resync-nochange
  log "== $SCEN: resync of $FILES files, nothing changed, warm cache"
  local src=$DATA/A dst=$DATA/B
  [ "$(run_plain "$UPDATE" /u "/logfile:$ULOG" "$src" "$dst")" = 0 ] || check "update: exit status not 0"
  if [ -z "$(rsync -ani --delete "$src/" "$dst/" | head -1)" ]; then check "update: ok (copy untouched)"
  else check "update: WRONG RESULT: changed an identical copy"; fi
  WARMUP=1
  cmd_update "$src" "$dst"
  cmd "rsync -a --delete" peer 0 rsync -a --delete "$src/" "$dst/"
  cmd "walk (lstat both)" limit 0 "$LIMITS" walk "$src" "$dst"
  target update "rsync -a --delete" 0.45
  measure_scenario "$(runs 10)"
}

scenario_resync_1pct() {
  new_scenario resync-1pct
  log "== $SCEN: resync after $CHANGED changed, $DELETED deleted, $ADDED added files, warm cache"
  local src=$DATA/S1 dst=$RUN/D
  mkdir -p "$dst"; rsync -a --delete "$DATA/B/" "$dst/"
  update_and_verify "$src" "$dst"
  PREPARE="rsync -a --delete '$DATA/B/' '$dst/'; sync"
  WARMUP=1
  cmd_update "$src" "$dst"
  cmd "rsync -a --delete" peer 0 rsync -a --delete "$src/" "$dst/"
  cmd "rsync -a --delete; sync -f" peer 0 sh -c 'rsync -a --delete "$1/" "$2/" && sync -f "$2"' sh "$src" "$dst"
  target update "rsync -a --delete" 0.6
  measure_scenario "$(runs 5)"
}

scenario_remove_subtree() {
  new_scenario remove-subtree
  log "== $SCEN: the copy holds a subtree of $FILES files that the source lacks"
  local src=$DATA/rm/src dst=$RUN/R
  rm -rf "$dst"; cp -a "$DATA/rm/tpl" "$dst"
  update_and_verify "$src" "$dst"
  PREPARE="rm -rf '$dst'; cp -a '$DATA/rm/tpl' '$dst'; sync"
  cmd_update "$src" "$dst"
  cmd "rm -rf" peer 0 rm -rf "$dst/sobra"
  cmd "rm -rf; sync -f" peer 0 sh -c 'rm -rf "$1/sobra" && sync -f "$1"' sh "$dst"
  cmd "rsync -a --delete" peer 0 rsync -a --delete "$src/" "$dst/"
  target update "rm -rf" 1.2
  measure_scenario "$(runs 4)"
  rm -rf "$dst"
}

scenario_compare_identical() {
  new_scenario compare-identical
  log "== $SCEN: full comparison of two identical trees of $FILES files, warm cache"
  local src=$DATA/A dst=$DATA/B
  check_identical compare trees "$src" "$dst"
  WARMUP=1
  cmd_compare compare 0 "$src" "$dst"
  cmd "diff -rq" peer 0 diff -rq "$src" "$dst"
  cmd "rsync -anc" peer 0 rsync -anc --delete "$src/" "$dst/"
  cmd "read+memcmp (fewest calls)" limit 0 "$LIMITS" readall "$src" "$dst"
  target compare "diff -rq" 0.5
  measure_scenario "$(runs 5)"
}

# Checks a compare log against what mutate did. The log keeps at most 1001
# lines per block, so on the full tree only the first 1001 are there.
check_diff_log() {  # quick(0|1)
  local quick=$1 rc ad de co si fo other expect
  local -a sw=(/u "/logfile:$CLOG.check")
  [ "$quick" = 1 ] && sw+=(/q)
  : >"$CLOG.check"
  rc=$(run_plain "$COMPARE" "${sw[@]}" "$DATA/S1" "$DATA/B")
  read -r ad de co si fo other < <(log_counts "$CLOG.check")
  if [ "$quick" = 1 ]; then expect="$ADDED added, $DELETED deleted, changed sizes only"
  else expect="$ADDED added, $DELETED deleted, $CHANGED changed"; fi
  local got="status $rc; lines: $ad missing in copy, $de missing in origin, $co content, $si size, $fo folder, $other other; expected $expect"
  local ok=1
  [ "$rc" = 1 ] || ok=0
  [ "$fo" = 0 ] && [ "$other" = 0 ] || ok=0
  if [ "$quick" = 1 ]; then [ "$co" = 0 ] || ok=0; fi
  if [ "$ad" = "$ADDED" ] && [ "$de" = "$DELETED" ]; then
    # Every difference is in the block.
    if [ "$quick" = 0 ]; then [ $((co + si)) = "$CHANGED" ] || ok=0; fi
  else
    # A block cut at 1001 lines still shows each kind of difference.
    [ $((ad + de + co + si)) = 1001 ] && [ "$ad" -gt 0 ] && [ "$de" -gt 0 ] || ok=0
    if [ "$quick" = 0 ]; then [ $((co + si)) -gt 0 ] || ok=0; fi
  fi
  [ "$ok" = 1 ] && check "compare: ok ($got)" || check "compare: WRONG RESULT ($got)"
}

scenario_compare_1pct() {
  new_scenario compare-1pct
  log "== $SCEN: full comparison, the origin has 1% changed, 1% deleted, 1% added files"
  check_diff_log 0
  WARMUP=1
  cmd_compare compare 1 "$DATA/S1" "$DATA/B"
  cmd "diff -rq" peer 1 diff -rq "$DATA/S1" "$DATA/B"
  target compare "diff -rq" 0.6
  measure_scenario "$(runs 5)"
}

scenario_compare_quick() {
  new_scenario compare-quick
  log "== $SCEN: compare /q (sizes only) of two identical trees of $FILES files"
  check_identical "compare /q" trees /q "$DATA/A" "$DATA/B"
  WARMUP=1
  cmd_compare "compare /q" 0 /q "$DATA/A" "$DATA/B"
  cmd "rsync -an --delete" peer 0 rsync -an --delete "$DATA/A/" "$DATA/B/"
  cmd "walk (lstat both)" limit 0 "$LIMITS" walk "$DATA/A" "$DATA/B"
  target "compare /q" "rsync -an --delete" 0.4
  measure_scenario "$(runs 10)"
}

scenario_compare_quick_1pct() {
  new_scenario compare-quick-1pct
  log "== $SCEN: compare /q of the trees with 1% differences"
  check_diff_log 1
  WARMUP=1
  cmd_compare "compare /q" 1 /q "$DATA/S1" "$DATA/B"
  cmd "rsync -an --delete" peer 0 rsync -an --delete "$DATA/S1/" "$DATA/B/"
  target "compare /q" "rsync -an --delete" 0.4
  measure_scenario "$(runs 5)"
}

scenario_compare_big() {
  new_scenario compare-big
  log "== $SCEN: full comparison of $BIG_COUNT identical files of $BIG_MIB MiB, warm cache"
  local a=$DATA/big/A b=$DATA/big/B
  check_identical compare files "$a" "$b"
  WARMUP=1
  cmd_compare compare 0 "$a" "$b"
  cmd "diff -rq" peer 0 diff -rq "$a" "$b"
  cmd cmp peer 0 sh -c 'cd "$1" && for f in *; do cmp -s "$f" "$2/$f" || exit 1; done' sh "$a" "$b"
  # The limit is the best of several read sizes.
  local size limits=()
  for size in 16K 64K 256K 1M; do
    cmd "read+memcmp $size" limit 0 "$LIMITS" cmp "$a" "$b" "$size"
    limits+=("read+memcmp $size")
  done
  target compare "diff -rq" 0.5
  target compare "$(IFS=,; echo "${limits[*]}")" 1.3
  measure_scenario "$(runs 5)"
}

scenario_mirror_big() {
  mirror_on_tmpfs mirror-big "initial mirror of $BIG_COUNT files of $BIG_MIB MiB, all on tmpfs" "$DATA/big/A" 1.0
}

# A disk image: 1 GiB with a few written blocks (holes elsewhere, one at the
# end). A copy that keeps the holes takes a few blocks and writes a few
# blocks; one that fills them writes 1 GiB of zeros.
scenario_mirror_sparse() {
  need_tmpfs
  new_scenario mirror-sparse
  log "== $SCEN: initial mirror of a 1 GiB sparse file with 4 written blocks, all on tmpfs"
  local src=$TMPFS/SA dst=$TMPFS/SM at used
  rm -rf "$src" "$dst"; mkdir "$src" "$dst"
  truncate -s 1G "$src/disco.img"
  for at in 0 1000 100000 200000; do
    # yes ends on SIGPIPE, which pipefail would count as a failure.
    head -c 4096 < <(yes "bloque $at") | dd of="$src/disco.img" bs=4096 seek="$at" conv=notrunc status=none
  done
  touch -d @1700000000 "$src/disco.img"
  update_and_verify "$src" "$dst"
  used=$(( $(stat -c '%b * %B' "$dst/disco.img") ))
  if [ "$used" -le $((1 << 20)) ]; then check "update: ok (the copy takes $used bytes)"
  else check "update: WRONG RESULT: the copy takes $used bytes"; fi
  PREPARE="rm -rf '$dst'; mkdir '$dst'"
  # The target is the space the copy takes (checked above): both copies
  # take milliseconds, where a ratio of times is noise.
  cmd_mirror "$src" "$dst" S
  measure_scenario "$(runs 5)"
  rm -rf "$src" "$dst"
}

# Peak memory against the shape of the tree: the same number of files in a
# tree of small folders and in one flat folder (the 100k-file tree's figures
# are in the other scenarios).
scenario_memory() {
  local shape
  for shape in tree flat; do
    new_scenario "memory-$SMALL_FILES-$shape"
    log "== $SCEN: peak memory, $SMALL_FILES files ($shape)"
    local src=$DATA/mem/$shape dst=$RUN/mem-$shape
    PREPARE="rm -rf '$dst'; mkdir '$dst'"
    cmd "update (mirror)" ours 0 "$UPDATE" /u "/logfile:$ULOG" "$src" "$dst"
    measure_scenario 1
    PREPARE=:
    new_scenario "memory-$SMALL_FILES-$shape"
    cmd "update (no change)" ours 0 "$UPDATE" /u "/logfile:$ULOG" "$src" "$dst"
    cmd compare ours 0 "$COMPARE" /u "/logfile:$CLOG" "$src" "$dst"
    cmd "compare /q" ours 0 "$COMPARE" /u "/logfile:$CLOG" /q "$src" "$dst"
    measure_scenario 1
    verify_mirror "update ($shape)" "$src" "$dst"
    rm -rf "$dst"
  done
}

# ---------------------------------------------------------------- main
{
  echo "date: $(date -Is)"
  echo "size: $SIZE ($FILES files in $FOLDERS folders; $BIG_COUNT x $BIG_MIB MiB)"
  echo "machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p'), $(free -g | awk '/^Mem:/ {print $2}') GiB RAM"
  echo "disk: $(df -T "$DATA" | awk 'NR == 2 {print $2}') under $DATA; kernel $(uname -r)"
  echo "peers: $(rsync --version | head -1); $(diff --version | head -1); $(cp --version | head -1)"
  echo "programs: $UPDATE, $COMPARE"
} >"$RES/machine.txt"
cat "$RES/machine.txt" >&2

for s in $ALL_SCENARIOS; do
  selected "$s" || continue
  "scenario_${s//-/_}"
done

python3 "$HERE/report.py" "$RES" | tee "$RES/table.md"
log "results: $RES"
