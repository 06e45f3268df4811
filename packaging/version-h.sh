#!/usr/bin/env bash
# Prints a text of src/res/Version.h, the one place that holds the program's
# version and publisher:  version-h.sh TAVRIN_PRODUCT_VERSION_TEXT
set -euo pipefail
header=$(dirname "$0")/../src/res/Version.h
value=$(sed -n "s/^#define $1 *\"\(.*\)\"\$/\1/p" "$header")
[ -n "$value" ] || { echo "version-h.sh: no $1 in src/res/Version.h" >&2; exit 1; }
printf '%s\n' "$value"
