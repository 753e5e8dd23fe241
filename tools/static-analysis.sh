#!/usr/bin/env bash
# Static analysis of our own code: the program and setup.exe (the portable core, the Win32
# layer), the keyboard layout (its definition and the DLL's tables), the benchmark, the build's
# tools (the chart, the import checker), the layout readers and the fuzzer's harness the tests
# use: the direction of the #includes (tools/include-direction.py, after its self-test), the
# layout of every C++ file (clang-format, tests included), cppcheck over every file, clang-tidy
# over every file through the build's compile commands: the portable core as the native build
# compiles it, the Win32 layer as the shipped 32-bit build compiles it, with clang told the
# MinGW target and its C++ headers; the files no compile database lists (the layout DLL, the
# host-built import checker, the fuzzer) as their own build commands compile them. Fails on any
# finding not listed, with its reason, in
# tools/static-analysis-suppressions.txt. The test bodies (tests/unit, tests/wine) are not
# analysed.
# Needs the native and windows-x86 build trees configured (./dev.sh build does it).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
suppressions=tools/static-analysis-suppressions.txt
dirs=()
own_dirs=(app core windows platform install web setup layout bench tools/chart tests/layout
  tests/imports tests/fuzz)
for d in "${own_dirs[@]}"; do [ -d "$d" ] && dirs+=("$d"); done

# Every suppression must say why.
bad=$(grep -v -E '^\s*(#|$)' "$suppressions" | grep -v -E '^(cppcheck|clang-tidy) \S+ \S+ +# .{10,}' || true)
if [ -n "$bad" ]; then
  echo "static analysis: suppressions without a reason (TOOL CHECK FILE  # reason):" >&2
  echo "$bad" >&2
  exit 1
fi

# Every #include points down the program's folders; the self-test first shows that the check
# catches back-includes planted in a copy of the tree.
echo "== include direction"
selftest=$(python3 tools/include-direction.py --self-test) || { echo "$selftest" >&2; exit 1; }
echo "$selftest" | tail -n 1
python3 tools/include-direction.py

# Every C++ file of ours, tests and tools included, laid out as .clang-format says: nobody
# formats by hand. (core/Identity.h.in is C++ only once the build has filled it in.)
echo "== clang-format $(clang-format --version | sed -n 's/.*version \([0-9.]*\).*/\1/p')"
git ls-files -z --cached --others --exclude-standard '*.cpp' '*.cc' '*.c' '*.h' '*.hpp' |
  xargs -0 -r clang-format --dry-run -Werror
echo "every C++ file as .clang-format lays it out"

findings=$(mktemp)
trap 'rm -f "$findings"' EXIT

echo "== cppcheck $(cppcheck --version | sed 's/Cppcheck //')"
# Windows' headers are not read (cppcheck knows the API through --library=windows); the
# project's own headers are, the generated core/Identity.h among them.
[ -f build/native/generated/core/Identity.h ] || { echo "static analysis: configure build/native first" >&2; exit 1; }
cppcheck --quiet --std=c++20 --language=c++ --library=windows -D_WIN32 -DUNICODE -D_UNICODE \
  -DWIN32_LEAN_AND_MEAN -I. -Ibuild/native/generated --enable=warning,style,performance,portability \
  --error-exitcode=0 --template='{file}:{line}: cppcheck {id}: {message}' "${dirs[@]}" \
  2>>"$findings"

echo "== clang-tidy $(clang-tidy --version | sed -n 's/.*LLVM version //p')"
tidy_files() {  # the program's own sources listed in a compile database
  python3 - "$1" "$root" "${own_dirs[@]}" <<'PY'
import json, os, sys
db, root = sys.argv[1], sys.argv[2]
own = tuple(d + "/" for d in sys.argv[3:])
for entry in json.load(open(db)):
    path = os.path.relpath(os.path.join(entry["directory"], entry["file"]), root)
    if path.startswith(own):
        print(path)
PY
}
header_filter="^$root/($(IFS='|'; echo "${own_dirs[*]}"))/"
tidy_filter() {  # clang-tidy's findings as "FILE:LINE: clang-tidy CHECK: MESSAGE"
  sed -n -E "s#^$root/([^:]+):([0-9]+):[0-9]+: (warning|error): (.*) \[([^]]+)\]\$#\1:\2: clang-tidy \5: \4#p"
}
run_tidy() {  # BUILD_DIR EXTRA_ARGS...
  local build=$1; shift
  [ -f "$build/compile_commands.json" ] || { echo "static analysis: configure $build first" >&2; exit 1; }
  local extra=()
  for a in "$@"; do extra+=("--extra-arg=$a"); done
  tidy_files "$build/compile_commands.json" | sort -u |
    xargs -r -P "$(nproc)" -n 4 clang-tidy -p "$build" --quiet --header-filter="$header_filter" \
      "${extra[@]}" 2>/dev/null | tidy_filter >>"$findings" || true
}
tidy_alone() {  # FILE COMPILER_ARGS...: a file no compile database lists
  local file=$1; shift
  clang-tidy --quiet --header-filter="$header_filter" "$file" -- "$@" 2>/dev/null |
    tidy_filter >>"$findings" || true
}
run_tidy build/native
gxx_include=/usr/lib/gcc/i686-w64-mingw32/12-win32/include/c++
mingw=(--target=i686-w64-mingw32 "-isystem$gxx_include" "-isystem$gxx_include/i686-w64-mingw32"
  "-isystem$gxx_include/backward")
run_tidy build/windows-x86 "${mingw[@]}"
# The layout DLL's tables as layout/CMakeLists.txt compiles them: freestanding, for each pointer
# layout.
for wide in "" -DTIUP_KBD_WIDE_POINTERS; do
  tidy_alone layout/kbdurph.cpp -std=c++20 -I. -Ibuild/native/generated -ffreestanding \
    -fno-exceptions -fno-rtti "${mingw[@]}" $wide
done
tidy_alone tests/imports/CheckImportsMain.cpp -std=c++20 -I.
tidy_alone tests/fuzz/FontName_fuzz.cpp -std=c++20 -I.

# Keep what no suppression explains.
left=$(sort -u "$findings" | python3 -c '
import re, sys
rules = []
for line in open(sys.argv[1], encoding="utf-8"):
    line = line.split("#", 1)[0].split()
    if line:
        rules.append(tuple(line[:3]))
for finding in sys.stdin:
    m = re.match(r"([^:]+):\d+: (\S+) (\S+):", finding)
    if not m or (m.group(2), m.group(3), m.group(1)) not in rules:
        sys.stdout.write(finding)
' "$suppressions")
total=$(sort -u "$findings" | grep -c . || true)
if [ -n "$left" ]; then
  printf '%s\n' "$left"
  echo "static analysis: $(echo "$left" | grep -c .) finding(s) not explained in $suppressions" >&2
  exit 1
fi
echo "== static analysis: no unexplained finding ($total explained in $suppressions)"
