#!/usr/bin/env bash
# The signed release, with a throwaway code-signing certificate made here by openssl:
#   SignedRelease_test.sh package BUILD CHECKER ALLOWED
#     the shipped tree's zip made signed: SHA256SUMS checks; both programs verify against that
#     certificate (SHA-256) and are the built bytes plus the signature; the unpacked folder passes
#     the import check; the layout DLLs are untouched; one changed byte fails both checks.
#   SignedRelease_test.sh start BUILD
#     the tree's programs, signed, start under Wine.
set -euo pipefail
mode=$1
build=$2
sign=$(cd "$(dirname "$0")/../../dist" && pwd)/sign.sh
program="Tamlorix Install Urdu Phonetic.exe"
fail() { echo "FAILED: $*" >&2; exit 1; }

work=$build/signed-release-test
rm -rf "$work"
mkdir -p "$work"
cd "$work"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Throwaway Test Signer" \
  -addext extendedKeyUsage=codeSigning -keyout key.pem -out cert.pem 2>/dev/null
echo "throwaway password" >password
openssl pkcs12 -export -inkey key.pem -in cert.pem -passout file:password -out cert.p12
export TIUP_SIGN_PFX=$work/cert.p12 TIUP_SIGN_PASSWORD_FILE=$work/password
unset TIUP_SIGN_TIMESTAMP_URL

verify() {  # verify FILE: signed with SHA-256 by the throwaway certificate
  osslsigncode verify -CAfile "$work/cert.pem" -in "$1" >"$work/verify.log" 2>&1 ||
    { cat "$work/verify.log"; return 1; }
  grep -q 'Message digest algorithm *: SHA256' "$work/verify.log" || fail "$1 is not signed with SHA-256"
}

case $mode in
  package)
    checker=$3 allowed=$4
    cpack --config "$build/CPackConfig.cmake" -B "$work/package" >cpack.log 2>&1 ||
      { cat cpack.log; fail "cpack with a certificate"; }
    grep -q "Signed .*/$program" cpack.log || fail "cpack did not say it signed the program"
    cd package
    zip=$(ls -- *.zip)
    top=${zip%.zip}
    cmake -E tar xf "$zip"
    sha256sum --strict -c SHA256SUMS >/dev/null || fail "SHA256SUMS does not check"
    [ "$(wc -l <SHA256SUMS)" -eq $(($(find "$top" -type f | wc -l) + 1)) ] ||
      fail "SHA256SUMS does not list the zip and every file in it"
    for file in "$program" lyurdu/setup.exe; do
      verify "$top/$file" || fail "$file does not verify"
      rm -f unsigned.exe
      osslsigncode remove-signature -in "$top/$file" -out unsigned.exe >/dev/null
      cmp unsigned.exe "$build/dist/$file" || fail "signing changed $file beyond adding its signature"
    done
    for dll in lyurdu/x86/kbdurph.dll lyurdu/wow64/kbdurph.dll lyurdu/x64/kbdurph.dll; do
      cmp "$top/$dll" "$build/dist/$dll" || fail "$dll changed"
    done
    "$checker" "$allowed" "$top" >imports.log || { cat imports.log; fail "the signed images fail the import check"; }

    # One byte of the program's code changed after signing.
    offset=4096
    byte=$(od -An -tu1 -j $offset -N 1 "$top/$program" | tr -d ' ')
    printf '%b' "\\0$(printf '%03o' $((byte ^ 1)))" |
      dd of="$top/$program" bs=1 seek=$offset conv=notrunc status=none
    if verify "$top/$program" >/dev/null; then fail "the program verifies with a changed byte"; fi
    if sha256sum -c SHA256SUMS >sums.log 2>/dev/null; then fail "sha256sum -c passes a changed byte"; fi
    [ "$(grep -v ': OK$' sums.log)" = "$top/$program: FAILED" ] ||
      { cat sums.log; fail "sha256sum -c does not name the changed program alone"; }
    ;;
  start)
    cp -r "$build/dist" dist
    "$sign" "Test program" "dist/$program" >/dev/null
    "$sign" "Test setup" dist/lyurdu/setup.exe >/dev/null
    for file in "dist/$program" dist/lyurdu/setup.exe; do verify "$file" || fail "$file unsigned"; done
    # setup.exe reads its command line and, asked to be quiet, ends with 87 (bad arguments).
    status=0
    "$build/wine-run.sh" dist/lyurdu/setup.exe /quiet /nonsense || status=$?
    [ $status -eq 87 ] || fail "the signed setup.exe ended with $status, not 87"
    # The program shows its main window.
    "$build/wine-run.sh" "dist/$program" >/dev/null 2>&1 </dev/null &
    pid=$!
    eval "$("$build/wine-run.sh" --print-env)"
    shown=no
    for _ in $(seq 1 150); do
      if xwininfo -root -tree 2>/dev/null | grep -q '"Tamlorix Install Urdu Phonetic"'; then
        shown=yes
        break
      fi
      sleep 0.2
    done
    # Ended through Wine's server: under emulation the runner's process is not the program's.
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    [ $shown = yes ] || fail "the signed program showed no main window within 30 s"
    ;;
  *) fail "usage: SignedRelease_test.sh package BUILD CHECKER ALLOWED | start BUILD" ;;
esac
echo "PASSED: signed release ($mode)"
