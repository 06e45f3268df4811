#!/usr/bin/env bash
# Writes THIRD-PARTY-NOTICES.txt to standard output: the copyright lines and
# licence texts of everything linked into Tavrin.exe and tavrin-check.exe,
# as Debian's packages state them. libmosquitto, OpenSSL and JsonCpp are cross-built
# from the Debian sources that scripts/deps.sh fetches; the runtime pieces
# come from Debian's MinGW-w64 packages.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

# The one unpacked Debian source of a package under .deps/src.
source_copyright() { # name-prefix
  local found=("$root"/.deps/src/"$1"-[0-9]*/debian/copyright)
  [ ${#found[@]} = 1 ] && [ -f "${found[0]}" ] || { echo "notices.sh: want one $1 source in .deps/src, found: ${found[*]}" >&2; exit 1; }
  echo "${found[0]}"
}

section() { # title what file
  printf '%s\n%s\n\n%s\n\n' "$(printf '=%.0s' {1..78})" "$1" "$2"
  cat "$3"
  printf '\n'
}

cat <<'HEAD'
Tavrin: notices of third-party software
=======================================

Tavrin.exe and tavrin-check.exe are each one statically linked file. They
contain the software below: libmosquitto, OpenSSL and JsonCpp cross-built from
Debian's source packages, the runtime from Debian's MinGW-w64 packages.
Each part follows with its copyright lines and licence texts, as the
Debian package's copyright file gives them.

HEAD
section "libmosquitto (Eclipse Mosquitto), the MQTT client library" \
  "Debian source package mosquitto; only the client library is linked." \
  "$(source_copyright mosquitto)"
# Debian's file points to the system's copy of the Apache licence, which a
# Windows PC does not have: the source's own full text follows it.
openssl_copyright=$(source_copyright openssl)
section "OpenSSL, the TLS library" \
  "Debian source package openssl; only libssl and libcrypto are linked." \
  "$openssl_copyright"
section "OpenSSL: the Apache License 2.0, in full" \
  "LICENSE.txt of the same source." \
  "$(dirname "$(dirname "$openssl_copyright")")/LICENSE.txt"
section "JsonCpp, the JSON reader" \
  "Debian source package libjsoncpp." \
  "$(source_copyright libjsoncpp)"
section "GCC runtime: libstdc++ and libgcc" \
  "Debian package gcc-mingw-w64-x86-64-posix-runtime (GCC, with the GCC Runtime Library Exception)." \
  /usr/share/doc/gcc-mingw-w64-base/copyright
section "MinGW-w64 runtime: the C runtime start-up and winpthreads" \
  "Debian package mingw-w64-x86-64-dev (mingw-w64-crt, mingw-w64-libraries/winpthreads)." \
  /usr/share/doc/mingw-w64-x86-64-dev/copyright
