#!/usr/bin/env bash
# Makes the SQLite amalgamation (sqlite3.c and sqlite3.h) for a build that
# has no SQLite library for its target, such as the MinGW-w64 cross build for
# Windows: Debian has no MinGW SQLite, but its source package sqlite3 builds
# one. Prints the path of sqlite3.c, which the build takes as
# -DTWFILE_SQLITE_AMALGAMATION=PATH.
#   scripts/sqlite-for-windows.sh [CACHE_DIR]      (default build/sqlite-windows)
#
# The source package is fetched once with `apt-get source` (as root it adds
# the deb-src entry of Debian bookworm when apt has none) and unpacked with
# Debian's own patches; the amalgamation is made once with the source tree's
# configure and make (they need tclsh). Everything stays in CACHE_DIR: a
# second run only prints the path. Progress goes to stderr.
set -euo pipefail
cd "$(dirname "$0")/.."
cache=${1:-build/sqlite-windows}
mkdir -p "$cache"
cache=$(cd "$cache" && pwd)
out=$cache/amalgamation
if [ -s "$out/sqlite3.c" ] && [ -s "$out/sqlite3.h" ]; then
    echo "$out/sqlite3.c"
    exit 0
fi
say() { echo "sqlite-for-windows: $*" >&2; }
command -v tclsh >/dev/null || { say "tclsh is missing (Debian package tcl)"; exit 1; }

# The source package, fetched once.
download=$cache/download
mkdir -p "$download"
dsc=$(ls "$download"/sqlite3_*.dsc 2>/dev/null | head -n 1 || true)
if [ -z "$dsc" ]; then
    known=$(apt-cache showsrc sqlite3 2>/dev/null || true)
    if ! grep -q '^Package: sqlite3$' <<<"$known"; then
        if [ "$(id -u)" -ne 0 ]; then
            say "apt has no source packages (a deb-src entry), and only root can add one"
            exit 1
        fi
        say "adding the deb-src entry of Debian bookworm"
        printf '%s\n' 'Types: deb-src' 'URIs: http://deb.debian.org/debian' 'Suites: bookworm' \
            'Components: main' 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' \
            >/etc/apt/sources.list.d/twfile-src.sources
        apt-get update -qq >&2
    fi
    say "fetching the source package sqlite3"
    (cd "$download" && apt-get source --download-only -qq sqlite3 >&2)
    dsc=$(ls "$download"/sqlite3_*.dsc | head -n 1)
fi

# Unpacked with Debian's patches (its fixes among them) when dpkg-source is
# there, else the upstream tree as it is.
work=$cache/work
rm -rf "$work"
mkdir -p "$work"
if command -v dpkg-source >/dev/null; then
    say "unpacking $(basename "$dsc") with Debian's patches"
    dpkg-source --no-check -x "$dsc" "$work/src" >/dev/null
else
    orig=$(ls "$download"/sqlite3_*.orig.tar.* | grep -v -- '-www' | head -n 1)
    say "dpkg-source is missing (Debian package dpkg-dev): unpacking $(basename "$orig") without Debian's patches"
    mkdir -p "$work/src"
    tar -xf "$orig" -C "$work/src" --strip-components=1
fi

say "making the amalgamation"
mkdir -p "$work/build"
(cd "$work/build" && ../src/configure --disable-tcl >configure.log 2>&1 &&
    make sqlite3.c >make.log 2>&1) || {
    say "making the amalgamation failed: see $work/build/configure.log and make.log"
    exit 1
}
mkdir -p "$out.new"
cp "$work/build/sqlite3.c" "$work/build/sqlite3.h" "$work/build/sqlite3ext.h" "$out.new/"
rm -rf "$out" "$work"
mv "$out.new" "$out"
say "made $out/sqlite3.c (SQLite $(sed -n 's/^#define SQLITE_VERSION  *"\(.*\)"/\1/p' "$out/sqlite3.h"))"
echo "$out/sqlite3.c"
