#!/usr/bin/env bash
# Builds and runs every test: the Linux build once plainly and once under
# AddressSanitizer and UndefinedBehaviorSanitizer, the engine's tests under
# ThreadSanitizer, then the Windows build
# (kiv.exe and the tests that need no simulated machine) under Wine, once in
# a 32-bit prefix and once in a 64-bit one (WOW64); the Windows tests include
# the check that kiv.exe imports system DLLs only.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
started=$(date +%s)
bash "$root/scripts/deps.sh"
status=0
times=()
lap() {  # lap LABEL START: notes how long a step took
  times+=("$1: $(($(date +%s) - $2)) s")
}
run() {
  local dir=$1 t
  shift
  t=$(date +%s)
  echo "== build $dir $*"
  bash "$root/scripts/build.sh" "$dir" "$@"
  lap "build $(basename "$dir")" "$t"
  t=$(date +%s)
  echo "== test $dir"
  ctest --test-dir "$dir" --output-on-failure -j"$(nproc)" || status=1
  lap "test $(basename "$dir")" "$t"
}
run "$root/build"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run "$root/build-asan" -DKIV_SANITIZE=address,undefined

# The engine's threads under ThreadSanitizer: its tests only.
t=$(date +%s)
echo "== build $root/build-tsan (engine tests)"
cmake -S "$root" -B "$root/build-tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKIV_SANITIZE=thread >/dev/null
cmake --build "$root/build-tsan" -j"$(nproc)" --target engine_tests
lap "build build-tsan" "$t"
t=$(date +%s)
echo "== test $root/build-tsan (engine tests)"
ctest --test-dir "$root/build-tsan/engine" --output-on-failure -j"$(nproc)" || status=1
lap "test build-tsan" "$t"

t=$(date +%s)
win_deps=$(bash "$root/scripts/win-deps.sh")
mapfile -t prefixes < <(bash "$root/scripts/win-prefix.sh" 32 64)
lap "Windows dependencies and Wine prefixes" "$t"
t=$(date +%s)
echo "== build $root/build-win"
bash "$root/scripts/build.sh" "$root/build-win" -DKIV_BACKEND=win -DKIV_WIN_DEPS="$win_deps"
lap "build build-win" "$t"
for prefix in "${prefixes[@]}"; do
  t=$(date +%s)
  echo "== test $root/build-win under Wine, $(basename "$prefix") prefix"
  KIV_WINE_PREFIX=$prefix ctest --test-dir "$root/build-win" --output-on-failure -j"$(nproc)" || status=1
  WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  lap "test build-win ($(basename "$prefix"))" "$t"
done

lap "total" "$started"
printf '== time\n'
printf '  %s\n' "${times[@]}"
exit $status
