#!/bin/bash
# Cross-builds the program's libraries for 64-bit Windows from Debian's own
# source packages, as static libraries, into a cache outside the tree:
#   $ZEL_MINGW_CACHE (default /var/cache/zeltarik-mingw)/prefix
# Each library is rebuilt only when its recipe below, its source version or the
# compiler changes (a stamp per library records a hash of all three), so a
# second run on the same machine takes a second.
# Installs what it needs first (mingw-w64, dpkg-dev) and adds deb-src entries
# beside the machine's own deb entries when apt has none.
# Environment: ZEL_MINGW_JOBS (default 2), ZEL_MINGW_NICE (default 10).
set -eu

here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
cache=${ZEL_MINGW_CACHE:-/var/cache/zeltarik-mingw}
prefix=$cache/prefix
jobs=${ZEL_MINGW_JOBS:-2}
nice_level=${ZEL_MINGW_NICE:-10}
host=x86_64-w64-mingw32
toolchain=$top/cmake/MinGW64.cmake

if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi

log() { printf 'build-deps: %s\n' "$*" >&2; }

need_packages() {
    missing=""
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
            missing="$missing $p"
    done
    [ -z "$missing" ] && return 0
    log "installing$missing"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends $missing >&2
}

# deb-src entries with the same URIs and suites as the machine's deb entries.
ensure_deb_src() {
    if grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        return 0
    fi
    log "adding deb-src entries for the machine's apt sources"
    tmp=$(mktemp)
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -e "$f" ] || continue
        sed -n '/./,$p' "$f" | awk '
            BEGIN { RS=""; ORS="\n\n" }
            /(^|\n)Types:[^\n]*deb/ && /debian\.org|debian-security/ {
                gsub(/(^|\n)Types:[^\n]*/, "\nTypes: deb-src"); sub(/^\n/, ""); print }' >>"$tmp"
    done
    if [ -s "$tmp" ]; then
        $sudo cp "$tmp" /etc/apt/sources.list.d/zeltarik-deb-src.sources
    fi
    if [ -f /etc/apt/sources.list ]; then
        grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' >"$tmp" || true
        [ -s "$tmp" ] && $sudo cp "$tmp" /etc/apt/sources.list.d/zeltarik-deb-src.list
    fi
    rm -f "$tmp"
    $sudo apt-get update -q >&2
}

