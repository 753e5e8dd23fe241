#!/bin/sh
# Runs a Windows test program where the program cannot reach the desktop's shell: COM's proxies
# for the shell's objects (actxprxy) are turned off in every process the run starts, so asking
# the desktop's shell fails at its first step, as on a machine with no desktop shell. Wine's
# server is stopped before and after, so that the tests around this one get a whole desktop.
#   WithoutDesktopShell.sh WINE-RUN.SH PROGRAM.exe [ARGS...]
set -u
runner="$1"; shift
eval "$("$runner" --print-env)"
wineserver=/usr/lib/wine/wineserver
restart_server() { "$wineserver" -k 2>/dev/null; "$wineserver" -w 2>/dev/null; }
restart_server
WINEDLLOVERRIDES="actxprxy=d" TIUP_WEBSITE_ROUTE=this-program "$runner" "$@"
status=$?
restart_server
exit $status
