#!/usr/bin/env bash
# Qt 6 for 64-bit Windows, cross-built with MinGW-w64 from Debian's own qt6-base source package
# (the version of the host's Qt, whose tools the cross build runs), as shared libraries so that
# users can replace Qt's DLLs. Built once into a cache folder outside the checkout, named by the
# Qt version, the options and the patch; later runs (a fresh clone too) find it there.
# Prints the folder Qt is installed in. MALVOR_CACHE_DIR overrides where the cache lives.
set -euo pipefail
project=$(cd "$(dirname "$0")/.." && pwd)
"$project/scripts/deps.sh" g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix \
  binutils-mingw-w64-x86-64 dpkg-dev xz-utils >&2

version=$(dpkg-query -W -f='${source:Version}' qt6-base-dev)  # of its source, e.g. 6.4.2+dfsg-10
upstream=${version%%+*}
upstream=${upstream%%-*}
patch_file="$project/packaging/qt/directwrite-needs-direct2d.patch"
triplet=x86_64-w64-mingw32
options=(
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
  -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_SYSTEM_PROCESSOR=x86_64
  -DCMAKE_C_COMPILER=$triplet-gcc-posix -DCMAKE_CXX_COMPILER=$triplet-g++-posix
  -DCMAKE_RC_COMPILER=$triplet-windres
  -DCMAKE_FIND_ROOT_PATH=/usr/$triplet -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER
  -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY
  -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=ONLY
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
  -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF
  -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_opengl=OFF -DFEATURE_vulkan=OFF
  -DFEATURE_icu=OFF -DFEATURE_zstd=OFF -DFEATURE_jpeg=OFF -DFEATURE_freetype=OFF
  -DFEATURE_direct2d=OFF -DFEATURE_dynamicgl=OFF
  # Debian's source leaves out src/3rdparty/wintab, which tablet events need.
  -DFEATURE_tabletevent=OFF
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF
  -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_doubleconversion=OFF
)
key=$({ printf '%s\n' "$version" "${options[@]}"; cat "$patch_file"; } | sha256sum | cut -c1-12)
cache=${MALVOR_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/malvor}
prefix="$cache/qt-$upstream-mingw-$key"
mkdir -p "$cache"

# One build at a time: a second run waits for the first and then finds its result.
exec 9>"$cache/qt.lock"
flock 9
if [ ! -f "$prefix/.complete" ]; then
  work="$cache/qt-build-$key"
  rm -rf "$prefix"
  log="$work/build.log"
  echo "Building Qt $version for Windows into $prefix (once; about half an hour on 2 cores)" >&2
  start=$SECONDS
  # A build that was stopped goes on where it stopped: the sources are there when patched.
  if [ ! -f "$work/src/.patched" ]; then
    rm -rf "$work" && mkdir -p "$work"
    "$project/scripts/apt_source.sh" "qt6-base=$version" "$work/download"
    # dpkg-source applies Debian's own patches (its security fixes among them) as Debian does.
    dpkg-source -x "$work/download/qt6-base_${version#*:}.dsc" "$work/src" >/dev/null 2>&1
    patch -d "$work/src" -p1 --quiet <"$patch_file"
    touch "$work/src/.patched"
  fi
  cmake -S "$work/src" -B "$work/build" -G Ninja "-DCMAKE_INSTALL_PREFIX=$prefix" "${options[@]}" \
    >"$log" 2>&1 || { tail -n 40 "$log" >&2; exit 1; }
  cmake --build "$work/build" -j"$(nproc)" >>"$log" 2>&1 || { tail -n 40 "$log" >&2; exit 1; }
  cmake --install "$work/build" --strip >>"$log" 2>&1 || { tail -n 40 "$log" >&2; exit 1; }
  # What the ZIP needs to tell where this Qt comes from, and the licences it is under.
  cp -r "$work/src/LICENSES" "$prefix/LICENSES"
  # Debian's record of every file's copyright holders and licence, the bundled libraries' too.
  cp "$work/src/debian/copyright" "$prefix/copyright"
  {
    echo "Qt $upstream (Core, Gui, Widgets and the Windows platform plugin), built from Debian's"
    echo "source package qt6-base $version (qt6-base_${version#*:}.dsc, with Debian's patches)"
    echo "with MinGW-w64, after applying this patch:"
    echo
    cat "$patch_file"
    echo
    echo "CMake options:"
    printf '  %s\n' "${options[@]}"
  } >"$prefix/SOURCE.txt"
  echo "Qt built in $(((SECONDS - start) / 60)) min; build folder $(du -sh "$work" | cut -f1)," \
    "installed $(du -sh "$prefix" | cut -f1)" >&2
  rm -rf "$work"
  touch "$prefix/.complete"
fi
echo "$prefix"
