#!/usr/bin/env bash
# Runs the package test in a Wine prefix made fresh for each run, so the
# installer meets a machine where SongBox was never installed, and unzips the
# portable copy into a folder whose name has spaces and Chinese in it.
#   run_package_test.sh <package_test.exe> <dist folder> <work folder> [gtest arguments]
set -euo pipefail
TEST_EXE="$1" DIST="$2" WORK="$3"
shift 3
rm -rf "$WORK"
mkdir -p "$WORK/解压 后"
export WINEPREFIX="$WORK/prefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
trap 'wineserver -k 2>/dev/null || true' EXIT
wineboot -i >/dev/null 2>&1 || true
# Unmanaged windows: without a window manager Wine waits for one when windows go.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
(cd "$WORK/解压 后" && LC_ALL=C.UTF-8 cmake -E tar xf "$DIST"/SongBox-*-win64.zip)
export SONGBOX_DIST="$DIST" SONGBOX_UNZIPPED="$WORK/解压 后"
wine "$TEST_EXE" "$@"
