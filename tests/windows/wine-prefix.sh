#!/usr/bin/env bash
# Makes the Wine prefix PREFIX that the Windows tests run in, once per build
# tree, and gives its drive C: the volume serial the tests expect. The caller
# sets WINEPREFIX=PREFIX and leaves no display: Wine then runs headless.
set -euo pipefail
prefix=$1
if [ ! -f "$prefix/system.reg" ]; then
    wineboot -i
fi
# Wine reads the serial when its server starts: write it with none running.
wineserver -w
printf 'deadbeef\n' >"$prefix/drive_c/.windows-serial"
