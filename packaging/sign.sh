#!/usr/bin/env bash
# Signs Windows files in place with Authenticode (Debian's osslsigncode):
#   SIGN_PFX=cert.pfx [SIGN_PASSWORD=…] [SIGN_TIMESTAMP_URL=…] sign.sh FILE...
# The password goes through a private file, never the command line. Without
# a time stamp a signature is valid only as long as its certificate.
set -euo pipefail
: "${SIGN_PFX:?sign.sh: SIGN_PFX names the PKCS#12 file of the signing certificate}"
secret=$(umask 077 && mktemp)
trap 'rm -f "$secret"' EXIT
printf '%s' "${SIGN_PASSWORD:-}" > "$secret"
for file in "$@"; do
  args=(sign -pkcs12 "$SIGN_PFX" -readpass "$secret" -h sha256 -n Tavrin -in "$file" -out "$file.signed")
  [ -n "${SIGN_TIMESTAMP_URL:-}" ] && args+=(-ts "$SIGN_TIMESTAMP_URL")
  osslsigncode "${args[@]}" >/dev/null
  mv "$file.signed" "$file"
  echo "signed $(basename "$file")"
done
