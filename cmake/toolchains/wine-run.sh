#!/usr/bin/env bash
# Runs a Windows program built by a MinGW-w64 toolchain under Wine, without
# a display: the compiler's runtime DLLs are found through WINEPATH, and Wine
# keeps its state in WINEPREFIX (a private folder below the temporary
# directory unless the caller sets one).
set -euo pipefail
#   wine-run.sh TRIPLET PROGRAM [ARGUMENTS...]
triplet=$1
shift
wine=$(command -v wine64 || command -v /usr/lib/wine/wine64 || command -v wine)
runtime=()
for dir in /usr/lib/gcc/"$triplet"/*-posix /usr/"$triplet"/lib; do
    [ -d "$dir" ] && runtime+=("Z:${dir//\//\\}")
done
export WINEPATH="$(IFS=';'; echo "${runtime[*]}")${WINEPATH:+;$WINEPATH}"
export WINEPREFIX=${WINEPREFIX:-${TMPDIR:-/tmp}/twfile-wine-$(id -u)}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export DISPLAY=
exec "$wine" "$@"