# Unpacks source package $1 into $cache/src/$1 (once per version) and prints
# the unpacked folder. A version the archive no longer serves is retried with
# the other versions apt knows, newest first.
fetch_source() {
    pkg=$1
    mkdir -p "$cache/src/$pkg"
    for version in $(apt-cache showsrc "$pkg" | sed -n 's/^Version: //p' | sort -rV); do
        plain=${version#*:}
        dir="$cache/src/$pkg/$pkg-$plain"
        if [ -f "$dir/.unpacked" ]; then
            echo "$dir"; return 0
        fi
        rm -rf "$dir.work"; mkdir -p "$dir.work"
        if (cd "$dir.work" && apt-get source -q --download-only "$pkg=$version" >/dev/null 2>&1); then
            (cd "$dir.work" && dpkg-source --no-check -x ./*.dsc unpacked >/dev/null 2>&1)
            rm -rf "$dir"; mv "$dir.work/unpacked" "$dir"; rm -rf "$dir.work"
            touch "$dir/.unpacked"
            echo "$dir"; return 0
        fi
        rm -rf "$dir.work"
        log "$pkg $version: the archive did not serve its files, trying an older version"
    done
    log "$pkg: no version of the source package could be fetched"
    return 1
}

cmake_build() {
    src=$1; shift
    build=$cache/build/$(basename "$src")
    rm -rf "$build"
    nice -n "$nice_level" cmake -S "$src" -B "$build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DZEL_MINGW_PREFIX="$prefix" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DCMAKE_PREFIX_PATH="$prefix" -DBUILD_SHARED_LIBS=OFF \
        -DCMAKE_POSITION_INDEPENDENT_CODE=OFF "$@" >"$build.log" 2>&1 ||
        { tail -30 "$build.log" >&2; return 1; }
    nice -n "$nice_level" cmake --build "$build" -j "$jobs" >>"$build.log" 2>&1 ||
        { tail -30 "$build.log" >&2; return 1; }
    cmake --install "$build" >>"$build.log" 2>&1 || { tail -30 "$build.log" >&2; return 1; }
    rm -rf "$build"
}

autotools_build() {
    src=$1; shift
    for f in config.sub config.guess; do
        [ -f /usr/share/misc/$f ] && find "$src" -name $f -exec cp /usr/share/misc/$f {} \;
    done
    build=$cache/build/$(basename "$src")
    rm -rf "$build"; mkdir -p "$build"
    (cd "$build" && PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig PKG_CONFIG_PATH= \
        CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib" \
        nice -n "$nice_level" "$src/configure" --host=$host --prefix="$prefix" \
        --disable-shared --enable-static "$@" >"$build.log" 2>&1) ||
        { tail -30 "$build.log" >&2; return 1; }
    # Only the library's own folders ($subdirs), not its examples and papers.
    for dir in ${subdirs:-.}; do
        (cd "$build/$dir" && nice -n "$nice_level" make -j "$jobs" >>"$build.log" 2>&1 &&
            make install >>"$build.log" 2>&1) || { tail -30 "$build.log" >&2; return 1; }
    done
    if [ -n "${subdirs:-}" ]; then
        (cd "$build" && make install-pkgconfigDATA >>"$build.log" 2>&1) ||
            { tail -30 "$build.log" >&2; return 1; }
    fi
    rm -rf "$build"
}

# The recipes, in build order: each one's text is part of its stamp.
recipe_zlib() {
    # Debian's zlib source carries neither MinGW makefile nor a CMake build
    # that names its static library libz.a: the library is a handful of C
    # files, compiled here directly.
    build=$cache/build/zlib
    rm -rf "$build"; mkdir -p "$build"
    for c in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast \
             inflate inftrees trees uncompr zutil; do
        nice -n "$nice_level" $host-gcc-posix -O2 -c "$1/$c.c" -o "$build/$c.o" || return 1
    done
    install -d "$prefix/include" "$prefix/lib/pkgconfig"
    $host-ar rcs "$prefix/lib/libz.a" "$build"/*.o
    install -m 644 "$1/zlib.h" "$1/zconf.h" "$prefix/include/"
    printf 'prefix=%s\nName: zlib\nDescription: zlib\nVersion: 1.2.13\nLibs: -L${prefix}/lib -lz\nCflags: -I${prefix}/include\n' \
        "$prefix" >"$prefix/lib/pkgconfig/zlib.pc"
    rm -rf "$build"
}
recipe_libpng1_6() {
    cmake_build "$1" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
        -DZLIB_ROOT="$prefix" -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include"
}
recipe_libjpeg_turbo() {
    cmake_build "$1" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF
}
recipe_libogg() {
    cmake_build "$1" -DINSTALL_DOCS=OFF
}
recipe_libvorbis() {
    cmake_build "$1"
}
recipe_libtheora() {
    subdirs="lib include" autotools_build "$1" --disable-examples --disable-oggtest --disable-vorbistest \
        --disable-sdltest --disable-spec --disable-asm --disable-encode
}
recipe_freetype() {
    cmake_build "$1" -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_BROTLI=ON \
        -DFT_DISABLE_PNG=ON -DFT_REQUIRE_ZLIB=ON
}
recipe_libsdl2() {
    cmake_build "$1" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL2_DISABLE_SDL2MAIN=OFF
}
recipe_xerces_c() {
    # Only the library: its tests include <Windows.h> by a name only a
    # case-blind file system finds, and Debian's source lacks the manual the
    # doc folder would install.
    sed -i -E '/^add_subdirectory\((tests|samples|doc)\)/d' "$1/CMakeLists.txt"
    cmake_build "$1" -Dnetwork=OFF -Dtranscoder=windows -Dmessage-loader=inmemory \
        -Dthreads=ON -Dxmlch-type=char16_t
}

# AGG: its library is a handful of C++ files beside headers. Where the
# archive does not serve Debian's source package, the curve flattening the
# program's text drawing needs (the only part not in the headers) comes from
# agg/agg_curves.cpp, over the host's AGG headers of the same version.
recipe_agg() {
    build=$cache/build/agg
    rm -rf "$build"; mkdir -p "$build" "$prefix/include/agg2" "$prefix/lib/pkgconfig"
    if [ -n "$1" ]; then
        cp "$1"/include/*.h "$prefix/include/agg2/"
        sources=$(ls "$1"/src/agg_*.cpp)
        include=$1/include
    else
        cp /usr/include/agg2/*.h "$prefix/include/agg2/"
        sources=$here/agg/agg_curves.cpp
        include=$prefix/include/agg2
    fi
    for c in $sources; do
        nice -n "$nice_level" $host-g++-posix -O2 -I"$include" -c "$c" \
            -o "$build/$(basename "$c" .cpp).o" || return 1
    done
    $host-ar rcs "$prefix/lib/libagg.a" "$build"/*.o
    printf 'prefix=%s\nName: libagg\nDescription: Anti-Grain Geometry\nVersion: 2.6.1\nLibs: -L${prefix}/lib -lagg\nCflags: -I${prefix}/include/agg2\n' \
        "$prefix" >"$prefix/lib/pkgconfig/libagg.pc"
    rm -rf "$build"
}

# GoogleTest for the test executables, from the source Debian's libgtest-dev
# ships (googletest).
recipe_googletest() {
    cmake_build "$1" -Dgtest_disable_pthreads=OFF -DINSTALL_GTEST=ON -DBUILD_GMOCK=ON
}

need_packages g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools \
    dpkg-dev cmake ninja-build make pkg-config autotools-dev xz-utils libboost-dev googletest
ensure_deb_src

mkdir -p "$prefix/include" "$cache/build" "$cache/stamps"
# Boost's header-only libraries are the same for every system: the host's.
ln -sfn /usr/include/boost "$prefix/include/boost"
compiler=$($host-g++-posix --version | head -1)
toolchain_hash=$(sha256sum "$toolchain" | cut -c1-16)

for pkg in zlib libpng1.6 libjpeg-turbo libogg libvorbis libtheora freetype libsdl2 xerces-c; do
    fn=recipe_$(echo "$pkg" | tr '.-' '__')
    src=$(fetch_source "$pkg")
    stamp=$(printf '%s\n%s\n%s\n%s\n' "$(declare -f "$fn")" "$(basename "$src")" "$compiler" "$toolchain_hash" |
        sha256sum | cut -c1-16)
    if [ -f "$cache/stamps/$pkg.$stamp" ]; then
        continue
    fi
    log "building $(basename "$src")"
    start=$(date +%s)
    "$fn" "$src"
    rm -f "$cache/stamps/$pkg".*
    touch "$cache/stamps/$pkg.$stamp"
    log "built $(basename "$src") in $(( $(date +%s) - start )) s"
done
if agg_source=$(fetch_source agg 2>/dev/null); then
    agg_name=$(basename "$agg_source")
else
    agg_source=""
    agg_name="agg_curves.cpp $(sha256sum "$here/agg/agg_curves.cpp" | cut -c1-16)"
    log "agg: the archive does not serve its source; using agg/agg_curves.cpp"
fi
agg_stamp=$(printf '%s\n%s\n%s\n' "$(declare -f recipe_agg)" "$agg_name" "$compiler" |
    sha256sum | cut -c1-16)
if [ ! -f "$cache/stamps/agg.$agg_stamp" ]; then
    log "building agg ($agg_name)"
    recipe_agg "$agg_source"
    rm -f "$cache/stamps"/agg.*
    touch "$cache/stamps/agg.$agg_stamp"
fi

gtest_stamp=$(printf '%s\n%s\n%s\n' "$(declare -f recipe_googletest)" \
    "$(dpkg-query -W -f='${Version}' googletest)" "$compiler" | sha256sum | cut -c1-16)
if [ ! -f "$cache/stamps/googletest.$gtest_stamp" ]; then
    log "building googletest"
    rm -rf "$cache/src/googletest"
    mkdir -p "$cache/src"
    cp -r /usr/src/googletest "$cache/src/googletest"
    recipe_googletest "$cache/src/googletest"
    rm -rf "$cache/stamps"/googletest.*
    touch "$cache/stamps/googletest.$gtest_stamp"
fi
echo "$prefix"
