#!/usr/bin/env bash
# Whether the release is reproducible: clones the current commit twice into
# fresh folders of different names, runs `make dist` in each and compares
# Tavrin.exe and the zip byte for byte. The clones share this checkout's
# cross-built dependencies (.deps), which are Debian's sources built once.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
commit=$(git -C "$root" rev-parse HEAD)
[ -z "$(git -C "$root" status --porcelain --untracked-files=no)" ] ||
  echo "dist-check: uncommitted changes are not part of the check; it builds $commit"
work=$(mktemp -d -t tavrin-dist-check-XXXXXX)
trap 'rm -rf "$work"' EXIT

for side in first second-clone; do
  git clone -q --no-checkout "$root" "$work/$side"
  git -C "$work/$side" checkout -q --detach "$commit"
  ln -s "$(readlink -f "$root/.deps")" "$work/$side/.deps"
  echo "dist-check: building $commit in $work/$side"
  make -C "$work/$side" dist JOBS="${JOBS:-$(nproc)}" > "$work/$side.log" 2>&1 || { tail -30 "$work/$side.log"; exit 1; }
done

status=0
for file in build/win64/Tavrin.exe build/win64/tavrin-check.exe "$(cd "$work/first" && echo dist/Tavrin-*-win64.zip)"; do
  if cmp "$work/first/$file" "$work/second-clone/$file"; then
    echo "dist-check: same bytes: $file ($(sha256sum < "$work/first/$file" | cut -c1-16)…)"
  else
    echo "dist-check: FAIL: $file differs between the two builds"
    status=1
  fi
done
exit $status
