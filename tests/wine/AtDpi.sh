#!/bin/sh
# Runs a Windows test program with the Wine prefix set to another DPI, then sets the prefix back
# to 96 DPI for the tests that follow.
#   AtDpi.sh WINE-RUN.SH DPI PROGRAM.exe [ARGS...]
set -u
runner="$1"; dpi="$2"; shift 2
eval "$("$runner" --print-env)"
wineserver=/usr/lib/wine/wineserver
set_dpi() {
  # The DPI is read when the server starts: stop it before and after the change.
  "$wineserver" -k 2>/dev/null; "$wineserver" -w 2>/dev/null
  hex=$(printf '0x%x' "$1")
  "$WINELOADER" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$hex" /f >/dev/null 2>&1
  "$WINELOADER" reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
    /v LogPixels /t REG_DWORD /d "$hex" /f >/dev/null 2>&1
  "$wineserver" -k 2>/dev/null; "$wineserver" -w 2>/dev/null
}
set_dpi "$dpi"
TIUP_DPI="$dpi" "$runner" "$@"
status=$?
set_dpi 96
exit $status
