#!/usr/bin/env bash
# The release of a finished Windows build, as its users get it:
#   package-test.sh BUILD_DIR PACKAGE_TESTS_EXE
# Here, on Linux: the zip against its list and the build, the checksums,
# and signing with a throw-away certificate. Then package_tests.exe installs,
# upgrades and uninstalls the MSI under Wine, in a prefix of its own.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
probe=$2
work=$(mktemp -d -t tavrin-package-XXXXXX)
export WINEPREFIX=$work/wine WINEDEBUG=-all
boot=
cleanup() {
  [ -n "$boot" ] && wait "$boot" 2>/dev/null
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "package-test: FAIL: $*" >&2; exit 1; }
winpath() { local p="Z:$1"; echo "${p//\//\\}"; }

# A fresh prefix takes seconds to settle; it does so while the packages build.
"$root/scripts/wine-run.sh" cmd /c exit >/dev/null 2>&1 &
boot=$!

# The release, unsigned.
"$root/packaging/dist.sh" "$build" "$work/dist" > "$work/dist.log" || { cat "$work/dist.log"; fail "make dist"; }
grep -q 'nothing is signed' "$work/dist.log" || fail "an unsigned dist does not say so"
zip=$(echo "$work"/dist/Tavrin-*-win64.zip)
msi=$(echo "$work"/dist/Tavrin-*-x64.msi)
(cd "$work/dist" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS"

# The zip holds exactly the listed files, in order, and the programs just built.
diff <(unzip -Z1 "$zip") <(grep -v -e '^#' -e '^$' "$root/packaging/release-files.txt" | sed 's|^|Tavrin/|') ||
  fail "the zip's entries differ from packaging/release-files.txt"
for exe in Tavrin.exe tavrin-check.exe; do
  unzip -p "$zip" "Tavrin/$exe" | cmp -s - "$build/$exe" || fail "the zip's $exe is not the one built"
done

# Signed with a certificate of the test's own, which verify is told to trust.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Tavrin test" \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/cert.pfx" -passout pass:test
SIGN_PFX=$work/cert.pfx SIGN_PASSWORD=test "$root/packaging/dist.sh" "$build" "$work/signed" > "$work/signed.log" ||
  { cat "$work/signed.log"; fail "make dist with SIGN_PFX"; }
unzip -q "$work"/signed/Tavrin-*-win64.zip -d "$work/signed"
for file in "$work/signed/Tavrin/Tavrin.exe" "$work/signed/Tavrin/tavrin-check.exe" "$work"/signed/Tavrin-*-x64.msi; do
  osslsigncode verify -CAfile "$work/cert.pem" -in "$file" > "$work/verify.log" 2>&1 ||
    { cat "$work/verify.log"; fail "the signature of $(basename "$file")"; }
done

# A higher version for the upgrade; its program differs by a tail, so that
# the test sees which file was installed.
version=$("$root/packaging/version-h.sh" TAVRIN_PRODUCT_VERSION_TEXT)
IFS=. read -r major minor patch revision <<< "$version"
next=$major.$minor.$((patch + 1)).$revision
mkdir "$work/next"
{ cat "$build/Tavrin.exe"; printf 'next'; } > "$work/next/Tavrin.exe"
"$root/packaging/msi.sh" "$work/next/Tavrin-next.msi" "$work/next/Tavrin.exe" "$build/TavrinSetup.dll" "$next"

wait "$boot"
boot=
export TAVRIN_TEST_UPGRADE_CODE=$(msiinfo export "$msi" Property | tr -d '\r' | sed -n 's/^UpgradeCode\t//p')
export TAVRIN_TEST_PUBLISHER=$("$root/packaging/version-h.sh" TAVRIN_COMPANY_NAME)
export TAVRIN_TEST_MSI=$(winpath "$msi") TAVRIN_TEST_EXE=$(winpath "$build/Tavrin.exe") TAVRIN_TEST_VERSION=${version%.*}
export TAVRIN_TEST_MSI_NEXT=$(winpath "$work/next/Tavrin-next.msi") TAVRIN_TEST_EXE_NEXT=$(winpath "$work/next/Tavrin.exe")
export TAVRIN_TEST_VERSION_NEXT=${next%.*}
"$root/scripts/wine-run.sh" "$probe"
