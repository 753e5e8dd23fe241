#!/usr/bin/env bash
# Proves the release reproducible: builds what ships (the windows-x86 preset's target
# `distribution` and its zip) a second time, from a copy of the sources in another folder, with
# another umask and time zone, and compares every file of the distribution folder, the zip and
# SHA256SUMS with build/windows-x86 byte for byte. Run after ./dev.sh build or test (.ci/run
# runs it after the tests). Exits 1 naming the files that differ, the first one first.
set -euo pipefail
cd "$(dirname "$0")/.."
first=$PWD/build/windows-x86
if [ ! -f "$first/CPackConfig.cmake" ]; then
  echo "reproducible-check: build the windows-x86 preset first (./dev.sh build)" >&2
  exit 2
fi
# A signature is the signer's, not the sources': both builds are compared unsigned.
unset TIUP_SIGN_PFX TIUP_SIGN_PASSWORD_FILE TIUP_SIGN_TIMESTAMP_URL
# The copy is no git checkout: both zips take their entries' time from here.
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
export SOURCE_DATE_EPOCH
started=$(date +%s)

echo "== Reproducible: the zip of build/windows-x86"
cmake --build --preset windows-x86 --target distribution >/dev/null
(cd "$first" && cpack --config CPackConfig.cmake >/dev/null)

work=$(mktemp -d /tmp/tiup-reproducible.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir "$work/sources"
tar -c --exclude=./build --exclude=./.git . | tar -x -C "$work/sources"
second=$work/sources/build/windows-x86
echo "== Reproducible: building the distribution again in $work/sources"
(
  cd "$work/sources"
  umask 077
  export TZ=Pacific/Kiritimati
  cmake --preset windows-x86 >/dev/null
  cmake --build --preset windows-x86 --target distribution >/dev/null
  cd "$second"
  cpack --config CPackConfig.cmake >/dev/null
)

differing=()
list() { (cd "$1" && find . -type f | sed "s|^\./||" | LC_ALL=C sort); }
if ! diff <(list "$first/dist") <(list "$second/dist") >"$work/lists"; then
  echo "The distribution folders hold different files (< first build, > second):"
  cat "$work/lists"
  differing+=("the list of files")
fi
while IFS= read -r file; do
  if [ -f "$second/dist/$file" ] && ! cmp "$first/dist/$file" "$second/dist/$file" >"$work/cmp" 2>&1; then
    differing+=("dist/$file: $(cat "$work/cmp")")
  fi
done < <(list "$first/dist")
for file in "$(cd "$first/package" && ls -- *.zip)" SHA256SUMS; do
  if ! cmp "$first/package/$file" "$second/package/$file" >"$work/cmp" 2>&1; then
    differing+=("package/$file: $(cat "$work/cmp")")
  fi
done

echo "== Reproducible: the second build and the comparison took $(($(date +%s) - started)) s"
if [ ${#differing[@]} -gt 0 ]; then
  echo "NOT REPRODUCIBLE: the first file that differs is ${differing[0]}"
  for other in "${differing[@]:1}"; do echo "  and: $other"; done
  exit 1
fi
echo "Reproducible: every file of the distribution, the zip and SHA256SUMS are the same bytes"
