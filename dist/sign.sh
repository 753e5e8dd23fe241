#!/usr/bin/env bash
# Signs Windows programs in place with Authenticode (SHA-256) through osslsigncode:
#   dist/sign.sh DESCRIPTION FILE...
# DESCRIPTION is the name Windows shows for the program at the elevation prompt. The certificate
# is the PKCS#12 file TIUP_SIGN_PFX names; its password is in the file TIUP_SIGN_PASSWORD_FILE
# names, which osslsigncode reads itself, so the password never stands on a command line (where
# every other user of the machine can read it). With TIUP_SIGN_TIMESTAMP_URL, the signature gets
# an RFC 3161 time stamp from that authority: Windows then still accepts it after the
# certificate has expired.
set -euo pipefail
fail() { echo "sign.sh: $*" >&2; exit 1; }
[ $# -ge 2 ] || fail "usage: sign.sh DESCRIPTION FILE..."
description=$1
shift
[ -n "${TIUP_SIGN_PFX:-}" ] || fail "TIUP_SIGN_PFX names no PKCS#12 file"
[ -r "$TIUP_SIGN_PFX" ] || fail "cannot read the certificate $TIUP_SIGN_PFX"
[ -r "${TIUP_SIGN_PASSWORD_FILE:-}" ] ||
  fail "TIUP_SIGN_PASSWORD_FILE must name the readable file that holds the certificate's password"
options=(-pkcs12 "$TIUP_SIGN_PFX" -readpass "$TIUP_SIGN_PASSWORD_FILE" -h sha256 -n "$description")
if [ -n "${TIUP_SIGN_TIMESTAMP_URL:-}" ]; then
  options+=(-ts "$TIUP_SIGN_TIMESTAMP_URL")
fi
for file in "$@"; do
  # Into a new file, then over the old one: a failed signing leaves the unsigned file as it was.
  rm -f "$file.signed"
  osslsigncode sign "${options[@]}" -in "$file" -out "$file.signed" >/dev/null ||
    { rm -f "$file.signed"; fail "could not sign $file"; }
  mv -f "$file.signed" "$file"
  echo "Signed $file"
done
