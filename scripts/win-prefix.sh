#!/usr/bin/env bash
# win-prefix.sh [32|64]...: creates the Wine prefixes the Windows tests run in
# (default: both), under the cache folder, quiet and non-interactive: a
# 32-bit one (32-bit Windows) and a 64-bit one (where the 32-bit programs run
# under WOW64). An existing prefix of the same Wine version is kept. Prints
# each prefix's path.
set -euo pipefail
base=${XDG_CACHE_HOME:-$HOME/.cache}/kiv/wine
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# A prefix is remade when Wine or these settings change.
version="$(wine --version) $(sha256sum "$0" | cut -c1-12)"
mkdir -p "$base"
exec 9>"$base/.lock"
flock 9
[ $# -gt 0 ] || set -- 32 64
for bits in "$@"; do
  [ "$bits" = 32 ] || [ "$bits" = 64 ] || { echo "win-prefix: 32 or 64, not $bits" >&2; exit 2; }
  export WINEPREFIX=$base/win$bits WINEARCH=win$bits
  if [ "$(cat "$WINEPREFIX/.kiv-ready" 2>/dev/null)" != "$version" ]; then
    start=$(date +%s)
    [ ! -d "$WINEPREFIX" ] || WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    wine wineboot -i >/dev/null 2>&1
    # A crashing program ends instead of waiting on a crash dialog; windows
    # live on Wine's display-less driver (no X server needed) and are never
    # handed to a window manager (hiding one would stall).
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /t REG_SZ /d null /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    wineserver -w
    echo "$version" >"$WINEPREFIX/.kiv-ready"
    echo "win-prefix: created $WINEPREFIX in $(($(date +%s) - start)) s" >&2
  fi
  echo "$WINEPREFIX"
done
