#!/usr/bin/env bash
# deps.sh [PACKAGE...]: installs the Debian packages that building and testing
# need, or the named ones (only the missing ones; the package lists are
# refreshed first when anything is missing). Packages of the i386
# architecture (wine32:i386) enable that architecture first.
set -euo pipefail
sim=(cmake g++ make pkg-config libcjson-dev libgtest-dev libgmock-dev
     libcurl4-openssl-dev zlib1g-dev nginx-light openssl)
win=(dpkg-dev googletest gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix
     binutils-mingw-w64-i686 libz-mingw-w64-dev wine wine32:i386 wine64)
if [ $# -gt 0 ]; then packages=("$@"); else packages=("${sim[@]}" "${win[@]}"); fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  if [[ " ${missing[*]}" == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}" >/dev/null
fi
