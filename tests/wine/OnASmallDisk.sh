#!/bin/sh
# Runs a Windows test program with some folders of the Wine prefix on a small disk: in a mount
# namespace of the run's own, each folder is overlaid by a writable layer kept on one tmpfs, so
# the folder keeps its contents in view and a write that outgrows the tmpfs fails part way, as on
# a full disk. The test decides when the disk fills: TIUP_SMALL_DISK names the tmpfs, whose size
# it sets (SmallDisk_win.h). Wine's server runs inside the namespace too, so that every process
# sees the same files; it is stopped before the run and, inside, after it, and nothing written
# there outlives the run.
#   OnASmallDisk.sh WINE-RUN.SH FOLDER... -- PROGRAM.exe [ARGS...]   (FOLDERs under the prefix)
set -u
runner="$1"; shift
eval "$("$runner" --print-env)"
"$runner" --stop-server
disk=$(mktemp -d)
"$runner" --own-mounts sh -c '
  runner="$1"; disk="$2"; shift 2
  mount -t tmpfs -o size=256m tiup-small-disk "$disk" || exit 1
  i=0
  while [ "$1" != -- ]; do
    i=$((i + 1)); mkdir "$disk/$i" "$disk/$i.work" &&
      mount -t overlay overlay \
        -o "lowerdir=$WINEPREFIX/$1,upperdir=$disk/$i,workdir=$disk/$i.work" "$WINEPREFIX/$1" ||
      exit 1
    shift
  done
  shift
  TIUP_SMALL_DISK="$disk" "$runner" "$@"
  status=$?
  "$runner" --stop-server
  exit $status' sh "$runner" "$disk" "$@"
status=$?
rmdir "$disk"
exit $status
