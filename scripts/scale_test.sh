#!/usr/bin/env bash
# Scale run (not part of CI): both programs on
#   1. a tree of 1,000,000 files in 20,000 folders (100 folders of 200
#      folders of 50 files), and
#   2. one folder holding 100,000 files,
# each time update's first mirror, update's run with nothing to do, and
# compare in full and in quick mode (/q). Every run must end with status 0
# and write no log (nothing to report), and the copy must hold every file.
# Prints the elapsed time and peak RSS of each run (GNU time), and fails
# when the first tree's peak RSS reaches LIMIT_MIB (64 by default).
#
#   scripts/scale_test.sh                       build in build-scale, trees under /tmp
#   SCALE_DIR=/mnt/disco scripts/scale_test.sh  trees elsewhere
#   BUILD_DIR=build-rel scripts/scale_test.sh   another build folder
#   FILES=100000 FOLDERS=2000 BIG=10000 scripts/scale_test.sh   a smaller run
#
# The trees take about 2.1 million inodes and, with 4 KiB blocks, about
# 9 GB; they are removed at the end, also when the run fails.
set -euo pipefail
cd "$(dirname "$0")/.."

FILES="${FILES:-1000000}"
FOLDERS="${FOLDERS:-20000}"
BIG="${BIG:-100000}"
LIMIT_MIB="${LIMIT_MIB:-64}"
BUILD_DIR="${BUILD_DIR:-build-scale}"
base="${SCALE_DIR:-${TMPDIR:-/tmp}}"

command -v python3 >/dev/null || { echo "python3 is needed to build the trees" >&2; exit 2; }
if [ ! -x /usr/bin/time ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq time
fi

if [ ! -x "$BUILD_DIR/bin/update" ] || [ ! -x "$BUILD_DIR/bin/compare" ]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_GUI=OFF -DBUILD_TESTING=OFF >/dev/null
  cmake --build "$BUILD_DIR" -j 2 --target update compare
fi
bin="$(cd "$BUILD_DIR/bin" && pwd)"

need_inodes=$(( (FILES + FOLDERS + BIG) * 2 + 1000 ))
free_inodes=$(df --output=iavail "$base" | tail -n 1 | tr -d ' ')
free_kib=$(df --output=avail "$base" | tail -n 1 | tr -d ' ')
need_kib=$(( need_inodes * 4 + 1048576 ))
if [ "$free_inodes" -lt "$need_inodes" ] || [ "$free_kib" -lt "$need_kib" ]; then
  echo "Not enough room under $base: $need_inodes inodes and $need_kib KiB needed," \
       "$free_inodes and $free_kib free" >&2
  exit 2
fi

work="$(mktemp -d "$base/scale.XXXXXX")"
trap 'rm -rf "$work"' EXIT

# Builds a tree of folders: top folders, each holding sub folders, each
# holding files (sub = 0: the files sit in the top folders).
make_tree() {
  python3 - "$@" <<'EOF'
import os, sys
root, tops, subs, per = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
n = 0
def fill(folder):
    global n
    fd = os.open(folder, os.O_RDONLY | os.O_DIRECTORY)
    try:
        for _ in range(per):
            name = "archivo %07d.txt" % n
            f = os.open(name, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o644, dir_fd=fd)
            os.write(f, ("contenido del archivo %d\n" % n).encode() * (1 + n % 7))
            os.close(f)
            n += 1
    finally:
        os.close(fd)
os.makedirs(root)
for t in range(tops):
    top = os.path.join(root, "carpeta %03d" % t)
    os.mkdir(top)
    if subs == 0:
        fill(top)
    for s in range(subs):
        sub = os.path.join(top, "subcarpeta %03d" % s)
        os.mkdir(sub)
        fill(sub)
print("%d files" % n)
EOF
}

results="$work/results.txt"
: > "$results"

# run <label> <program> <args...>: status must be 0, and no log written.
run() {
  local label="$1" program="$2"
  shift 2
  local status=0
  nice -n 5 /usr/bin/time -f "%e %M" -o "$work/time.txt" \
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
    "$bin/$program" /u "/logfile:$work/registro.log" "$@" </dev/null || status=$?
  read -r seconds kib < <(tail -n 1 "$work/time.txt")
  printf '%-40s %8.1f s %8.1f MiB  status %d\n' "$label" "$seconds" \
    "$(awk -v k="$kib" 'BEGIN { print k / 1024 }')" "$status" | tee -a "$results"
  echo "$label $kib" >> "$work/rss.txt"
  if [ "$status" -ne 0 ] || [ -e "$work/registro.log" ]; then
    echo "$label: status $status; log:" >&2
    [ -e "$work/registro.log" ] && head -n 20 "$work/registro.log" >&2
    exit 1
  fi
}

count_files() { find "$1" -type f | wc -l; }

suite() {
  local name="$1" src="$2" dst="$3" expected="$4"
  mkdir -p "$dst"
  run "$name: update, first mirror" update "$src" "$dst"
  local copied
  copied=$(count_files "$dst")
  if [ "$copied" -ne "$expected" ]; then
    echo "$name: the copy holds $copied files, not $expected" >&2
    exit 1
  fi
  run "$name: update, nothing to do" update "$src" "$dst"
  run "$name: compare" compare "$src" "$dst"
  run "$name: compare /q" compare /q "$src" "$dst"
}

tops=100
subs=$(( FOLDERS / tops ))
per=$(( FILES / FOLDERS ))
echo "== Building $((tops * subs * per)) files in $((tops * subs)) folders under $work"
make_tree "$work/arbol" "$tops" "$subs" "$per"
suite "tree $((tops * subs * per))" "$work/arbol" "$work/arbol-copia" "$((tops * subs * per))"
first_peak=$(awk '{ if ($NF > m) m = $NF } END { print m }' "$work/rss.txt")
rm -rf "$work/arbol" "$work/arbol-copia"

echo "== Building one folder of $BIG files"
make_tree "$work/plana" 1 0 "$BIG"
suite "one folder of $BIG" "$work/plana" "$work/plana-copia" "$BIG"

echo
echo "Results ($(uname -r), $(df --output=fstype "$base" | tail -n 1) under $base):"
cat "$results"
if [ "$first_peak" -ge $(( LIMIT_MIB * 1024 )) ]; then
  echo "Peak RSS on the large tree: $((first_peak / 1024)) MiB, not under $LIMIT_MIB MiB" >&2
  exit 1
fi
echo "Peak RSS on the large tree: $((first_peak / 1024)) MiB (limit $LIMIT_MIB MiB)."
