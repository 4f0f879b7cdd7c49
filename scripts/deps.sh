#!/usr/bin/env bash
# Installs the Debian packages that building and testing need (only the
# missing ones; the package lists are refreshed first when anything is missing).
set -euo pipefail
packages=(cmake g++ make pkg-config libcjson-dev libgtest-dev libgmock-dev
          libcurl4-openssl-dev zlib1g-dev nginx-light)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}" >/dev/null
fi
