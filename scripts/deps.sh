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
# bookworm's OpenSSL, pinned to its point release: the security pocket's
# newest source is not always on the mirror.
OPENSSL_VERSION=3.0.20
OPENSSL_DEBIAN=3.0.20-1~deb12u2

packages=(
  cmake make pkg-config dpkg-dev g++ clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix wine64 xvfb xauth x11-utils
  mosquitto mosquitto-clients libmosquitto-dev libssl-dev libjsoncpp-dev libgtest-dev libutfcpp-dev
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
fetch_source() { # package version [debian-version]
  local pkg=$1 ver=$2 apt=$deps/apt want=$1${3:+=$3}
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
      -o Dir::State::Lists="$apt/lists" source --only-source "$want" 2>&1 | grep -v '^W: Download is performed unsandboxed' || true)
  ls -d "$deps/src/$pkg-$ver" >/dev/null
}

toolchain=$root/cmake/mingw-w64-x86_64.cmake
jobs=$(nproc)
mkdir -p "$deps/build"

# Only libcrypto and libssl, static, without what neither the library nor
# Tavrin uses. The fixed folders that a static OpenSSL would read on Windows
# lie under Program Files, which only administrators can write (the program
# also never loads a config file). The date comes from Debian's changelog and
# the build runs in the source tree, so no date or folder of this machine
# ends up in the objects.
if [ ! -f "$prefix/lib/libssl.a" ]; then
  fetch_source openssl $OPENSSL_VERSION $OPENSSL_DEBIAN
  s=$deps/src/openssl-$OPENSSL_VERSION
  log=$deps/build/openssl.log
  start=$(date +%s)
  (cd "$s" && [ ! -f Makefile ] || make -s clean >/dev/null 2>&1 || true)
  (cd "$s" && SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l debian/changelog -STimestamp) \
    CC=gcc-posix ./Configure mingw64 --cross-compile-prefix=x86_64-w64-mingw32- \
    --prefix="C:/Program Files/Tavrin/OpenSSL" --openssldir=ssl \
    no-shared no-module no-dso no-engine no-tests no-filenames no-autoload-config \
    no-legacy no-comp no-ssl3 no-dtls no-srp no-srtp no-nextprotoneg no-ct no-ts no-async \
    no-idea no-rc2 no-rc4 no-rc5 no-md4 no-mdc2 no-whirlpool no-seed no-camellia no-aria \
    no-sm2 no-sm3 no-sm4 no-cast no-bf no-gost -Os > "$log" 2>&1 &&
    SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l debian/changelog -STimestamp) \
    make -j"$jobs" build_libs >> "$log" 2>&1) || { tail -40 "$log"; exit 1; }
  mkdir -p "$prefix/lib" "$prefix/include/openssl"
  cp "$s"/include/openssl/*.h "$prefix/include/openssl/"
  cp "$s/libcrypto.a" "$s/libssl.a" "$prefix/lib/"
  echo "deps: OpenSSL $OPENSSL_VERSION built in $(( $(date +%s) - start )) s"
fi

# With TLS, against the OpenSSL above; a library built without it is rebuilt.
if ! x86_64-w64-mingw32-nm "$prefix/lib/libmosquitto_static.a" 2>/dev/null | grep ' U SSL_CTX_new' >/dev/null; then
  fetch_source mosquitto $MOSQUITTO_VERSION
  b=$deps/build/mosquitto
  rm -rf "$b"
  cmake -S "$deps/src/mosquitto-$MOSQUITTO_VERSION" -B "$b" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DWITH_TLS=ON -DOPENSSL_INCLUDE_DIR="$prefix/include" \
    -DLIB_EAY="$prefix/lib/libcrypto.a" -DSSL_EAY="$prefix/lib/libssl.a" \
    -DWITH_THREADING=OFF -DWITH_CJSON=OFF -DWITH_BROKER=OFF -DWITH_APPS=OFF \
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
