#!/usr/bin/env bash
# Installs the Debian packages the build needs, when any is missing and we
# are root (elsewhere it only reports what is missing). tcl and dpkg-dev make
# the SQLite of the Windows build from its source package
# (scripts/sqlite-for-windows.sh). zsh and fish check the syntax of the
# completion scripts qdf makes for them. libpq-dev gives the PostgreSQL engine.
# libgraphviz-dev lets qdf diagram draw (Graphviz's cgraph and gvc);
# libcpp-httplib-dev lets qdf serve serve. chromium, node and npm run the
# browser test of qdf serve's page (tests/browser), whose npm packages are
# installed from its lockfile. pybind11-dev and python3-dev build the Python
# module, python3-pytest tests it.
set -euo pipefail
packages=(cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev libgmock-dev
          libbenchmark-dev nlohmann-json3-dev libcli11-dev pkg-config make
          libsqlite3-dev sqlite3 jq time zsh fish
          unixodbc unixodbc-dev odbc-postgresql postgresql libpq-dev
          g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine64
          libgraphviz-dev libcpp-httplib-dev tcl dpkg-dev chromium
          pybind11-dev python3-dev python3-pytest)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
command -v node >/dev/null || missing+=(nodejs)
command -v npm >/dev/null || missing+=(npm)
if [ ${#missing[@]} -eq 0 ]; then
    :
elif [ "$(id -u)" -eq 0 ]; then
    echo "installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
else
    echo "missing Debian packages (install them as root): ${missing[*]}" >&2
    exit 1
fi
# The browser test's packages, again only when its lockfile changed.
browser="$(dirname "$0")/../tests/browser"
if ! cmp -s "$browser/package-lock.json" "$browser/node_modules/.installed-lock"; then
    npm ci --prefix "$browser" --no-audit --no-fund --loglevel=error >/dev/null
    cp "$browser/package-lock.json" "$browser/node_modules/.installed-lock"
fi
