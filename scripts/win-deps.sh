#!/usr/bin/env bash
# win-deps.sh: cross-builds the Windows dependencies for i686 (mingw-w64,
# posix threads) from Debian's source packages: GoogleTest, cJSON and libcurl
# (HTTP and HTTPS only, Schannel, static zlib). They land in a cache folder
# outside the clone, one folder per key; the key hashes the package versions,
# this script and the toolchain file, so a change to any of them rebuilds.
# Prints the dependency prefix (pass it to CMake as KIV_WIN_DEPS) on stdout.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
toolchain=$root/cmake/mingw-i686.cmake
base=${XDG_CACHE_HOME:-$HOME/.cache}/kiv/win-deps

bash "$root/scripts/deps.sh" dpkg-dev cmake make googletest \
  gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix binutils-mingw-w64-i686 \
  libz-mingw-w64-dev >&2

# Source versions: what apt would build now, without the +bN of a rebuild.
candidate() { apt-cache policy "$1" | awk '/Candidate:/ {print $2}' | sed -E 's/\+b[0-9]+$//'; }
installed() { dpkg-query -W -f='${Version}' "$1"; }
curl_version=$(candidate libcurl4-openssl-dev)
cjson_version=$(candidate libcjson-dev)
key=$( {
  echo "googletest $(installed googletest) cjson $cjson_version curl $curl_version"
  echo "zlib $(installed libz-mingw-w64-dev) gcc $(installed g++-mingw-w64-i686-posix)"
  cat "$0" "$toolchain"
} | sha256sum | cut -c1-16)
prefix=$base/$key

mkdir -p "$base"
exec 9>"$base/.lock"
flock 9  # another run building the same key waits for it, then reuses it
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

start=$(date +%s)
work=$(mktemp -d "$base/build.XXXXXX")
srclists=(/etc/apt/sources.list.d/kiv-deb-src.sources /etc/apt/sources.list.d/kiv-deb-src.list)
cleanup() {
  rm -f "${srclists[@]}"
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM  # so that the clean-up runs on these too
log=$work/build.log
fail() {
  echo "win-deps: $1 failed; the end of $log:" >&2
  tail -n 40 "$log" >&2
  cp "$log" "$base/last-failure.log"
  exit 1
}

# apt-get source needs deb-src entries: the Debian entries, for the time of
# the download only.
for f in /etc/apt/sources.list.d/*.sources; do
  grep -q 'debian\.org' "$f" || continue
  sed -E 's/^Types:.*/Types: deb-src/' "$f"
  echo
done >"$work/deb-src.sources"
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
  if [ -f "$f" ]; then sed -nE 's/^deb(\s[^#]*debian\.org.*)/deb-src\1/p' "$f"; fi
done >"$work/deb-src.list"
mv "$work/deb-src.sources" "${srclists[0]}"
mv "$work/deb-src.list" "${srclists[1]}"
echo "win-deps: fetching curl $curl_version and cjson $cjson_version sources" >&2
apt-get update -qq >>"$log" 2>&1 || fail "apt-get update"
(cd "$work" && apt-get source -qq "curl=$curl_version" "cjson=$cjson_version") >>"$log" 2>&1 || fail "apt-get source"
rm -f "${srclists[@]}"

# Installed in place (the packages' CMake files name their prefix); the
# .complete mark, written last, tells a finished prefix from a broken one.
rm -rf "$prefix"
common=(-DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release
        -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF)
build() {  # build NAME SOURCE_DIR [cmake options...]
  local name=$1 src=$2
  shift 2
  echo "win-deps: building $name" >&2
  cmake -S "$src" -B "$work/build-$name" "${common[@]}" "$@" >>"$log" 2>&1 || fail "configuring $name"
  cmake --build "$work/build-$name" -j"$(nproc)" >>"$log" 2>&1 || fail "building $name"
  cmake --install "$work/build-$name" >>"$log" 2>&1 || fail "installing $name"
}

build googletest /usr/src/googletest -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON
build cjson "$work/cjson-${cjson_version%%-*}" \
  -DENABLE_HIDDEN_SYMBOLS=ON -DENABLE_PUBLIC_SYMBOLS=OFF -DENABLE_CJSON_TEST=OFF \
  -DENABLE_CJSON_UTILS=OFF -DENABLE_CUSTOM_COMPILER_FLAGS=OFF
# Debian's 90_gnutls and 99_nss patches rename the library in the autotools
# files only; the CMake build below does not read them.
build curl "$work/curl-${curl_version%%-*}" \
  -DHTTP_ONLY=ON -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF \
  -DCURL_CA_BUNDLE=none -DCURL_CA_PATH=none -DCURL_ZLIB=ON \
  -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF -DENABLE_MANUAL=OFF \
  -DUSE_LIBIDN2=OFF -DCURL_USE_LIBPSL=OFF -DCURL_USE_LIBSSH2=OFF -DUSE_NGHTTP2=OFF \
  -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF

touch "$prefix/.complete"
echo "win-deps: built in $(($(date +%s) - start)) s: $prefix" >&2
echo "$prefix"
