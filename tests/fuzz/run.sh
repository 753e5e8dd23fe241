#!/usr/bin/env bash
# Fuzzes the font name reader (install/FontName.cpp) with libFuzzer, built by clang with
# AddressSanitizer and UBSan, seeded with small real fonts. Run through `./dev.sh fuzz`; never
# part of the tests. An input that crashes the reader is copied to tests/unit/font-name-cases/,
# where FontName_test runs it on every test run from then on.
#   FUZZ_SECONDS=600 tests/fuzz/run.sh
set -euo pipefail
cd "$(dirname "$0")/../.."

seconds="${FUZZ_SECONDS:-300}"
out=build/fuzz
mkdir -p "$out/corpus" "$out/seeds" "$out/crashes"
echo "== Building the fuzzer (clang, libFuzzer, ASan + UBSan)" >&2
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -I. install/FontName.cpp tests/fuzz/FontName_fuzz.cpp -o "$out/font_name_fuzzer"

# Seeds: the smallest real fonts of fonts-noto-core (a few kilobytes each, name table included)
# and the inputs kept from earlier runs.
for f in Lycian Lydian Ogham Hatran Phoenician MayanNumerals OldSouthArabian; do
  cp "/usr/share/fonts/truetype/noto/NotoSans$f-Regular.ttf" "$out/seeds/"
done
cp tests/unit/font-name-cases/* "$out/seeds/" 2>/dev/null || true

echo "== Fuzzing for $seconds s" >&2
status=0
"$out/font_name_fuzzer" -max_total_time="$seconds" -max_len=8192 -timeout=5 -print_final_stats=1 \
  -artifact_prefix="$out/crashes/" "$out/corpus" "$out/seeds" || status=$?

found=0
for crash in "$out"/crashes/*; do
  [ -e "$crash" ] || continue
  name="fuzz-$(sha1sum "$crash" | cut -c1-12).bin"
  cp "$crash" "tests/unit/font-name-cases/$name"
  echo "== Kept $crash as tests/unit/font-name-cases/$name" >&2
  found=$((found + 1))
done
echo "== $found crashing input(s) found" >&2
exit $status
