#!/usr/bin/env bash
# Crash safety of update: mirrors a tree of large (tens of MiB) and small files,
# then, round after round, changes the source and kills update with SIGKILL at a
# random moment of its run. After every kill:
#   - every file and link of the copy is, byte for byte, either what the copy held
#     before the run or what the source holds now (checksums of both versions are
#     kept): no file is torn;
#   - a temporary file of an interrupted copy (".~tmp-<16 hex>.part") may remain;
#   - one more run converges: it ends with status 0, leaves no temporary file, and
#     `diff -r` finds no difference; a run after that records nothing with /log:cud.
#
# Usage: scripts/crash_test.sh [update program] [kills] [work folder]
#   defaults: build/bin/update (built by scripts/test.sh), 20 kills, a new folder
#   under ${TMPDIR:-/tmp}. Put the work folder on the file system to test (a FAT
#   stick exercises named temporary files; ext4 and tmpfs use anonymous ones).
#   CRASH_SEED=<n> repeats the same moments; CRASH_LARGE_MIB sets the size of each
#   large file (default 32).
#
# Not run in CI: it takes a few minutes and its moments are random by design.
# Prints the figures at the end; exits 1 at the first torn file or failed check.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
update=${1:-$here/build/bin/update}
kills_wanted=${2:-20}
work=${3:-$(mktemp -d "${TMPDIR:-/tmp}/crash_test.XXXXXX")}
large_mib=${CRASH_LARGE_MIB:-32}
seed=${CRASH_SEED:-$$}
RANDOM=$seed

[ -x "$update" ] || { echo "no program at $update (build it first)" >&2; exit 2; }
src=$work/origen
dst=$work/copia
log=$work/update.log
mkdir -p "$src" "$dst"
# Never a window, never a question: the console front end, unattended.
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

echo "crash_test: program $update, work folder $work, seed $seed, large files ${large_mib} MiB"

fail() {
  echo "FAIL: $*" >&2
  echo "work folder kept: $work" >&2
  exit 1
}

# ---- The source tree and its changes ----

write_large() {  # path
  head -c "$((large_mib * 1048576))" /dev/urandom >"$1"
}
write_small() {  # path
  head -c "$((RANDOM % 65536))" /dev/urandom >"$1"
}

build_source() {
  for i in 1 2 3 4; do write_large "$src/grande $i.bin"; done
  for d in 0 1 2 3 4 5 6 7; do
    mkdir -p "$src/carpeta $d/sub"
    for f in $(seq 1 30); do write_small "$src/carpeta $d/pequeño $f.dat"; done
    for f in 1 2 3 4 5; do write_small "$src/carpeta $d/sub/f$f"; done
    ln -s "pequeño 1.dat" "$src/carpeta $d/enlace"
  done
}

round=0
change_source() {
  round=$((round + 1))
  # Two large files rewritten, a quarter of the small ones, some deleted and
  # created, a link retargeted, a folder added and one removed.
  write_large "$src/grande $((RANDOM % 4 + 1)).bin"
  write_large "$src/grande $((RANDOM % 4 + 1)).bin"
  while IFS= read -r -d '' f; do
    case $((RANDOM % 12)) in
      0 | 1 | 2) write_small "$f" ;;
      3) rm -f -- "$f" ;;
    esac
  done < <(find "$src" -type f -name '*.dat' -print0)
  d=$((RANDOM % 8))
  for f in 1 2 3; do write_small "$src/carpeta $d/nuevo $round.$f.dat"; done
  ln -sfn "otro destino $round" "$src/carpeta $d/enlace"
  mkdir -p "$src/ronda $round"
  write_small "$src/ronda $round/dentro.dat"
  [ $round -gt 2 ] && rm -rf -- "$src/ronda $((round - 2))"
  return 0
}

# "relative path<TAB>checksum" of every file and link of a tree, sorted; a
# link's checksum is its target text. (No name here holds a backslash or a
# line feed, which sha1sum would escape.)
sums() {  # tree output
  (cd "$1" && {
    find . -type f -print0 | xargs -0 -r sha1sum | sed 's/^\([0-9a-f]*\)  \(.*\)$/\2\t\1/'
    find . -type l -printf '%p\tlink:%l\n'
  } | LC_ALL=C sort) >"$2"
}

