#!/usr/bin/env bash
# Builds Tavrin's MSI with wixl from packaging/Tavrin.wxs.
#   msi.sh OUT.msi TAVRIN_EXE SETUP_DLL PRODUCT_VERSION
# PRODUCT_VERSION is major.minor.build.revision as the version resource has
# it; Windows Installer compares only the first three fields, so the MSI's
# version is those three.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
out=$1 exe=$2 dll=$3 version=$4

[[ $version =~ ^([0-9]+)\.([0-9]+)\.([0-9]+)\.[0-9]+$ ]] || { echo "msi.sh: version '$version' is not a.b.c.d" >&2; exit 1; }
# Windows Installer's limits: 255.255.65535.
(( 10#${BASH_REMATCH[1]} <= 255 && 10#${BASH_REMATCH[2]} <= 255 && 10#${BASH_REMATCH[3]} <= 65535 )) ||
  { echo "msi.sh: version '$version' is beyond what an MSI can hold (255.255.65535)" >&2; exit 1; }
company=$("$root/packaging/version-h.sh" TAVRIN_COMPANY_NAME)

# wixl takes its sources by names relative to the folder it runs in.
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$exe" "$stage/Tavrin.exe"
cp "$dll" "$stage/TavrinSetup.dll"
cp "$root/src/res/Tavrin.ico" "$stage/Tavrin.ico"
out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")
(cd "$stage" && wixl -a x64 -o "$out" \
  -D MsiVersion="${version%.*}" -D ProductVersion="$version" -D Manufacturer="$company" "$here/Tavrin.wxs")
# Windows Installer ignores the fourth field: a rebuild that changes only it
# must still replace the installed one, not sit beside it. wixl has no
# AllowSameVersionUpgrades, so the upgrade row's upper bound is made
# inclusive here (512, msidbUpgradeAttributesVersionMaxInclusive, with 1 to
# migrate feature states as before).
# Attributes is part of the row's key, so the row is written anew.
code=$(msiinfo export "$out" Property | tr -d '\r' | sed -n 's/^UpgradeCode\t//p')
msibuild "$out" \
  -q "DELETE FROM \`Upgrade\` WHERE \`ActionProperty\` = 'WIX_UPGRADE_DETECTED'" \
  -q "INSERT INTO \`Upgrade\` (\`UpgradeCode\`, \`VersionMax\`, \`Attributes\`, \`ActionProperty\`) VALUES ('$code', '${version%.*}', 513, 'WIX_UPGRADE_DETECTED')"
msiinfo export "$out" Upgrade | tr -d '\r' | grep -qx "$code"$'\t\t'"${version%.*}"$'\t\t513\t\tWIX_UPGRADE_DETECTED' || { echo "msi.sh: the upgrade row was not rewritten" >&2; exit 1; }
