#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each one for
# N seconds (first argument, default 30), one after another. The seeds in
# fuzz/corpus/<target>/ stay as they are; what a run learns goes to
# build-fuzz/corpus/<target>/, and a crash leaves its input in
# build-fuzz/artifacts/. Ends non-zero when a target finds a fault.
#   scripts/fuzz.sh            30 s each (CI)
#   scripts/fuzz.sh 600        the longer run of docs/robustness.md
#   FUZZ_TARGETS="fuzz_names" scripts/fuzz.sh 60
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-30}"
targets=(${FUZZ_TARGETS:-fuzz_cmdline fuzz_names fuzz_macros fuzz_resolve_path})
build=build-fuzz

FUZZ_DEPS=1 scripts/install-deps.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DENABLE_FUZZING=ON \
  -DCMAKE_CXX_COMPILER=clang++ -DBUILD_GUI=OFF -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j 2 --target "${targets[@]}"

mkdir -p "$build/artifacts"
for t in "${targets[@]}"; do
  mkdir -p "$build/corpus/$t" "fuzz/corpus/$t"
  echo "== $t: $seconds s"
  # The seeds are read, never written: new inputs go to the first folder.
  "$build/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$t-" "$build/corpus/$t" "fuzz/corpus/$t"
done
echo "Fuzzing clean: ${targets[*]}, $seconds s each."
