#!/usr/bin/env bash
# Builds the installer and runs its main job on the default simulated machine
# (a sandbox under the user's cache folder). Extra arguments go to the installer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/deps.sh"
bash "$root/scripts/build.sh" "$root/build" >/dev/null
exec "$root/build/shell/kiv" "$@"
