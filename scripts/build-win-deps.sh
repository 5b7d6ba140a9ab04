#!/usr/bin/env bash
# Cross-builds libsndfile and its codecs (libogg, FLAC, Opus, libvorbis) for
# the Windows build, as static libraries, from Debian's own source packages
# (with Debian's patches), with the project's MinGW-w64 toolchain file; and
# takes cpp-httplib's header-only httplib.h from its source package (Debian's
# binary package holds a header that needs its Linux library).
#
#   scripts/build-win-deps.sh PREFIX
#
# Installs into PREFIX (the Windows build folder's deps/); a warm run, with
# PREFIX/.complete present, does nothing. Programs, tests, docs and examples
# are left out, so the cold run takes a few minutes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
prefix=$(mkdir -p "$1" && cd "$1" && pwd)
stamp=$prefix/.complete
packages=(libogg flac opus libvorbis libsndfile cpp-httplib)
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "${packages[*]}" ]; then
  exit 0
fi
rm -f "$stamp"
work=$prefix/.work
mkdir -p "$work"
jobs=${TESSALY_DEPS_JOBS:-2}

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi

# Source packages come from the same archive as the binary ones (apt-get
# source unpacks them with dpkg-source, from dpkg-dev: scripts/install-deps.sh).
ensure_deb_src() {
  if apt-get source --print-uris libogg >/dev/null 2>&1; then
    return
  fi
  local list=/etc/apt/sources.list.d/debian-src.sources
  local uri suites
  uri=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources | head -n1)
  suites=$(sed -n 's/^Suites: *//p' /etc/apt/sources.list.d/debian.sources | head -n1)
  printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: %s\n' \
    "${uri:-http://deb.debian.org/debian}" "${suites:-bookworm}" \
    /usr/share/keyrings/debian-archive-keyring.gpg | "${sudo_cmd[@]}" tee "$list" >/dev/null
  "${sudo_cmd[@]}" apt-get update -q
}

# The project's toolchain, plus the prefix as a root where later libraries find
# the earlier ones.
cat >"$work/toolchain.cmake" <<EOF
include($root/cmake/mingw-w64-x86_64.cmake)
list(APPEND CMAKE_FIND_ROOT_PATH $prefix)
EOF

unpack() {  # package; sets source
  source=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name "$1-[0-9]*" | head -n1)
  if [ -z "$source" ]; then
    (cd "$work" && apt-get source -q "$1" >"$work/$1.log" 2>&1) || { cat "$work/$1.log"; exit 1; }
    source=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name "$1-[0-9]*" | head -n1)
  fi
}

build() {  # package, extra cmake arguments...
  local package=$1
  shift
  local source
  unpack "$package"
  # Opus 1.3.1's release tarball lacks one file its CMake build includes; it
  # only picks a default build type, which is given here anyway.
  if [ "$package" = opus ] && [ ! -f "$source/opus_buildtype.cmake" ]; then
    : >"$source/opus_buildtype.cmake"
  fi
  echo "-- Windows dependency: $(basename "$source")"
  cmake -S "$source" -B "$work/build-$package" -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" \
    -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTING=OFF -DCMAKE_POLICY_DEFAULT_CMP0077=NEW \
    "$@" >"$work/$package.log" 2>&1 || { cat "$work/$package.log"; exit 1; }
  cmake --build "$work/build-$package" -j "$jobs" >>"$work/$package.log" 2>&1 ||
    { tail -n 60 "$work/$package.log"; exit 1; }
  cmake --install "$work/build-$package" >>"$work/$package.log" 2>&1
}

ensure_deb_src
build libogg -DINSTALL_DOCS=OFF
# Stack protector and fortify need MinGW's libssp, which a static program
# would have to carry; the library's own code gains nothing here from them.
build flac -DBUILD_CXXLIBS=OFF -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOCS=OFF \
  -DINSTALL_MANPAGES=OFF -DWITH_STACK_PROTECTOR=OFF -DWITH_FORTIFY_SOURCE=OFF -DWITH_OGG=ON
build opus -DOPUS_BUILD_PROGRAMS=OFF -DOPUS_BUILD_TESTING=OFF -DOPUS_STACK_PROTECTOR=OFF \
  -DOPUS_FORTIFY_SOURCE=OFF
build libvorbis
# Its own FLAC lookup does not say that FLAC is static: without FLAC__NO_DLL
# it would call FLAC through DLL imports that do not exist.
build libsndfile -DCMAKE_C_FLAGS=-DFLAC__NO_DLL -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_REGTEST=OFF \
  -DENABLE_CPACK=OFF -DENABLE_EXTERNAL_LIBS=ON -DENABLE_MPEG=OFF -DINSTALL_MANPAGES=OFF \
  -DENABLE_PACKAGE_CONFIG=ON -DINSTALL_PKGCONFIG_MODULE=OFF -DENABLE_STATIC_RUNTIME=OFF
unpack cpp-httplib
echo "-- Windows dependency: $(basename "$source") (header only)"
install -D -m 644 "$source/httplib.h" "$prefix/include/httplib/httplib.h"
rm -rf "$work"
echo "${packages[*]}" >"$stamp"
