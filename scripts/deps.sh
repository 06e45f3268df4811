#!/usr/bin/env bash
# Installs what the build and the tests need and cross-builds the Windows
# dependencies once into .deps/win64. Safe to run again: every step is skipped
# when its result is already there.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
deps=$root/.deps
prefix=$deps/win64

MOSQUITTO_VERSION=2.0.11
JSONCPP_VERSION=1.9.5

packages=(
  cmake make pkg-config dpkg-dev g++ clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix wine64 xvfb xauth x11-utils
  mosquitto mosquitto-clients libmosquitto-dev libjsoncpp-dev libgtest-dev libutfcpp-dev
  fonts-nanum imagemagick iproute2 util-linux
  wixl msitools zip unzip osslsigncode openssl
)

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "deps: installing ${missing[*]}"
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The policy of the machine's apt may not carry source entries; derive a
# deb-src list from its own binary entries into a private apt state so that
# the system's configuration stays untouched.
fetch_source() { # package version
  local pkg=$1 ver=$2 apt=$deps/apt
  mkdir -p "$apt/parts" "$apt/lists/partial" "$deps/src"
  if [ ! -s "$apt/parts/src.sources" ]; then
    : > "$apt/parts/src.sources"
    for f in /etc/apt/sources.list.d/*.sources; do
      [ -f "$f" ] && grep -qi 'debian' "$f" && sed 's/^Types:.*/Types: deb-src/' "$f" >> "$apt/parts/src.sources" && echo >> "$apt/parts/src.sources"
    done
    if [ -f /etc/apt/sources.list ]; then
      grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' > "$apt/parts/src.list" || true
    fi
    apt-get -qq -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt/parts" \
      -o Dir::State::Lists="$apt/lists" update
  fi
  (cd "$deps/src" && apt-get -qq -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt/parts" \
      -o Dir::State::Lists="$apt/lists" source --only-source "$pkg" 2>&1 | grep -v '^W: Download is performed unsandboxed' || true)
  ls -d "$deps/src/$pkg-$ver" >/dev/null
}

toolchain=$root/cmake/mingw-w64-x86_64.cmake
jobs=$(nproc)
mkdir -p "$deps/build"

if [ ! -f "$prefix/lib/libmosquitto_static.a" ]; then
  fetch_source mosquitto $MOSQUITTO_VERSION
  b=$deps/build/mosquitto
  rm -rf "$b"
  cmake -S "$deps/src/mosquitto-$MOSQUITTO_VERSION" -B "$b" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DWITH_TLS=OFF -DWITH_THREADING=OFF -DWITH_CJSON=OFF -DWITH_BROKER=OFF -DWITH_APPS=OFF \
    -DWITH_CLIENTS=OFF -DWITH_PLUGINS=OFF -DWITH_STATIC_LIBRARIES=ON -DWITH_SHARED_LIBRARIES=OFF \
    -DDOCUMENTATION=OFF -DWITH_LIB_CPP=OFF > "$b.log" 2>&1 || { cat "$b.log"; exit 1; }
  cmake --build "$b" -j"$jobs" >> "$b.log" 2>&1 || { tail -40 "$b.log"; exit 1; }
  mkdir -p "$prefix/lib" "$prefix/include"
  cp "$deps/src/mosquitto-$MOSQUITTO_VERSION/include/mosquitto.h" "$deps/src/mosquitto-$MOSQUITTO_VERSION/include/mqtt_protocol.h" "$prefix/include/"
  find "$b" -name libmosquitto_static.a -exec cp {} "$prefix/lib/" \;
  echo "deps: libmosquitto $MOSQUITTO_VERSION built"
fi

if [ ! -f "$prefix/lib/libjsoncpp.a" ]; then
  fetch_source libjsoncpp $JSONCPP_VERSION
  b=$deps/build/jsoncpp
  rm -rf "$b"
  cmake -S "$deps/src/libjsoncpp-$JSONCPP_VERSION" -B "$b" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD_SHARED_LIBS=OFF -DBUILD_STATIC_LIBS=ON -DBUILD_OBJECT_LIBS=OFF \
    -DJSONCPP_WITH_TESTS=OFF -DJSONCPP_WITH_POST_BUILD_UNITTEST=OFF -DJSONCPP_WITH_PKGCONFIG_SUPPORT=OFF \
    -DJSONCPP_WITH_CMAKE_PACKAGE=OFF > "$b.log" 2>&1 || { cat "$b.log"; exit 1; }
  cmake --build "$b" -j"$jobs" --target install >> "$b.log" 2>&1 || { tail -40 "$b.log"; exit 1; }
  echo "deps: jsoncpp $JSONCPP_VERSION built"
fi

if [ ! -f "$prefix/lib/libgtest.a" ]; then
  b=$deps/build/googletest
  rm -rf "$b"
  cmake -S /usr/src/googletest -B "$b" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_GMOCK=OFF \
    -Dgtest_disable_pthreads=OFF > "$b.log" 2>&1 || { cat "$b.log"; exit 1; }
  cmake --build "$b" -j"$jobs" --target install >> "$b.log" 2>&1 || { tail -40 "$b.log"; exit 1; }
  echo "deps: googletest built"
fi
