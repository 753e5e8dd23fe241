#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds, and runs the program or every test.
#   ./dev.sh run     install what is missing, build, start the program
#   ./dev.sh test    install what is missing, build, run every test and the static analysis
#   ./dev.sh build   install what is missing, build
#   ./dev.sh bench   install what is missing, build, run the benchmark
#   ./dev.sh package install what is missing, build, make the release zip and SHA256SUMS (signed: README)
#   ./dev.sh fuzz    install what is missing, fuzz the font name reader (tests/fuzz/run.sh)
set -euo pipefail
cd "$(dirname "$0")"

# Everything the build and the tests need, from Debian's archive.
packages=(
  cmake ninja-build g++ googletest python3
  g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 binutils-mingw-w64
  wine wine64 wine32:i386 fonts-wine fonts-liberation xvfb x11-utils imagemagick
  # 32-bit Wine where the machine cannot execute 32-bit code: qemu-i386 in a private namespace
  # (cmake/wine-run.sh.in; qemu-user itself comes from install_qemu), and Wine's preloader,
  # without which every process start under the emulator takes about a minute
  wine32-preloader:i386
  librsvg2-bin
  # The distribution: the Urdu fonts it ships, the runtime licence it carries.
  fonts-noto-core mingw-w64-common
  # The ARM64 layout DLL (layout/): clang (below), lld's lld-link, llvm's llvm-rc
  lld llvm
  # Static analysis and the formatting check (tools/static-analysis.sh)
  cppcheck clang-tidy clang-format
  # Fuzzing the font name reader (tests/fuzz/run.sh): clang with libFuzzer and the sanitisers
  clang libclang-rt-14-dev
  # The release: the same zip from the same sources, Authenticode signing, the signing test
  strip-nondeterminism osslsigncode openssl
)

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return
  echo "== Installing: ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
  fi
  as_root apt-get update -qq
  # With the recommended packages: Wine's fonts (Liberation) are what the tests measure text with.
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
}

# qemu-user 8 or later: Debian 12's own 7.2 runs the threads of a 32-bit Wine process wrongly
# (a few threads asking the registry crash or hang it every time: stack smashing, SIGSEGV, a
# thread waiting on another's wake-ups); bookworm-backports has 10.0, one static file and no
# maintainer scripts. Its recommended qemu-user-binfmt is left out: it would register emulators
# for the whole machine, and wine-run.sh registers qemu-i386 in a private namespace only.
install_qemu() {
  local version
  version=$(dpkg-query -W -f='${Version}' qemu-user 2>/dev/null || true)
  if [ -n "$version" ] && dpkg --compare-versions "$version" ge 1:8; then return; fi
  local release=()
  if grep -qs '^VERSION_CODENAME=bookworm$' /etc/os-release; then
    if ! grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/; then
      echo "== Adding Debian's bookworm-backports (for qemu-user 10)"
      echo "deb http://deb.debian.org/debian bookworm-backports main" |
        as_root tee /etc/apt/sources.list.d/bookworm-backports.list >/dev/null
    fi
    release=(-t bookworm-backports)
  fi
  echo "== Installing: qemu-user ${release[*]}"
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${release[@]}" qemu-user >/dev/null
}

build() {
  # Each tree stands alone (every tree makes all three layout DLLs, and the Windows trees draw
  # the chart with the build machine's compiler). The native tree comes first because it is the
  # quickest to build and its unit tests the quickest to fail.
  for preset in native windows-x64 windows-x86; do
    echo "== Building $preset"
    # A folder configured with the earlier posix-thread compilers keeps them cached.
    local fresh=()
    if grep -qs -- '-posix"' "build/$preset/CMakeFiles/"*/CMakeCXXCompiler.cmake; then
      fresh=(--fresh)
    fi
    cmake --preset "$preset" "${fresh[@]}" >/dev/null
    cmake --build --preset "$preset"
  done
  echo "== Distribution folder: $PWD/build/windows-x86/dist"
}

run_tests() {
  local status=0 log passed=0 failed=0 skipped=0 x86_wine=0
  for preset in native windows-x64 windows-x86; do
    echo "== Testing $preset"
    log=$(mktemp)
    ctest --preset "$preset" 2>&1 | tee "$log" || status=1
    passed=$((passed + $(grep -c -E '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed' "$log" || true)))
    skipped=$((skipped + $(grep -c -E '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .*Skipped' "$log" || true)))
    failed=$((failed + $(grep -E '^ *[0-9]+/[0-9]+ Test +#[0-9]+: ' "$log" | grep -c -v -E 'Passed|Skipped' || true)))
    if [ "$preset" = windows-x86 ]; then
      x86_wine=$(grep -c -E '^ *[0-9]+/[0-9]+ Test +#[0-9]+: [a-z0-9_]+_wine_test .* Passed' "$log" || true)
    fi
    rm -f "$log"
  done
  for bmp in build/windows-x64/test-artefacts/*.bmp; do
    [ -e "$bmp" ] && convert "$bmp" "${bmp%.bmp}.png"
  done
  echo "== Screenshots: $PWD/build/windows-x64/test-artefacts"
  local mode
  mode=$(build/windows-x86/wine-run.sh --x86-mode)
  if [ "$mode" = natively ]; then
    echo "== 32-bit Wine tests passed: $x86_wine natively, 0 under emulation; $skipped skipped in all"
  else
    echo "== 32-bit Wine tests passed: 0 natively, $x86_wine $mode; $skipped skipped in all"
  fi
  echo "ctest: $passed passed, $failed failed, $skipped skipped"
  [ "$skipped" -eq 0 ] || status=1
  return $status
}

run_program() {
  local build=build/windows-x86
  echo "== The shipped 32-bit program, $("$build/wine-run.sh" --x86-mode)"
  local exe="$build/dist/Tamlorix Install Urdu Phonetic.exe"
  if [ -n "${DISPLAY:-}" ]; then
    TIUP_USE_DISPLAY=1 "$build/wine-run.sh" "$exe"
    return
  fi
  # No display: show it on a virtual one and save a screenshot.
  eval "$("$build/wine-run.sh" --print-env)"
  "$build/wine-run.sh" "$exe" >build/program.log 2>&1 </dev/null &
  local shot="$PWD/build/main-window.png"
  for _ in $(seq 1 60); do
    if xwininfo -root -tree 2>/dev/null | grep -q 'Tamlorix Install Urdu Phonetic'; then break; fi
    sleep 0.5
  done
  sleep 2
  import -window root -crop 480x400+400+312 "$shot"
  echo "== No display here: the program runs on the virtual display $DISPLAY."
  echo "== Screenshot of what it shows: $shot"
  echo "== Stop it with: $build/wine-run.sh --shutdown"
}

case "${1:-}" in
  run) install_missing; install_qemu; build; run_program ;;
  test)
    install_missing; install_qemu; build
    status=0
    run_tests || status=1
    echo "== Static analysis"
    tools/static-analysis.sh || status=1
    exit $status ;;
  build) install_missing; install_qemu; build ;;
  bench) install_missing; install_qemu; build; bench/run.sh ;;
  package)
    install_missing; build
    # Signed when TIUP_SIGN_PFX names a certificate (README, Releases).
    cmake --build --preset windows-x86 --target package
    echo "== Release zip: $(ls "$PWD"/build/windows-x86/package/*.zip)"
    echo "== Its checksums: $PWD/build/windows-x86/package/SHA256SUMS" ;;
  fuzz) install_missing; tests/fuzz/run.sh ;;
  *) sed -n '2,8p' "$0"; exit 2 ;;
esac