is_temporary() { [[ $(basename -- "$1") =~ ^\.~tmp-[0-9a-f]{16}\.part$ ]]; }

run_update() {  # extra arguments; the status is printed
  local status=0
  "$update" /u "/logfile:$log" "$@" "$src" "$dst" </dev/null >/dev/null 2>&1 || status=$?
  echo "$status"
}

now_ms() { date +%s%3N; }

# ---- Start: a full mirror, and how long a round of changes takes to copy ----

build_source
[ "$(run_update)" = 0 ] || fail "the first mirror recorded failures"
cp -a "$dst" "$work/calibra"
change_source
start=$(now_ms)
"$update" /u "/logfile:$log" "$src" "$work/calibra" </dev/null >/dev/null 2>&1 || fail "calibration run"
span=$(($(now_ms) - start))
rm -rf "$work/calibra"
[ "$(run_update)" = 0 ] || fail "the mirror after the first changes recorded failures"
echo "a round of changes takes ${span} ms to copy; kills fall in [0, ${span}] ms"

kills=0
finished_first=0
files_checked=0
temporaries=0
attempts=0
while [ "$kills" -lt "$kills_wanted" ]; do
  attempts=$((attempts + 1))
  [ "$attempts" -le $((kills_wanted * 5)) ] || fail "update kept finishing before the kill"
  change_source
  sums "$dst" "$work/old.sums"
  sums "$src" "$work/new.sums"

  delay=$((RANDOM * 32768 + RANDOM))
  delay=$((delay % (span + 1)))
  "$update" /u "/logfile:$log" "$src" "$dst" </dev/null >/dev/null 2>&1 &
  pid=$!
  sleep "$(printf '%d.%03d' $((delay / 1000)) $((delay % 1000)))"
  if kill -KILL "$pid" 2>/dev/null; then
    kills=$((kills + 1))
    what="killed after ${delay} ms"
  else
    finished_first=$((finished_first + 1))
    what="finished before ${delay} ms"
    # Quicker than the calibration run (a warm cache): later kills aim earlier.
    span=$((delay * 3 / 4 > 5 ? delay * 3 / 4 : 5))
  fi
  wait "$pid" 2>/dev/null || true

  # Every entry of the copy is its old version or its new one.
  declare -A old=() new=()
  while IFS=$'\t' read -r p s; do old[$p]=$s; done <"$work/old.sums"
  while IFS=$'\t' read -r p s; do new[$p]=$s; done <"$work/new.sums"
  sums "$dst" "$work/now.sums"
  left=0
  while IFS=$'\t' read -r p s; do
    if is_temporary "$p"; then
      left=$((left + 1))
      continue
    fi
    files_checked=$((files_checked + 1))
    if [ "${old[$p]-}" != "$s" ] && [ "${new[$p]-}" != "$s" ]; then
      fail "torn after a kill: $p (neither its old nor its new content)"
    fi
  done <"$work/now.sums"
  temporaries=$((temporaries + left))
  unset old new

  # One more run converges, and the run after it has nothing to do.
  status=$(run_update)
  [ "$status" = 0 ] || fail "the run after the kill ended with status $status"
  if find "$dst" -name '.~tmp-*.part' | grep -q .; then fail "temporary files survived the next run"; fi
  diff -r --no-dereference "$src" "$dst" >/dev/null || fail "diff -r finds differences after the next run"
  before=$(stat -c %s "$log" 2>/dev/null || echo 0)
  status=$(run_update /log:cud)
  after=$(stat -c %s "$log" 2>/dev/null || echo 0)
  [ "$status" = 0 ] && [ "$before" = "$after" ] || fail "the run after convergence recorded something"
  echo "round $round: $what; $left temporary file(s) left, removed by the next run; converged"
done

echo "crash_test: $kills runs killed ($finished_first finished before their moment), $files_checked files checked after the kills, $temporaries temporary files left and removed, 0 torn"
rm -rf "$work"
