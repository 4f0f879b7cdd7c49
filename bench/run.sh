#!/usr/bin/env bash
# bench/run.sh: the download benchmark. Installs the peers (aria2, axel) when
# missing, builds kiv-fetch, and runs bench.py: nginx on loopback serving a
# 1 GiB random file; kiv-fetch (with the MD5 check), aria2c (with its MD5
# check), axel -n 24 and curl, three runs each, unthrottled (S1) and with
# limit_rate 4m per connection (S2); then kiv-fetch killed with SIGKILL at a
# random moment and restarted, ten times. Arguments go to bench.py
# (--size-mib, --runs, --resume-runs, --scenarios S1,S2,resume, --tools
# kiv-fetch,aria2c,axel,curl). Not part of the tests.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KIV_BUILD_DIR:-$root/build}"
"$root/scripts/deps.sh" nginx aria2 axel curl
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target kiv-fetch >/dev/null
exec python3 "$root/bench/bench.py" --kiv-fetch "$build/tools/kiv-fetch" "$@"
