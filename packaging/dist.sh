#!/usr/bin/env bash
# The release: the portable zip, the per-user MSI and their checksums.
#   dist.sh [BUILD_DIR [OUT_DIR]]     (defaults build/win64 and dist)
# BUILD_DIR is a finished Windows build. With SIGN_PFX (and SIGN_PASSWORD)
# the programs and the MSI are signed; without, nothing is.
# The zip is the same bytes for the same commit: its entries in a fixed
# order, with the commit's time and fixed permissions, and nothing more.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=$(cd "${1:-$root/build/win64}" && pwd)
mkdir -p "${2:-$root/dist}"
out=$(cd "${2:-$root/dist}" && pwd)

version=$("$here/version-h.sh" TAVRIN_PRODUCT_VERSION_TEXT)
# The files' time in the zip: the commit's, unless the caller sets one.
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || true)}
[ -n "$epoch" ] || { echo "dist.sh: not a git checkout: set SOURCE_DATE_EPOCH" >&2; exit 1; }
zip_name=Tavrin-$version-win64.zip
msi_name=Tavrin-$version-x64.msi

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/Tavrin"

# Text for Notepad on any Windows: CRLF, and a byte-order mark so that the
# Korean is read as UTF-8 rather than in the PC's ANSI code page.
windows_text() { printf '\xef\xbb\xbf'; sed 's/$/\r/'; }

cp "$build/Tavrin.exe" "$build/tavrin-check.exe" "$stage/Tavrin/"
windows_text < "$here/README.txt" > "$stage/Tavrin/README.txt"
"$here/notices.sh" | windows_text > "$stage/Tavrin/THIRD-PARTY-NOTICES.txt"

if [ -n "${SIGN_PFX:-}" ]; then
  "$here/sign.sh" "$stage/Tavrin/Tavrin.exe" "$stage/Tavrin/tavrin-check.exe"
else
  echo "dist: SIGN_PFX not set: nothing is signed (Windows warns before an unsigned download runs)"
fi

files=()
while read -r name; do
  case $name in ''|'#'*) continue ;; esac
  [ -f "$stage/Tavrin/$name" ] || { echo "dist.sh: $name is listed but was not staged" >&2; exit 1; }
  files+=("Tavrin/$name")
done < "$here/release-files.txt"
extra=$(cd "$stage" && find Tavrin -type f | sort | comm -13 <(printf '%s\n' "${files[@]}" | sort) -)
[ -z "$extra" ] || { echo "dist.sh: staged but not listed in release-files.txt: $extra" >&2; exit 1; }

rm -f "$out"/Tavrin-*-win64.zip "$out"/Tavrin-*-x64.msi "$out/SHA256SUMS"
chmod 755 "$stage/Tavrin" "$stage/Tavrin"/*.exe
chmod 644 "$stage/Tavrin"/*.txt
# zip keeps local times: in UTC they are the same on every machine.
export TZ=UTC
touch -d "@$epoch" "$stage/Tavrin" "${files[@]/#/$stage/}"
(cd "$stage" && zip -q -X -D -9 "$out/$zip_name" "${files[@]}")

"$here/msi.sh" "$out/$msi_name" "$stage/Tavrin/Tavrin.exe" "$build/TavrinSetup.dll" "$version"
[ -n "${SIGN_PFX:-}" ] && "$here/sign.sh" "$out/$msi_name"

(cd "$out" && sha256sum "$zip_name" "$msi_name" > SHA256SUMS)
echo "dist: $(cd "$out" && ls -l "$zip_name" "$msi_name" | awk '{print $9 " " $5 " bytes"}' | paste -sd ';' | sed 's/;/; /')"
