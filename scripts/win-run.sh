#!/usr/bin/env bash
# win-run.sh PROGRAM [ARGS...]: runs a Windows program under Wine, in the
# prefix KIV_WINE_PREFIX names (default: the 32-bit test prefix, created when
# missing). The CMake Windows build uses it to run its test programs: output
# comes back with Unix line ends, and an exit code that does not fit in 8 bits
# (a crash, say) comes back as 255 instead of its low byte.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
base=${XDG_CACHE_HOME:-$HOME/.cache}/kiv/wine
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEPREFIX=${KIV_WINE_PREFIX:-$base/win32}
if [ ! -f "$WINEPREFIX/.kiv-ready" ]; then
  bits=${WINEPREFIX##*/win}
  bash "$here/win-prefix.sh" "$bits" >/dev/null
fi

# The launcher, built once per version of its source.
source_file=$here/win-run-child.c
launcher=$base/win-run-child-$(sha256sum "$source_file" | cut -c1-12).exe
if [ ! -f "$launcher" ]; then
  i686-w64-mingw32-gcc-posix -O2 -Wall -static -o "$launcher.$$" "$source_file"
  mv "$launcher.$$" "$launcher"
fi

# The output goes through files: Wine's own helper processes (started with
# the first program of a session) inherit its output and would keep a pipe
# open long after the program has ended.
program=$(realpath "$1")
shift
out=$(mktemp)
err=$(mktemp)
show() {
  tr -d '\r' <"$out"
  tr -d '\r' <"$err" >&2
  rm -f "$out" "$err"
}
trap show EXIT
status=0
wine "$launcher" "Z:${program//\//\\}" "$@" >"$out" 2>"$err" </dev/null || status=$?
exit $status
