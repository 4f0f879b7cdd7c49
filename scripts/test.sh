#!/usr/bin/env bash
# Builds and runs every test: once in a plain build and once under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/deps.sh"
status=0
run() {
  local dir=$1
  shift
  echo "== build $dir $*"
  bash "$root/scripts/build.sh" "$dir" "$@"
  echo "== test $dir"
  ctest --test-dir "$dir" --output-on-failure -j"$(nproc)" || status=1
}
run "$root/build"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run "$root/build-asan" -DKIV_SANITIZE=address,undefined
exit $status
