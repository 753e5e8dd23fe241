#!/bin/sh
# Runs a Windows test program where the program cannot reach the desktop's shell: COM's proxies
# for the shell's objects (actxprxy) are turned off in every process the run starts, so asking
# the desktop's shell fails at its first step, as on a machine with no desktop shell. Wine's
# server is stopped before and after, so that the tests around this one get a whole desktop.
#   WithoutDesktopShell.sh WINE-RUN.SH PROGRAM.exe [ARGS...]
set -u
runner="$1"; shift
"$runner" --stop-server
WINEDLLOVERRIDES="actxprxy=d" TIUP_WEBSITE_ROUTE=this-program "$runner" "$@"
status=$?
"$runner" --stop-server
exit $status
