#!/usr/bin/env bash
# fuzz.sh [SECONDS [TARGET...]]: builds the fuzz targets (fuzz/*_fuzz.cpp)
# with clang's libFuzzer under AddressSanitizer and UndefinedBehaviorSanitizer
# in build-fuzz and runs each for SECONDS (default 120) on a working copy of
# its seed corpus. A failing input is kept in build-fuzz/findings/<target>/;
# once the fault is fixed it joins fuzz/corpus/<name>/ so the plain build
# replays it as a test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/deps.sh" clang libclang-rt-14-dev cmake make pkg-config libcjson-dev \
  libgtest-dev libgmock-dev libcurl4-openssl-dev zlib1g-dev
seconds=${1:-120}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in "$root"/fuzz/*_fuzz.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi
dir=$root/build-fuzz
CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKIV_FUZZ=ON \
  -DKIV_SANITIZE=address,undefined >/dev/null
cmake --build "$dir" -j"$(nproc)" --target "${targets[@]}"
status=0
for target in "${targets[@]}"; do
  name=${target%_fuzz}
  corpus=$dir/corpus/$name findings=$dir/findings/$target
  mkdir -p "$corpus" "$findings"
  cp -n "$root/fuzz/corpus/$name"/* "$corpus"/
  echo "== $target: $seconds s"
  ASAN_OPTIONS=detect_leaks=1 "$dir/fuzz/$target" "$corpus" -max_total_time="$seconds" -max_len=65536 \
    -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/" \
    >"$findings/output.txt" 2>&1 || status=1
  grep -E "^(stat::number_of_executed_units|stat::peak_rss_mb|==[0-9]+==ERROR|SUMMARY)" "$findings/output.txt" || true
  echo "corpus: $(ls "$corpus" | wc -l) inputs; findings: $(ls "$findings" | grep -vc output.txt || true)"
done
exit $status
