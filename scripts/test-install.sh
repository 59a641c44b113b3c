#!/usr/bin/env bash
# Installs the library into a temporary prefix, static and shared, and builds
# an example program out of tree against what was installed: once through the
# CMake package (examples/CMakeLists.txt) and once through pkg-config with a
# plain Makefile (examples/Makefile); then runs it. The same for a program of
# the JSON form (tests/consumer/json_consumer.cpp, twfile::json). For the shared library it
# also checks the exports and the SONAME. Where the Python module is built, it
# checks that python3 imports it from the prefix.
#   scripts/test-install.sh [static|shared]...     (default: both)
# TWFILE_EXAMPLE names the example program to run (default temp_file_demo),
# TWFILE_EXAMPLE_ARGS its arguments; it runs in the folder examples/.
# CXX picks the compiler (default g++). Exits non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
root=$(pwd)
example=${TWFILE_EXAMPLE:-temp_file_demo}
read -r -a example_args <<<"${TWFILE_EXAMPLE_ARGS:-}"
compiler=${CXX:-g++}
jobs=$(nproc)
variants=("$@")
[ ${#variants[@]} -gt 0 ] || variants=(static shared)

work=$(mktemp -d "${TMPDIR:-/tmp}/twfile-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
log=$work/log

fail() {
    echo "FAILED: $*" >&2
    [ -s "$log" ] && tail -n 40 "$log" >&2
    exit 1
}
# Runs a command with its output in the log, shown only when it fails.
quietly() {
    "$@" >"$log" 2>&1 || fail "$*"
}
run_example() {
    local program=$1
    [ -x "$program" ] || fail "$program was not built"
    (cd "$root/examples" && "$program" "${example_args[@]}") >"$log" 2>&1 ||
        fail "$program ${example_args[*]}"
    sed 's/^/    /' "$log"
}

version=$(sed -nE 's/^project\(twfile VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || fail "no project version in CMakeLists.txt"

for variant in "${variants[@]}"; do
    case "$variant" in
        static) shared=OFF ;;
        shared) shared=ON ;;
        *) echo "unknown variant: $variant (static or shared)" >&2; exit 2 ;;
    esac
    build=$work/$variant/build
    prefix=$work/$variant/prefix

    echo "== $variant: build and install"
    quietly cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER="$compiler" \
        -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=$shared -DTWFILE_BUILD_TESTS=OFF \
        -DCMAKE_INSTALL_PREFIX="$prefix"
    quietly cmake --build "$build" -j "$jobs"
    quietly cmake --install "$build"

    pcfile=$(find "$prefix" -name twfile.pc -path '*/pkgconfig/*')
    [ -n "$pcfile" ] || fail "no twfile.pc installed"
    libdir=$(cd "$(dirname "$pcfile")/.." && pwd)
    for file in include/twfile/twfile.h include/twfile/export.h include/twfile/version.h \
                include/twfile/file/file32.h; do
        [ -f "$prefix/$file" ] || fail "$file not installed"
    done
    [ -f "$libdir/cmake/twfile/twfileConfig.cmake" ] || fail "no CMake package installed"
    grep -q "TWFILE_VERSION_STRING \"$version\"" "$prefix/include/twfile/version.h" ||
        fail "version.h does not carry $version"

    # Static users need TWFILE_STATIC, shared users must not get it.
    cflags=$(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --cflags twfile)
    targets=$(cat "$libdir"/cmake/twfile/twfileTargets*.cmake)
    if [ "$shared" = ON ]; then
        [ -f "$libdir/libtwfile.so.$version" ] || fail "no libtwfile.so.$version installed"
        [ ! -e "$libdir/libtwfile.a" ] || fail "static library installed by the shared build"
        soname=$(readelf -d "$libdir/libtwfile.so.$version" | sed -nE 's/.*SONAME.*\[(.*)\]/\1/p')
        [ "$soname" = "libtwfile.so.${version%%.*}" ] || fail "SONAME is '$soname'"
        [[ "$cflags" != *TWFILE_STATIC* ]] || fail "twfile.pc gives TWFILE_STATIC to shared users"
        [[ "$targets" != *TWFILE_STATIC* ]] || fail "CMake package gives TWFILE_STATIC to shared users"
        echo "   SONAME $soname"
        quietly bash scripts/check-exports.sh "$libdir/libtwfile.so" "$prefix/include"
        sed 's/^/   /' "$log"
    else
        [ -f "$libdir/libtwfile.a" ] || fail "no libtwfile.a installed"
        [[ "$cflags" == *-DTWFILE_STATIC* ]] || fail "twfile.pc lacks TWFILE_STATIC"
        [[ "$targets" == *TWFILE_STATIC* ]] || fail "CMake package lacks TWFILE_STATIC"
    fi
    if [ -e "$prefix/bin/qdf" ]; then
        quietly "$prefix/bin/qdf" --version
        grep -qF "$version" "$log" || fail "qdf --version does not print $version"
        [ -n "$(find "$prefix/share/man" -name 'qdf.1*' 2>/dev/null)" ] || fail "no qdf manual page"
        for completion in bash-completion/completions/qdf zsh/site-functions/_qdf \
                          fish/vendor_completions.d/qdf.fish; do
            [ -n "$(find "$prefix/share/$completion" 2>/dev/null)" ] || fail "no $completion"
        done
        echo "   qdf --version: $(head -n 1 "$log")"
    fi

    # The Python module, under the prefix as its install puts it there.
    if [ -n "$(find "$prefix" -name 'twfile.cpython-*.so')" ]; then
        site=$(dirname "$(find "$prefix" -name 'twfile.cpython-*.so' | head -n 1)")
        [ -f "$site/twfile.pyi" ] && [ -f "$site/py.typed" ] || fail "no twfile.pyi or py.typed"
        quietly env PYTHONPATH="$site" /usr/bin/python3 -c \
            "import twfile; print(twfile.load('$root/examples/sales.qdf')['tables'])"
        echo "   python3 -c 'import twfile': $(tail -n 1 "$log")"
    fi

    echo "== $variant: $example through the CMake package"
    consumer=$work/$variant/cmake-consumer
    quietly cmake -S examples -B "$consumer" -G Ninja -DCMAKE_CXX_COMPILER="$compiler" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_FLAGS=-Werror
    quietly cmake --build "$consumer" -j "$jobs"
    run_example "$consumer/$example"

    echo "== $variant: $example through pkg-config"
    consumer=$work/$variant/pkg-config-consumer
    mkdir -p "$consumer"
    ldflags=
    [ "$shared" = ON ] && ldflags="-Wl,-rpath,$libdir"
    quietly env PKG_CONFIG_PATH="$libdir/pkgconfig" make -C "$consumer" -f "$root/examples/Makefile" \
        CXX="$compiler" CXXFLAGS="-O2 -Werror" LDFLAGS="$ldflags" "$example"
    run_example "$consumer/$example"

    # The JSON form, twfile::json: a program that round-trips a document,
    # through the CMake package's component and through twfile-json.pc.
    echo "== $variant: the JSON form through the CMake package"
    [ -f "$libdir/libtwfile_json.a" ] || fail "no libtwfile_json.a installed"
    [ -f "$prefix/include/twfile/json/document_json.h" ] || fail "no JSON form headers installed"
    consumer=$work/$variant/json-cmake
    quietly cmake -S tests/consumer -B "$consumer" -G Ninja -DCMAKE_CXX_COMPILER="$compiler" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_FLAGS=-Werror
    quietly cmake --build "$consumer" -j "$jobs" --target json_consumer
    run_example "$consumer/json_consumer"

    echo "== $variant: the JSON form through pkg-config"
    consumer=$work/$variant/json-pkg-config
    mkdir -p "$consumer"
    # shellcheck disable=SC2046
    quietly "$compiler" -std=c++17 -O2 -Werror -o "$consumer/json_consumer" \
        "$root/tests/consumer/json_consumer.cpp" \
        $(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --cflags --libs twfile-json) $ldflags
    run_example "$consumer/json_consumer"

    # Each program uses the installed library: linked into it when static,
    # loaded from the prefix when shared.
    for program in "$work/$variant"/*-consumer/"$example" "$work/$variant"/json-*/json_consumer; do
        loaded=$(ldd "$program" | grep libtwfile || true)
        if [ "$shared" = ON ]; then
            [[ "$loaded" == *"$libdir/libtwfile.so"* ]] || fail "$program loads: ${loaded:-no libtwfile}"
        else
            [ -z "$loaded" ] || fail "$program loads a shared libtwfile: $loaded"
        fi
    done

    if [ "$shared" = ON ]; then
        # The export check must notice a leaked helper and a class that lost its
        # mark; the library's own objects are linked again for both.
        echo "== $variant: the export check finds faults"
        objects=$(find "$build" -path '*/CMakeFiles/twfile.dir/*' -name '*.o' | sort)
        printf '%s\n' '__attribute__((visibility("default"))) int LeakedHelper(int x) { return x; }' \
            >"$work/leak.cpp"
        quietly "$compiler" -shared -fPIC -o "$work/leaky.so" $objects "$work/leak.cpp" -pthread
        if bash scripts/check-exports.sh "$work/leaky.so" "$prefix/include" >"$log" 2>&1 ||
            ! grep -q 'LeakedHelper' "$log"; then
            fail "a leaked helper went unnoticed"
        fi
        quietly "$compiler" -shared -fPIC -o "$work/short.so" $(grep -v '/twfile.dir/file/' <<<"$objects") -pthread
        if bash scripts/check-exports.sh "$work/short.so" "$prefix/include" >"$log" 2>&1 ||
            ! grep -q 'CTWFile32' "$log"; then
            fail "a missing class went unnoticed"
        fi
        echo "   leaked helper and missing class both reported"
    fi
done
echo "install test passed: ${variants[*]}"
